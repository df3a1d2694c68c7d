// The three tools read their command lines with glibc's getopt_long, quietly
// (opterr = 0, short options led by ':'), and word its complaints here, one
// way for all of them. Each tool prints the message after its own name and
// adds "Try 'TOOL --help'." (exit status 2).
//
// One convention for all three:
//   - exit status 0 done, 1 a failure (a file that cannot be read or
//     written, a missing folder, ffmpeg failed), 2 a mistake on the command
//     line, 130 after SIGINT and 143 after SIGTERM;
//   - -h/--help and -V/--version win wherever they stand before a lone "--",
//     even after a wrong option (ScanCommandLine);
//   - short options stand alone: "-hX" is a mistake, not help;
//   - numbers are plain decimals (ParseDecimal).
#pragma once

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
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

// The long option `element` ("--NAME" or "--NAME=VALUE") names, exactly or
// by a prefix no other option shares, as getopt_long reads it; null when it
// names none or several.
inline const option* NamedLongOption(const char* element, const option* options) {
  const char* name = element + 2;
  const size_t length = std::strcspn(name, "=");
  const option* prefix = nullptr;
  int prefixes = 0;
  for (const option* o = options; o->name; ++o) {
    if (std::strncmp(o->name, name, length) != 0) continue;
    if (std::strlen(o->name) == length) return o;
    prefix = o;
    ++prefixes;
  }
  return prefixes == 1 ? prefix : nullptr;
}

// Reads the whole line once before getopt_long does. Help wins, as in GNU
// tools: the first -h/--help or -V/--version standing as an option anywhere
// before a lone "--" (not as the value of an option such as --out) is obeyed
// however wrong the rest of the line is. Returns 'h' or 'V' for it, with its
// place in argv in *at. The tools' short options are -h and -V, which take
// no value, so a cluster such as "-hX" is refused: '?', with the message in
// *mistake and its place in *at. 0 when getopt_long may read on.
inline int ScanCommandLine(int argc, char** argv, const option* options, int* at,
                           std::string* mistake) {
  int cluster = 0;
  for (int i = 1; i < argc; ++i) {
    const char* element = argv[i];
    if (std::strcmp(element, "--") == 0) break;
    if (std::strncmp(element, "--", 2) == 0) {
      const option* o = NamedLongOption(element, options);
      const bool valueAttached = std::strchr(element, '=') != nullptr;
      if (!o || o->flag || valueAttached) continue;
      if (o->val == 'h' || o->val == 'V') {
        *at = i;
        return o->val;
      }
      if (o->has_arg == required_argument) ++i;  // the next word is its value
    } else if (element[0] == '-' && element[1] != '\0') {
      if (element[2] == '\0' && (element[1] == 'h' || element[1] == 'V')) {
        *at = i;
        return element[1];
      }
      if (element[2] != '\0' && !cluster) cluster = i;
    }
  }
  if (!cluster) return 0;
  *at = cluster;
  *mistake = std::string("unrecognized option '") + argv[cluster] + "'";
  return '?';
}

// A plain decimal number into *value: digits with an optional minus sign and
// an optional fraction ("450", "-1", "12.5"). Unlike std::strtod alone it
// refuses hex ("0x10"), exponents ("5e2"), inf and nan, spaces, a '+' and a
// bare point (".5", "5.").
inline bool ParseDecimal(const char* text, double* value) {
  const char* p = text + (*text == '-');
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  if (p == digits) return false;
  if (*p == '.') {
    const char* fraction = ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (p == fraction) return false;
  }
  if (*p != '\0') return false;
  errno = 0;
  *value = std::strtod(text, nullptr);
  return errno == 0 && std::isfinite(*value);
}
