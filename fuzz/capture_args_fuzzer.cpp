// Fuzzes the capture's command line: any arguments give options that hold
// together or a message, never a crash.
#include <cstdint>
#include <cstdlib>

#include "capture/capture.h"
#include "demo/demo.h"
#include "fuzz_args.h"

// The frame clock's replay of the generator's draws, which parsing never
// reaches: the frame driver is not linked here.
double TakeFrameDraws(double) { return 0.0; }

namespace {
void Require(bool condition) {
  if (!condition) abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzArgs args("kelvane-capture", data, size);
  TCaptureOptions options;
  std::string error;
  if (!ParseCaptureArgs(args.argc(), args.argv.data(), &options, &error)) {
    Require(!error.empty());
    return 0;
  }
  if (options.verb == TVerb::kVideo || options.verb == TVerb::kFrames ||
      options.verb == TVerb::kJoin) {
    Require(options.fps.num > 0 && options.fps.den > 0);
    int64_t first = 0, count = 0;
    FrameSpan(options, &first, &count);
    Require(first >= 0 && count > 0);
  }
  return 0;
}
