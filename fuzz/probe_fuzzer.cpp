// Fuzzes the join's reading of ffprobe's output: every key in lower case,
// no line break in a key or a value.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/probe_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string out(reinterpret_cast<const char*>(data), size);
  for (const auto& [key, value] : ReadProbeFields(out)) {
    for (char c : key)
      if (c == '\n' || c == '=' || std::isupper(static_cast<unsigned char>(c))) abort();
    if (value.find('\n') != std::string::npos) abort();
  }
  return 0;
}
