#include "platform/process/arguments.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#endif

namespace {

#ifdef _WIN32
std::string Utf8(const wchar_t* wide) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return "";
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), bytes, nullptr, nullptr);
  utf8.pop_back();  // the terminating null
  return utf8;
}
#endif

}  // namespace

TUtf8Arguments::TUtf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    // The runtime splits the same command line for argv; should the two
    // ever disagree on the count, argv is kept.
    if (count == argc)
      for (int i = 0; i < count; ++i) strings_.push_back(Utf8(wide[i]));
    LocalFree(wide);
  }
#endif
  if (strings_.empty()) strings_.assign(argv, argv + argc);
  for (std::string& s : strings_) pointers_.push_back(s.data());
  pointers_.push_back(nullptr);
}
