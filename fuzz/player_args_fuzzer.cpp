// Fuzzes the player's command line: options or a message, never a crash.
#include <cstdint>
#include <cstdlib>

#include "fuzz_args.h"
#include "player/player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzArgs args("kelvane-player", data, size);
  TPlayerOptions options;
  std::string error;
  if (!ParsePlayerArgs(args.argc(), args.argv.data(), &options, &error) && error.empty()) abort();
  return 0;
}
