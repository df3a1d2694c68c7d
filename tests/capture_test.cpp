// The capture tool: its frame clock and arguments in process; everything
// else by running kelvane-capture at small sizes and reading what it wrote
// (PNG through libpng, MP4 through ffprobe and ffmpeg).
#include "capture/capture.h"

#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "capture/render.h"
#include "capture/sheet.h"
#include "demo/demo.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"
#include "platform/graphics/gl.h"
#include "rig.h"

extern char** environ;

namespace {

const std::string kTool = std::string(KELVANE_BINARY_DIR) + "/kelvane-capture";
const std::string kPack = KELVANE_DATA_DIR;

// A scratch directory for this binary, removed when it exits.
struct TScratch {
  std::string dir;
  TScratch() {
    char name[] = "/tmp/kelvane-capture-test-XXXXXX";
    if (mkdtemp(name)) dir = name;
  }
  ~TScratch() {
    if (!dir.empty() && std::system(("rm -rf '" + dir + "'").c_str()) != 0)
      std::fprintf(stderr, "could not remove %s\n", dir.c_str());
  }
};
TScratch scratch;

std::string Scratch(const std::string& name) { return scratch.dir + "/" + name; }

std::string ReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool with `args`; its stdout and stderr land in *out and *err.
int RunTool(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
  const std::string outFile = Scratch("stdout.txt"), errFile = Scratch("stderr.txt");
  const int status =
      std::system((kTool + " " + args + " >" + outFile + " 2>" + errFile + " </dev/null").c_str());
  if (out) *out = ReadFile(outFile);
  if (err) *err = ReadFile(errFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Shell(const std::string& command) {
  std::string output;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return output;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) output.append(buffer, n);
  pclose(p);
  return output;
}

// ffprobe's key=value lines for one stream.
std::map<std::string, std::string> Probe(const std::string& file, const char* stream) {
  std::istringstream lines(Shell(std::string("ffprobe -v error -count_frames -select_streams ") +
                                 stream +
                                 " -show_entries stream=codec_name,profile,pix_fmt,width,height,"
                                 "nb_read_frames,duration,start_time -of default=nw=1 '" +
                                 file + "'"));
  std::map<std::string, std::string> fields;
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return fields;
}

struct TPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

bool ReadPng(const std::string& file, TPicture* picture) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  picture->width = static_cast<int>(image.width);
  picture->height = static_cast<int>(image.height);
  picture->rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr) != 0;
}

// A data directory whose only file is "kel.mp3": 133 s of pink noise, so
// every moment of the timeline has a music level and a sharp waveform.
const std::string& NoiseData() {
  static std::string dir;
  if (dir.empty()) {
    const std::string d = Scratch("noise");
    Shell("mkdir -p '" + d + "' && ffmpeg -v error -nostdin -y -f lavfi -i " +
          "anoisesrc=d=133:c=white:r=44100:a=0.6:seed=7 -ac 2 -c:a libmp3lame -b:a 96k '" + d +
          "/kel.mp3'");
    dir = d;
  }
  return dir;
}

// The lag, in samples, that best lines up the sound of `mp4` from `offset`
// samples on with the data's music from sample start + offset on: 0 when the
// video's sound starts at sample `start` of the music.
int MusicLag(const std::string& mp4, int64_t start, int64_t offset) {
  const std::string raw =
      Shell("ffmpeg -v error -nostdin -i '" + mp4 + "' -map 0:a -f s16le -ac 2 -ar 44100 -");
  constexpr int kMaxLag = 2048, kSpan = 22050;
  const int16_t* got = reinterpret_cast<const int16_t*>(raw.data()) + 2 * offset;
  TPcm pcm;
  std::string why;
  if (raw.size() < static_cast<size_t>(offset + kSpan) * 4 ||
      !DecodeSoundFile((NoiseData() + "/kel.mp3").c_str(), &pcm, &why) ||
      static_cast<size_t>(start + offset + kSpan + kMaxLag) > pcm.Frames())
    return kMaxLag + 1;
  const int16_t* music = pcm.samples.data() + 2 * (start + offset);
  int bestLag = kMaxLag + 1;
  double best = -1e300;
  for (int lag = -kMaxLag; lag <= kMaxLag; ++lag) {
    double sum = 0;
    for (int i = kMaxLag; i < kSpan; ++i)
      sum += static_cast<double>(got[2 * i]) * music[2 * (i + lag)];
    if (sum > best) {
      best = sum;
      bestLag = lag;
    }
  }
  return bestLag;
}

bool Parse(std::vector<const char*> args, TCaptureOptions* options, std::string* error) {
  args.insert(args.begin(), "kelvane-capture");
  return ParseCaptureArgs(static_cast<int>(args.size()), const_cast<char**>(args.data()), options,
                          error);
}

}  // namespace

TEST(CaptureClock, FrameTimesComeFromTheFrameNumberAlone) {
  EXPECT_EQ(FrameMs(0, {60, 1}), 0.0);
  EXPECT_EQ(FrameMs(7959, {60, 1}), 132650.0);  // 7959 x 1000 / 60
  // 90000 frames at 30000/1001 are exactly 3003 s; adding up 33.3667 ms
  // steps would have drifted.
  EXPECT_EQ(FrameMs(90000, {30000, 1001}), 3003000.0);
  EXPECT_EQ(FrameDemoTime(60, {60, 1}), 1000.0 * kDemoUnitsPerMs);
  EXPECT_EQ(SampleAt(60, {60, 1}), 44100);
  EXPECT_EQ(SampleAt(1, {30000, 1001}), 1471);  // 44100 x 1001 / 30000 = 1471.47
}

TEST(CaptureClock, TimelineRunsToTheLastFrameAtOrBefore1300) {
  EXPECT_EQ(TimelineFrames({60, 1}), 7960);  // 132653.06 ms x 60 / 1000 = 7959.2
  const TFrameRate rates[] = {{60, 1}, {25, 1}, {30000, 1001}, {49, 1}, {7, 3}, {1000, 1}};
  for (const TFrameRate& rate : rates) {
    const int64_t n = TimelineFrames(rate);
    EXPECT_LE(FrameDemoTime(n - 1, rate), kDemoEnd) << rate.num << "/" << rate.den;
    EXPECT_GT(FrameDemoTime(n, rate), kDemoEnd) << rate.num << "/" << rate.den;
  }
}

TEST(CaptureClock, FirstFrameAtIsTheFirstAtOrAfter) {
  const double times[] = {0.0, 0.5, 100.0, 409.99, 1299.99, 1300.0};
  for (double d : times) {
    const int64_t f = FirstFrameAt(d, {60, 1});
    EXPECT_GE(FrameDemoTime(f, {60, 1}), d) << d;
    if (f > 0) {
      EXPECT_LT(FrameDemoTime(f - 1, {60, 1}), d) << d;
    }
  }
  EXPECT_EQ(FirstFrameAt(0.0, {60, 1}), 0);
}

TEST(CaptureRig, ReadsFramesTopRowFirst) {
  ASSERT_TRUE(EnsureDemoLoaded());
  // Black, with a red 20 x 10 block in the top-left corner (GL counts rows
  // from the bottom).
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, kRigHeight - 10, 20, 10);
  glClearColor(1, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  std::vector<uint8_t> rgb(kRigWidth * kRigHeight * 3);
  ReadFrameTopFirst(rgb.data());
  EXPECT_EQ(PixelAt(rgb, 0, 0).r, 255);
  EXPECT_EQ(PixelAt(rgb, 19, 9).r, 255);
  EXPECT_EQ(PixelAt(rgb, 20, 9).r, 0);
  EXPECT_EQ(PixelAt(rgb, 0, 10).r, 0);
  EXPECT_EQ(PixelAt(rgb, 0, kRigHeight - 1).r, 0);
  EXPECT_EQ(Brightness(rgb), 20u * 10u * 255u);
}

TEST(CaptureArgs, ReadsEachVerbWithItsDefaults) {
  TCaptureOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--at", "450", "--out", "a.png"}, &o, &error)) << error;
  EXPECT_EQ(o.verb, TVerb::kAt);
  EXPECT_EQ(o.at, 450.0);
  EXPECT_EQ(o.target, "a.png");
  EXPECT_EQ(o.width, 675);
  EXPECT_EQ(o.height, 525);
  EXPECT_FALSE(o.levelGiven);

  ASSERT_TRUE(Parse({"--video", "v.mp4"}, &o, &error)) << error;
  EXPECT_EQ(o.verb, TVerb::kVideo);
  EXPECT_EQ(o.width, 676);
  EXPECT_EQ(o.height, 526);
  EXPECT_EQ(o.fps.num, 60);
  EXPECT_EQ(o.fps.den, 1);
  EXPECT_EQ(o.dataDir, ".");

  ASSERT_TRUE(Parse({"--video", "v.mp4", "--fps", "30000/1001", "--size", "640x360", "--from",
                     "100", "--duration", "2.5", "--data", "d"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.fps.num, 30000);
  EXPECT_EQ(o.fps.den, 1001);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 360);
  EXPECT_EQ(o.from, 100.0);
  EXPECT_EQ(o.duration, 2.5);
  EXPECT_EQ(o.dataDir, "d");

  ASSERT_TRUE(Parse({"--sheet", "s.png", "--level", "0.5"}, &o, &error)) << error;
  EXPECT_EQ(o.verb, TVerb::kSheet);
  EXPECT_TRUE(o.levelGiven);
  EXPECT_EQ(o.level, 0.5f);
}

TEST(CaptureArgs, ReadsDecimalRatesAsExactFractions) {
  const std::vector<std::pair<const char*, TFrameRate>> rates = {
      {"29.97", {2997, 100}}, {"23.976", {2997, 125}}, {"30.0", {30, 1}},
      {"0.1", {1, 10}},       {"1000", {1000, 1}},     {"29.970000000", {2997, 100}},
  };
  for (const auto& r : rates) {
    TCaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--video", "v.mp4", "--fps", r.first}, &o, &error)) << r.first << error;
    EXPECT_EQ(o.fps.num, r.second.num) << r.first;
    EXPECT_EQ(o.fps.den, r.second.den) << r.first;
  }
}

TEST(CaptureArgs, TakesTheTargetsKnownByTheirNamesInAnyCase) {
  for (const char* video : {"v.mp4", "v.M4V", "dir.x/v.mov", "v.MKV"}) {
    TCaptureOptions o;
    std::string error;
    EXPECT_TRUE(Parse({"--video", video}, &o, &error)) << error;
    EXPECT_TRUE(Parse({"--join", video, "part.mp4"}, &o, &error)) << error;
  }
  TCaptureOptions o;
  std::string error;
  EXPECT_TRUE(Parse({"--at", "1", "--out", "A.PNG"}, &o, &error)) << error;
  EXPECT_TRUE(Parse({"--sheet", "s.Png"}, &o, &error)) << error;
}

TEST(CaptureArgs, RefusesMistakes) {
  const std::vector<std::vector<const char*>> wrong = {
      {},
      {"--at"},
      {"--at", "10"},
      {"--at", "-1", "--out", "a.png"},
      {"--at", "1300.5", "--out", "a.png"},
      {"--at", "nan", "--out", "a.png"},
      {"--at", "10x", "--out", "a.png"},
      {"--at", "10", "--out", "a.png", "--fps", "30"},
      {"--video", "v.mp4", "--size", "675x525"},
      {"--video", "v.mp4", "--size", "0x10"},
      {"--video", "v.mp4", "--size", "640"},
      {"--video", "v.mp4", "--fps", "0"},
      {"--video", "v.mp4", "--fps", "60/0"},
      {"--video", "v.mp4", "--fps", "2000"},
      {"--video", "v.mp4", "--fps", "-60"},
      {"--video", "v.mp4", "--duration", "0"},
      {"--video", "v.mp4", "--from", "1300"},
      {"--video", "v.mp4", "--level", "1.5"},
      {"--video", "v.mp4", "--sheet", "s.png"},
      {"--video", "v.mp4", "--data", "a", "--data", "b"},
      {"--sheet", "s.png", "--size", "1x1"},
      {"--frames", "dir", "extra"},
      {"--bogus"},
      // Numbers are plain decimals.
      {"--at", "0x10", "--out", "a.png"},
      {"--at", " 5", "--out", "a.png"},
      {"--at", "5 ", "--out", "a.png"},
      {"--at", "5e2", "--out", "a.png"},
      {"--at", "+5", "--out", "a.png"},
      {"--at", ".5", "--out", "a.png"},
      {"--at", "5.", "--out", "a.png"},
      {"--at", "inf", "--out", "a.png"},
      {"--at", "", "--out", "a.png"},
      {"--video", "v.mp4", "--from", "1e2"},
      {"--video", "v.mp4", "--duration", "0x1"},
      {"--video", "v.mp4", "--level", " 1"},
      {"--video", "v.mp4", "--fps", "0x1e"},
      {"--video", "v.mp4", "--fps", "30 "},
      {"--video", "v.mp4", "--fps", "29.9700001"},  // 299700001/10000000: finer than ffmpeg
      {"--video", "v.mp4", "--fps", "0.00000000000000000000000000001"},
      {"--video", "v.mp4", "--fps", "0.09"},
      {"--video", "v.mp4", "--fps", "1000.5"},
      {"--video", "v.mp4", "--fps", "29.97/1"},
      {"--video", "v.mp4", "--size", " 64x48"},
      {"--video", "v.mp4", "--segment", "1/ 2"},
      {"--video", "v.mp4", "--jobs", "+2"},
      // Targets the tool could not write as named.
      {"--video", "v"},
      {"--video", "v.avi"},
      {"--video", "mp4"},
      {"--join", "j.webm", "a.mp4"},
      {"--join", "j.mp4", "a\nb.mp4"},
      {"--video", "v\n.mp4", "--jobs", "2"},
      {"--at", "1", "--out", "s.jpg"},
      {"--at", "1", "--out", "png"},
      {"--sheet", "s.jpg"},
      // Short options stand alone.
      {"-hX"},
      {"--at", "1", "--out", "a.png", "-Vh"},
      {"--video", "v.mp4", "--jobs", "0"},
      {"--video", "v.mp4", "--jobs", "2", "--segment", "1/2"},
      {"--video", "v.mp4", "--segment", "3/2"},
      {"--frames", "dir", "--jobs", "2"},
      {"--join", "j.mp4"},
      {"--join", "j.mp4", "a.mp4", "--fps", "30"},
  };
  for (const auto& args : wrong) {
    TCaptureOptions o;
    std::string error;
    std::string line;
    for (const char* a : args) line += std::string(a) + " ";
    EXPECT_FALSE(Parse(args, &o, &error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST(CaptureArgs, ReadsValuesAfterEqualsAndShortHelpAndVersion) {
  TCaptureOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--at=450", "--out=a.png", "--size=64x48"}, &o, &error)) << error;
  EXPECT_EQ(o.verb, TVerb::kAt);
  EXPECT_EQ(o.at, 450.0);
  EXPECT_EQ(o.target, "a.png");
  EXPECT_EQ(o.width, 64);
  ASSERT_TRUE(Parse({"-h"}, &o, &error)) << error;
  EXPECT_EQ(o.verb, TVerb::kHelp);
  ASSERT_TRUE(Parse({"-V"}, &o, &error)) << error;
  EXPECT_EQ(o.verb, TVerb::kVersion);
}

TEST(CaptureArgs, HelpAndVersionWinWhereverTheyStand) {
  const std::vector<std::pair<std::vector<const char*>, TVerb>> cases = {
      {{"--at", "3", "--help"}, TVerb::kHelp},
      {{"--help", "--video", "v.mp4"}, TVerb::kHelp},
      {{"--bogus", "-h"}, TVerb::kHelp},
      {{"--at", "nope", "--out", "a.jpg", "-V"}, TVerb::kVersion},
      {{"--join", "j.mp4", "a.mp4", "--vers"}, TVerb::kVersion},
      {{"--he"}, TVerb::kHelp},
  };
  for (const auto& c : cases) {
    TCaptureOptions o;
    std::string error;
    EXPECT_TRUE(Parse(c.first, &o, &error)) << c.first.back() << ": " << error;
    EXPECT_EQ(o.verb, c.second) << c.first.back();
  }
  // The value of an option, or an operand after "--", is not a request.
  TCaptureOptions o;
  std::string error;
  EXPECT_FALSE(Parse({"--at", "3", "--out", "--help"}, &o, &error));
  EXPECT_FALSE(Parse({"--frames", "d", "--", "--help"}, &o, &error));
}

TEST(CaptureArgs, NamesTheMistake) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--at", "450", "--at", "500", "--out", "a.png"}, "--at is given twice"},
      {{"--at", "450", "--video", "v.mp4"}, "--video and --at exclude each other"},
      {{"--video", "v.mp4", "--bogus"}, "unrecognized option '--bogus'"},
      {{"-x"}, "unrecognized option '-x'"},
      {{"--version=2"}, "option '--version' takes no value"},
      {{"--video", "v.mp4", "--fps"}, "--fps needs a value"},
      {{"--video", "v.mp4", "--duration", "4000"},
       "--duration wants seconds above 0 and at most 3600, not '4000'"},
      {{"--video", "v.mp4", "--fps", "5e1"},
       "--fps wants 0.1 to 1000 frames a second as N, N/M or a decimal such as 29.97, not '5e1'"},
      {{"--video", "v"}, "--video wants a file ending in .mp4, .m4v, .mov or .mkv, not 'v'"},
      {{"--at", "1", "--out", "s.jpg"}, "--out wants a file ending in .png, not 's.jpg'"},
      {{"--sheet", "s.jpg"}, "--sheet wants a file ending in .png, not 's.jpg'"},
      {{"-hX"}, "unrecognized option '-hX'"},
  };
  for (const auto& c : cases) {
    TCaptureOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.first, &o, &error)) << c.second;
    EXPECT_EQ(error, c.second);
  }
}

TEST(CaptureTool, BadArgumentsExitWithStatus2) {
  const std::string png = Scratch("never.png");
  const std::string cases[] = {
      "",
      "--at 1400 --out " + png,
      "--at 10 --out " + png + " --size 100",
      "--video " + Scratch("never.mp4") + " --size 101x100",
      "--sheet " + png + " --fps 30",
      "--frobnicate",
      "--at=450 --at=500 --out " + png,
      "--at 0x10 --out " + png,
      "--at 10 --out " + Scratch("never.jpg"),
      "--video " + Scratch("never"),
      "-hX",
  };
  for (const std::string& args : cases) {
    std::string out, err;
    EXPECT_EQ(RunTool(args, &out, &err), 2) << args;
    EXPECT_NE(err.find("kelvane-capture: "), std::string::npos) << args;
    EXPECT_TRUE(out.empty()) << args;
  }
  EXPECT_NE(access(png.c_str(), F_OK), 0);
  EXPECT_NE(access(Scratch("never").c_str(), F_OK), 0);
  // A --data folder that is not there is a failure, not a mistake in the line.
  std::string err;
  EXPECT_EQ(RunTool("--at 10 --out " + png + " --data " + Scratch("no-such-dir"), nullptr, &err),
            1);
  EXPECT_NE(err.find("--data " + Scratch("no-such-dir") + ": "), std::string::npos) << err;
}

TEST(CaptureTool, HelpAndVersionGoToStdout) {
  std::string out, err;
  EXPECT_EQ(RunTool("--help", &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: kelvane-capture", 0), 0u) << out;
  EXPECT_TRUE(err.empty());
  EXPECT_EQ(RunTool("--version", &out, &err), 0);
  EXPECT_EQ(out, std::string("kelvane-capture ") + KELVANE_VERSION + "\n");
  EXPECT_TRUE(err.empty());
  EXPECT_EQ(RunTool("-h", &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: kelvane-capture", 0), 0u) << out;
  EXPECT_EQ(RunTool("-V", &out, &err), 0);
  EXPECT_EQ(out, std::string("kelvane-capture ") + KELVANE_VERSION + "\n");
  // Help wins wherever it stands, after any option, even a wrong one.
  EXPECT_EQ(RunTool("--at 3 --help", &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: kelvane-capture", 0), 0u) << out;
  EXPECT_TRUE(err.empty()) << err;
  EXPECT_EQ(RunTool("--frobnicate --at 0x10 -V", &out, &err), 0);
  EXPECT_EQ(out, std::string("kelvane-capture ") + KELVANE_VERSION + "\n");
}

TEST(CaptureTool, UnknownOptionNamesItself) {
  std::string out, err;
  EXPECT_EQ(RunTool("--bogus", &out, &err), 2);
  EXPECT_EQ(err, "kelvane-capture: unrecognized option '--bogus'\nTry 'kelvane-capture --help'.\n");
}

TEST(CaptureTool, WithoutDataReadsThePackBesideTheProgram) {
  // Run from an empty folder: the pack can only come from build/data.
  const std::string empty = Scratch("empty");
  ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
  const std::string a = Scratch("beside.png"), b = Scratch("given.png");
  ASSERT_EQ(std::system(("cd '" + empty + "' && " + kTool + " --at 30 --size 64x48 --out " + a +
                         " 2>/dev/null")
                            .c_str()),
            0);
  ASSERT_EQ(RunTool("--at 30 --size 64x48 --data " + kPack + " --out " + b), 0);
  EXPECT_TRUE(ReadFile(a) == ReadFile(b)) << "the default pack is not " << kPack;
}

TEST(CaptureTool, RefusesAPartialPackAndListsWhatItLacks) {
  const std::string png = Scratch("partial.png");
  std::string err;
  EXPECT_EQ(RunTool("--at 30 --size 32x24 --out " + png + " --data " + NoiseData(), nullptr, &err),
            1);
  EXPECT_NE(err.find("lacks 20 of the demo's 21 files: trumpet.bmp, "), std::string::npos) << err;
  EXPECT_NE(access(png.c_str(), F_OK), 0);
  EXPECT_EQ(RunTool("--at 30 --size 32x24 --partial-pack --out " + png + " --data " + NoiseData()),
            0);
}

TEST(CaptureTool, RefusesAFolderWithoutThePack) {
  const std::string empty = Scratch("no-pack");
  ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
  const std::string png = Scratch("black.png");
  std::string err;
  EXPECT_EQ(RunTool("--at 30 --out " + png + " --data " + empty, nullptr, &err), 1);
  EXPECT_NE(err.find("--data " + empty + " holds none of the demo's files"), std::string::npos)
      << err;
  // A copy of the program with no pack beside it, run in that empty folder.
  const std::string copy = empty + "/kelvane-capture";
  ASSERT_EQ(std::system(("cp " + kTool + " " + copy).c_str()), 0);
  const int status = std::system(
      ("cd '" + empty + "' && ./kelvane-capture --at 30 --out " + png + " 2>../no-pack.txt")
          .c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
  err = ReadFile(Scratch("no-pack.txt"));
  EXPECT_NE(err.find("no asset pack in " + empty + "/data, "), std::string::npos) << err;
  EXPECT_NE(access(png.c_str(), F_OK), 0) << "a frame was rendered without the pack";
}

TEST(CaptureTool, SameFrameTwiceGivesTheSameBytes) {
  // 495 is in the particle scene, whose jitter draws from the shared
  // generator; 310 has the tunnel and the banner.
  for (const char* at : {"495", "310"}) {
    const std::string a = Scratch("twice-a.png"), b = Scratch("twice-b.png");
    const std::string common = std::string("--at ") + at + " --size 160x120 --data " + kPack;
    ASSERT_EQ(RunTool(common + " --out " + a), 0) << at;
    ASSERT_EQ(RunTool(common + " --out " + b), 0) << at;
    const std::string first = ReadFile(a);
    EXPECT_GT(first.size(), 0u);
    EXPECT_TRUE(first == ReadFile(b)) << "two captures at " << at << " differ";
    TPicture picture;
    ASSERT_TRUE(ReadPng(a, &picture));
    EXPECT_EQ(picture.width, 160);
    EXPECT_EQ(picture.height, 120);
  }
}

TEST(CaptureTool, BackgroundFlashFollowsTheMusic) {
  // After 1260 no scene draws: the frame is the clear colour alone, a grey
  // of twice the music level, or black below 0.2.
  TPcm pcm;
  std::string why;
  const std::string music = NoiseData() + "/kel.mp3";
  ASSERT_TRUE(DecodeSoundFile(music.c_str(), &pcm, &why)) << why;
  double at = 0.0;
  float level = 0.0f;
  for (double d = 1261; d <= 1300 && at == 0.0; d += 1) {
    level = 2.0f * MusicLevelAt(pcm.samples.data(), pcm.Frames(), d / kDemoUnitsPerMs);
    if (level >= 0.3f && level <= 0.9f) at = d;
  }
  ASSERT_NE(at, 0.0) << "the noise has no moment of medium level after 1260";
  const std::string png = Scratch("flash.png");
  char args[256];
  std::snprintf(args, sizeof args, "--at %g --size 32x24 --partial-pack --data %s --out %s", at,
                NoiseData().c_str(), png.c_str());
  ASSERT_EQ(RunTool(args), 0);
  TPicture picture;
  ASSERT_TRUE(ReadPng(png, &picture));
  const int expected = static_cast<int>(std::lround(level * 255.0f));
  for (size_t i = 0; i < picture.rgb.size(); ++i)
    ASSERT_NEAR(picture.rgb[i], expected, 1) << "byte " << i << " at " << at;

  // --level replaces the music's own.
  ASSERT_EQ(RunTool(std::string(args) + " --level 0.25"), 0);
  ASSERT_TRUE(ReadPng(png, &picture));
  EXPECT_NEAR(picture.rgb[0], 128, 1);
  ASSERT_EQ(RunTool(std::string(args) + " --level 0.05"), 0);
  ASSERT_TRUE(ReadPng(png, &picture));
  EXPECT_EQ(Brightness(picture.rgb), 0u);
}

TEST(CaptureTool, ShortClipHasItsFramesAndAlignedMusic) {
  const std::string mp4 = Scratch("clip.mp4");
  std::string err;
  ASSERT_EQ(RunTool("--video " + mp4 +
                        " --fps 10 --duration 2 --from 1000 --size 96x72 --partial-pack --data " +
                        NoiseData(),
                    nullptr, &err),
            0)
      << err;
  EXPECT_EQ(err.find('\r'), std::string::npos) << "progress shown on a non-terminal";

  auto video = Probe(mp4, "v:0");
  EXPECT_EQ(video["codec_name"], "h264");
  EXPECT_EQ(video["profile"], "High");
  EXPECT_EQ(video["pix_fmt"], "yuv420p");
  EXPECT_EQ(video["width"], "96");
  EXPECT_EQ(video["height"], "72");
  EXPECT_EQ(video["nb_read_frames"], "20");
  EXPECT_NEAR(std::atof(video["duration"].c_str()), 2.0, 0.001);
  auto audio = Probe(mp4, "a:0");
  EXPECT_EQ(audio["codec_name"], "aac");
  EXPECT_NEAR(std::atof(audio["duration"].c_str()), 2.0, 1024.0 / kMusicRate);

  // The clip's sound is the music from its first frame's moment on.
  const int lag = MusicLag(mp4, SampleAt(FirstFrameAt(1000, {10, 1}), {10, 1}), 0);
  EXPECT_LE(std::abs(lag), 1) << "the clip's sound is off by " << lag << " samples";
}

TEST(CaptureTool, SegmentFramesMatchACaptureFromTheStart) {
  // The glitch window (900 to 918) and the particle scene (410 to 580) draw
  // from the shared generator every frame: a segment starting inside them
  // must take the draws of every frame before it.
  const std::string common = " --fps 10 --size 64x48 --data " + kPack;
  const std::string whole = Scratch("from-0");
  ASSERT_EQ(RunTool("--frames " + whole + " --duration 93" + common), 0);
  for (const char* from : {"905", "450"}) {
    const std::string segment = Scratch(std::string("from-") + from);
    ASSERT_EQ(RunTool("--frames " + segment + " --from " + from + " --duration 0.4" + common), 0);
    const int64_t first = FirstFrameAt(std::atof(from), {10, 1});
    for (int64_t f = first; f < first + 4; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(f));
      const std::string a = ReadFile(whole + name);
      ASSERT_FALSE(a.empty()) << name;
      EXPECT_TRUE(a == ReadFile(segment + name)) << "--from " << from << ": " << name;
    }
  }
}

TEST(CaptureTool, JoinedSegmentsKeepEveryFrameInOrderAndTheMusicAligned) {
  // The pictures of the pack with the noise for music, whose sharp
  // waveform shows any shift of the sound.
  const std::string data = Scratch("pack-with-noise");
  ASSERT_EQ(std::system(("mkdir -p '" + data + "' && cp " + kPack + "/*.bmp " + kPack + "/*.asc '" +
                         data + "' && cp " + NoiseData() + "/kel.mp3 '" + data + "'")
                            .c_str()),
            0);
  // Three segments across the glitch, whose frames all differ.
  const std::string span = " --fps 10 --from 895 --duration 3 --size 96x72 --data " + data;
  const std::string mp4 = Scratch("joined.mp4"), frames = Scratch("joined-frames");
  std::string err;
  ASSERT_EQ(RunTool("--video " + mp4 + " --jobs 3" + span, nullptr, &err), 0) << err;
  ASSERT_EQ(RunTool("--frames " + frames + span), 0);
  auto video = Probe(mp4, "v:0");
  EXPECT_EQ(video["nb_read_frames"], "30");
  EXPECT_EQ(video["start_time"], Probe(mp4, "a:0")["start_time"])
      << "picture and sound start apart";
  EXPECT_NE(access((mp4 + ".part-1-of-3.mp4").c_str(), F_OK), 0) << "a part was left behind";

  // Each decoded frame is nearest to the rendered frame of its own number.
  const std::string raw =
      Shell("ffmpeg -v error -nostdin -i '" + mp4 + "' -f rawvideo -pix_fmt rgb24 -");
  constexpr size_t kFrameBytes = 96 * 72 * 3;
  ASSERT_EQ(raw.size(), 30 * kFrameBytes);
  const int64_t first = FirstFrameAt(895, {10, 1});
  std::vector<TPicture> rendered(30);
  for (int i = 0; i < 30; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(first + i));
    ASSERT_TRUE(ReadPng(frames + name, &rendered[i])) << name;
  }
  for (int i = 0; i < 30; ++i) {
    int nearest = -1;
    double nearestError = 1e300;
    for (int j = 0; j < 30; ++j) {
      double error = 0;
      for (size_t k = 0; k < kFrameBytes; ++k)
        error += std::abs(static_cast<int>(static_cast<uint8_t>(raw[i * kFrameBytes + k])) -
                          rendered[j].rgb[k]);
      if (error < nearestError) {
        nearestError = error;
        nearest = j;
      }
    }
    EXPECT_EQ(nearest, i) << "decoded frame " << i;
  }

  // One track: in step at the start and across the last segment.
  const int64_t start = SampleAt(first, {10, 1});
  EXPECT_LE(std::abs(MusicLag(mp4, start, 0)), 1) << "at the start";
  EXPECT_LE(std::abs(MusicLag(mp4, start, 2 * kMusicRate)), 1) << "in the last segment";
}

TEST(CaptureTool, ProgressShowsOnATerminal) {
  // script(1) gives the tool a terminal for its stdout and stderr.
  const std::string output = Shell("script -q -e -c \"" + kTool + " --video " + Scratch("tty.mp4") +
                                   " --fps 10 --duration 2 --size 64x48 --partial-pack --data " +
                                   NoiseData() + "\" /dev/null");
  EXPECT_NE(output.find("\r20/20 frames"), std::string::npos) << output;
  EXPECT_NE(output.find(" fps "), std::string::npos) << output;
  EXPECT_NE(output.find("0:00 left"), std::string::npos) << output;
}

TEST(CaptureTool, FrameSequenceMatchesSingleFrames) {
  const std::string dir = Scratch("frames");
  ASSERT_EQ(
      RunTool("--frames " + dir + " --fps 5 --duration 1 --from 300 --size 80x60 --data " + kPack),
      0);
  const int64_t first = FirstFrameAt(300, {5, 1});
  char name[64];
  for (int64_t f = first - 1; f <= first + 5; ++f) {
    std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(f));
    const bool wanted = f >= first && f < first + 5;
    EXPECT_EQ(access((dir + name).c_str(), F_OK) == 0, wanted) << name;
  }
  // The first of them is the frame --at draws at that frame's demo time.
  const std::string single = Scratch("single.png");
  char at[64];
  std::snprintf(at, sizeof at, "--at %.17g", FrameDemoTime(first, {5, 1}));
  ASSERT_EQ(RunTool(std::string(at) + " --size 80x60 --data " + kPack + " --out " + single), 0);
  TPicture a, b;
  std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(first));
  ASSERT_TRUE(ReadPng(dir + name, &a));
  ASSERT_TRUE(ReadPng(single, &b));
  EXPECT_TRUE(a.rgb == b.rgb);
}

TEST(CaptureTool, SheetHasOneLabelledTilePerRow) {
  const std::string sheetFile = Scratch("sheet.png");
  ASSERT_EQ(RunTool("--sheet " + sheetFile + " --size 200x150 --data " + kPack), 0);
  TPicture sheet;
  ASSERT_TRUE(ReadPng(sheetFile, &sheet));
  const TSheetLayout layout = SheetLayout(200, 150);
  EXPECT_EQ(layout.tileWidth, 100);
  EXPECT_EQ(layout.tileHeight, 75);
  EXPECT_EQ(sheet.width, 4 * 100 + 5 * kSheetMargin);
  EXPECT_EQ(sheet.height, 4 * (75 + layout.labelHeight) + 5 * kSheetMargin);
  ASSERT_EQ(sheet.width, layout.width);
  ASSERT_EQ(sheet.height, layout.height);

  // Every label strip carries text, and no two read alike.
  std::vector<std::vector<uint8_t>> labels;
  for (int i = 0; i < kTimelineRows; ++i) {
    int x = 0, y = 0;
    SheetCell(layout, i, &x, &y);
    std::vector<uint8_t> strip;
    int ink = 0;
    for (int row = y + layout.tileHeight; row < y + layout.tileHeight + layout.labelHeight; ++row)
      for (int col = x; col < x + layout.tileWidth; ++col) {
        const TRgb p = PixelAt(sheet.rgb, col, row, sheet.width);
        strip.push_back(static_cast<uint8_t>(p.r));
        if (p.r > 128) ++ink;
      }
    EXPECT_GT(ink, 20) << "tile " << i + 1 << " has no label";
    for (size_t k = 0; k < labels.size(); ++k)
      EXPECT_FALSE(labels[k] == strip) << "tiles " << k + 1 << " and " << i + 1;
    labels.push_back(strip);
  }

  // The first tile is the frame at the middle of row 1, halved.
  const std::string single = Scratch("row1.png");
  ASSERT_EQ(RunTool("--at 30 --size 200x150 --data " + kPack + " --out " + single), 0);
  TPicture frame;
  ASSERT_TRUE(ReadPng(single, &frame));
  int x = 0, y = 0;
  SheetCell(layout, 0, &x, &y);
  for (int ty = 0; ty < 75; ++ty)
    for (int tx = 0; tx < 100; ++tx) {
      const TRgb s = PixelAt(sheet.rgb, x + tx, y + ty, sheet.width);
      const TRgb p[4] = {PixelAt(frame.rgb, 2 * tx, 2 * ty, 200),
                         PixelAt(frame.rgb, 2 * tx + 1, 2 * ty, 200),
                         PixelAt(frame.rgb, 2 * tx, 2 * ty + 1, 200),
                         PixelAt(frame.rgb, 2 * tx + 1, 2 * ty + 1, 200)};
      ASSERT_EQ(s.g, (p[0].g + p[1].g + p[2].g + p[3].g + 2) / 4) << tx << "," << ty;
    }
}

TEST(CaptureTool, InterruptedVideoStaysPlayable) {
  const std::string mp4 = Scratch("interrupted.mp4");
  const std::string errFile = Scratch("interrupted.txt");
  const std::string command = "exec " + kTool + " --video " + mp4 +
                              " --size 64x48 --partial-pack --data " + NoiseData() + " 2>" +
                              errFile;
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  // Interrupt once a tenth of the frames has gone to ffmpeg (its log says
  // so), however slowly this machine renders.
  for (int wait = 0; wait < 300 && ReadFile(errFile).find("10%") == std::string::npos; ++wait)
    usleep(100 * 1000);
  kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130) << ReadFile(errFile);

  auto video = Probe(mp4, "v:0");
  const int frames = std::atoi(video["nb_read_frames"].c_str());
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, TimelineFrames({60, 1}));
  EXPECT_NEAR(std::atof(video["duration"].c_str()), frames / 60.0, 0.001);
  // The sound stops with the picture, within an AAC frame (23 ms).
  auto audio = Probe(mp4, "a:0");
  EXPECT_EQ(audio["codec_name"], "aac");
  EXPECT_NEAR(std::atof(audio["duration"].c_str()), frames / 60.0, 0.025);
  // And the whole file decodes without an error.
  EXPECT_EQ(Shell("ffmpeg -v error -nostdin -i '" + mp4 + "' -f null - 2>&1"), "");
}
