// The program's command line as UTF-8, as every file name in the program is.
#pragma once

#include <string>
#include <vector>

// On Windows, main's argv is in the ANSI code page and loses what that
// cannot spell, so the arguments are read again from the wide command line;
// elsewhere they are argv as given. Keep the object while argv() is used.
class TUtf8Arguments {
 public:
  TUtf8Arguments(int argc, char** argv);
  int argc() const { return static_cast<int>(strings_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;  // into strings_, then a null
};
