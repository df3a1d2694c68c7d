// The three tools read their command lines with glibc's getopt_long, quietly
// (opterr = 0, short options led by ':'), and word its complaints here, one
// way for all of them. Each tool prints the message after its own name and
// adds "Try 'TOOL --help'." (exit status 2).
#pragma once

#include <getopt.h>

#include <cstring>
#include <string>

// "--NAME" of the long option whose code is `code`, or "" when there is none.
inline std::string LongOptionName(const option* options, int code) {
  for (const option* o = options; o->name; ++o)
    if (o->val == code && !o->flag) return std::string("--") + o->name;
  return "";
}

// What was wrong with the argument getopt_long stopped at, once it has
// returned '?' or ':' (`result`): "unrecognized option '--bogus'",
// "option '--f' is ambiguous", "option '--help' takes no value",
// "--at needs a value".
inline std::string OptionMistake(int result, char** argv, const option* options) {
  // getopt_long steps past a long option before it complains about it.
  const char* element = optind > 0 ? argv[optind - 1] : "";
  const bool isLong = std::strncmp(element, "--", 2) == 0;
  const std::string name(element, std::strcspn(element, "="));
  if (result == ':') {
    const std::string longName = LongOptionName(options, optopt);
    return (isLong && !longName.empty() ? longName : std::string("-") + char(optopt)) +
           " needs a value";
  }
  if (optopt == 0) {
    int matches = 0;
    for (const option* o = options; o->name; ++o)
      if (std::strncmp(o->name, name.c_str() + 2, name.size() - 2) == 0) ++matches;
    if (matches > 1) return "option '" + name + "' is ambiguous";
    return "unrecognized option '" + name + "'";
  }
  if (isLong && name.size() < std::strlen(element) && LongOptionName(options, optopt) != "")
    return "option '" + LongOptionName(options, optopt) + "' takes no value";
  return std::string("unrecognized option '-") + char(optopt) + "'";
}
