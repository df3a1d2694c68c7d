// A command line from fuzz bytes: the program's name, then the bytes split
// at each NUL into at most 40 arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TFuzzArgs {
  std::vector<std::string> text;
  std::vector<char*> argv;
  TFuzzArgs(const char* program, const uint8_t* data, size_t size) {
    text.push_back(program);
    std::string arg;
    for (size_t i = 0; i < size && text.size() < 40; ++i) {
      if (data[i] != 0) {
        arg += static_cast<char>(data[i]);
        continue;
      }
      text.push_back(arg);
      arg.clear();
    }
    if (!arg.empty()) text.push_back(arg);
    for (std::string& t : text) argv.push_back(&t[0]);
    argv.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(argv.size()) - 1; }
};
