#include "capture/probe_fields.h"

#include <algorithm>
#include <cctype>

std::map<std::string, std::string> ReadProbeFields(const std::string& out) {
  std::map<std::string, std::string> fields;
  size_t at = 0;
  while (at < out.size()) {
    const size_t end = std::min(out.find('\n', at), out.size());
    const std::string line = out.substr(at, end - at);
    const size_t equals = line.find('=');
    if (equals != std::string::npos) {
      std::string key = line.substr(0, equals);
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      fields[key] = line.substr(equals + 1);
    }
    at = end + 1;
  }
  return fields;
}
