#include "platform/audio/sound_length.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files/regular_file.h"

namespace {

struct TFrame {
  int bytes;      // 1 for a free-format frame, whose length the header does not give
  int64_t ticks;  // samples / sample rate, in ticks
};

// kbit/s by bitrate index 1..14 (0 is free format, 15 is invalid).
constexpr int kBitrates[5][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 and 2.5 layer I
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2 and 2.5 II, III
};
// Hz by version (MPEG-2.5, reserved, MPEG-2, MPEG-1) and sample rate index 0..2.
constexpr int kRates[4][3] = {
    {11025, 12000, 8000}, {11025, 12000, 8000}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Reads a frame header. The test is loose, so that no header a decoder
// takes is missed: only a missing sync, the reserved layer, bitrate index 15
// and sample rate index 3 are refused, and the reserved version reads as
// MPEG-2.5 (the lowest sample rates).
bool ReadHeader(const unsigned char* h, TFrame* frame) {
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
  const int version = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  const int layer = 4 - ((h[1] >> 1) & 3);
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (layer == 4 || bitrateIndex == 15 || rateIndex == 3) return false;
  const bool mpeg1 = version == 3;
  const int rate = kRates[version][rateIndex];
  const int samples = layer == 1 ? 384 : layer == 3 && !mpeg1 ? 576 : 1152;
  frame->ticks = samples * (kSoundTicksPerSecond / rate);
  if (bitrateIndex == 0) {
    frame->bytes = 1;
    return true;
  }
  const int kbps = kBitrates[mpeg1 ? layer - 1 : layer == 1 ? 3 : 4][bitrateIndex - 1];
  const int padding = (h[2] >> 1) & 1;
  if (layer == 1) {
    frame->bytes = (12000 * kbps / rate + padding) * 4;
  } else {
    frame->bytes = (layer == 3 && !mpeg1 ? 72000 : 144000) * kbps / rate + padding;
  }
  return true;
}

// The bytes an ID3v2 tag at the start takes (header, body and footer), or 0
// when there is none. Its size is four 7-bit bytes ("syncsafe"). A tag that
// claims to run past the end of the file is not trusted: the walk then
// starts at its first byte.
int64_t Id3v2Bytes(const unsigned char* h, size_t have, int64_t fileSize) {
  if (have < 10 || std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF ||
      ((h[6] | h[7] | h[8] | h[9]) & 0x80) != 0)
    return 0;
  const int64_t body = (int64_t{h[6]} << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
  const int64_t bytes = 10 + body + ((h[5] & 0x10) ? 10 : 0);
  return bytes <= fileSize ? bytes : 0;
}

// A frame still open as the walk goes on: where it ends, and the longest
// reading that ends with it.
struct TOpenFrame {
  int64_t end;
  int64_t ticks;
};
bool EndsLater(const TOpenFrame& a, const TOpenFrame& b) { return a.end > b.end; }

// The walk's state. A frame is at most 2881 bytes (layer II at 160 kbit/s
// and 8 kHz, padded) and each starts at a byte of its own, so at most that
// many frames are open at once.
struct TWalk {
  int64_t at = 0;                // stream position of the next byte looked at
  int64_t longest = 0;           // ticks of the longest reading whose frames have all ended
  std::vector<TOpenFrame> open;  // a heap, the first to end on top
};

// Closes the frames that end by `position`.
void CloseFrames(TWalk* w, int64_t position) {
  while (!w->open.empty() && w->open.front().end <= position) {
    w->longest = std::max(w->longest, w->open.front().ticks);
    std::pop_heap(w->open.begin(), w->open.end(), EndsLater);
    w->open.pop_back();
  }
}

// Looks at `count` positions from w->at; data holds their bytes and `have`
// >= count bytes in all, as a header needs 4.
void Walk(TWalk* w, const unsigned char* data, size_t count, size_t have) {
  const unsigned char* end = data + count;
  for (const unsigned char* p = data; p < end; ++p) {
    p = static_cast<const unsigned char*>(std::memchr(p, 0xFF, end - p));
    if (!p) break;
    TFrame frame;
    if (static_cast<size_t>(p - data) + 3 >= have || !ReadHeader(p, &frame)) continue;
    const int64_t at = w->at + (p - data);
    CloseFrames(w, at);
    w->open.push_back({at + frame.bytes, w->longest + frame.ticks});
    std::push_heap(w->open.begin(), w->open.end(), EndsLater);
  }
  w->at += count;
}

// The bound once the whole stream is walked: frames cut short by its end
// count too.
int64_t Finish(TWalk* w) {
  CloseFrames(w, INT64_MAX);
  return w->longest;
}

// A layer III frame header, the only one a decoder takes for MP3 without a
// tag before it.
bool IsLayer3Header(const unsigned char* h, size_t have) {
  TFrame frame;
  return have >= 4 && ((h[1] >> 1) & 3) == 1 && ReadHeader(h, &frame);
}

// The format check on the file's first bytes (`head`, 10 at most) and the 4
// bytes where a frame must start (`frame`: after the tag when there is one).
std::string FormatProblem(const unsigned char* head, size_t headBytes, const unsigned char* frame,
                          size_t frameBytes, bool tagged) {
  if (IsLayer3Header(frame, frameBytes)) return "";
  if (tagged) return "not MPEG audio (no MPEG audio frame after its ID3 tag)";
  if (headBytes >= 3 && std::memcmp(head, "ID3", 3) == 0)
    return "not MPEG audio (its ID3 tag runs past the end of the file)";
  struct TMagic {
    const char* bytes;
    const char* what;
  };
  static const TMagic kMagics[] = {
      {"OggS", "an Ogg stream"}, {"fLaC", "FLAC"}, {"RIFF", "a RIFF (WAV) file"},
      {"FORM", "an AIFF file"},  {"MThd", "MIDI"}, {"\x1a\x45\xdf\xa3", "Matroska"}};
  for (const TMagic& magic : kMagics)
    if (headBytes >= 4 && std::memcmp(head, magic.bytes, 4) == 0)
      return std::string(magic.what) + ", not MPEG audio";
  TFrame any;
  if (headBytes >= 4 && ReadHeader(head, &any))
    return "MPEG audio of another layer than III, not MP3";
  return "not MPEG audio (no ID3 tag or MPEG audio frame at its start)";
}

}  // namespace

std::string MpegAudioFormatProblem(const unsigned char* data, size_t size) {
  const size_t start = static_cast<size_t>(Id3v2Bytes(data, size, static_cast<int64_t>(size)));
  return FormatProblem(data, std::min<size_t>(size, 10), data + start,
                       std::min<size_t>(size - start, 4), start > 0);
}

std::string MpegAudioFormatProblem(int fd, int64_t size) {
  unsigned char head[10], frame[4];
  const int64_t headBytes = ReadDescriptorAt(fd, head, std::min<int64_t>(size, sizeof head), 0);
  if (headBytes < 0) return std::strerror(errno);
  const int64_t start = Id3v2Bytes(head, static_cast<size_t>(headBytes), size);
  const int64_t frameBytes =
      start == 0 ? std::min<int64_t>(headBytes, 4)
                 : ReadDescriptorAt(fd, frame, std::min<int64_t>(size - start, sizeof frame), start);
  if (frameBytes < 0) return std::strerror(errno);
  return FormatProblem(head, static_cast<size_t>(headBytes), start == 0 ? head : frame,
                       static_cast<size_t>(frameBytes), start > 0);
}

int64_t MpegAudioTicks(const unsigned char* data, size_t size) {
  const size_t start = static_cast<size_t>(Id3v2Bytes(data, size, static_cast<int64_t>(size)));
  TWalk w;
  w.at = static_cast<int64_t>(start);
  Walk(&w, data + start, size - start, size - start);
  return Finish(&w);
}

int64_t MpegAudioTicks(int fd, int64_t size) {
  unsigned char head[10];
  const int64_t headBytes = ReadDescriptorAt(fd, head, std::min<int64_t>(size, sizeof head), 0);
  if (headBytes < 0) return -1;
  int64_t offset = Id3v2Bytes(head, static_cast<size_t>(headBytes), size);  // of buffer[0]
  TWalk w;
  w.at = offset;
  // Each piece is looked at up to its last 3 bytes, which start the next
  // one, so a header across two pieces is read whole.
  std::vector<unsigned char> buffer(64 * 1024 + 3);
  size_t have = 0;  // bytes in the buffer
  for (;;) {
    const int64_t want = std::min<int64_t>(buffer.size() - have, size - offset - have);
    const int64_t got = ReadDescriptorAt(fd, buffer.data() + have, want, offset + have);
    if (got < 0) return -1;
    have += static_cast<size_t>(got);
    const bool last = got < want || offset + static_cast<int64_t>(have) >= size;
    const size_t count = last ? have : have - 3;
    Walk(&w, buffer.data(), count, have);
    if (last) break;
    std::memmove(buffer.data(), buffer.data() + count, have - count);
    offset += count;
    have -= count;
  }
  return Finish(&w);
}

TGapless ReadGapless(const unsigned char* data, size_t size) {
  TGapless gapless;
  const size_t at = static_cast<size_t>(Id3v2Bytes(data, size, static_cast<int64_t>(size)));
  TFrame frame;
  if (size < at + 4 || !ReadHeader(data + at, &frame) || ((data[at + 1] >> 1) & 3) != 1)
    return gapless;  // layer III only
  const unsigned char* h = data + at;
  const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
  const bool mono = (h[3] >> 6) == 3;
  const size_t samples = mpeg1 ? 1152 : 576;
  // The tag follows the side information, whose size depends on the mode.
  size_t p = at + 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  auto word = [&](size_t i) {
    return (uint32_t{data[i]} << 24) | (data[i + 1] << 16) | (data[i + 2] << 8) | data[i + 3];
  };
  if (size < p + 8 || (std::memcmp(data + p, "Xing", 4) != 0 && std::memcmp(data + p, "Info", 4)))
    return gapless;
  const uint32_t flags = word(p + 4);
  p += 8;
  if (!(flags & 1) || size < p + 4) return gapless;  // no frame count
  const int64_t frames = word(p);
  p += 4 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
  // The LAME extension: 9 bytes of encoder name, then at +21 the delay and
  // the padding, 12 bits each.
  int64_t delay = 0, padding = 0;
  if (size >= p + 24 && std::memcmp(data + p, "LAME", 4) == 0) {
    delay = (data[p + 21] << 4) | (data[p + 22] >> 4);
    padding = ((data[p + 22] & 0x0F) << 8) | data[p + 23];
  }
  constexpr int64_t kDecoderDelay = 529;
  gapless.musicFrames = std::max<int64_t>(0, frames * samples - delay - padding);
  gapless.lead = static_cast<int64_t>(samples) + delay + kDecoderDelay;
  gapless.tail = std::max<int64_t>(0, padding - kDecoderDelay);
  return gapless;
}

TGapless ReadGapless(int fd, int64_t size) {
  // An ID3v2 tag (pictures, lyrics) may come first: read past it.
  unsigned char head[10];
  const int64_t headBytes = ReadDescriptorAt(fd, head, std::min<int64_t>(size, sizeof head), 0);
  if (headBytes < 0) return TGapless{};
  const int64_t skip = Id3v2Bytes(head, static_cast<size_t>(headBytes), size);
  unsigned char frame[2048];  // more than the longest layer III frame's start needs
  const int64_t got = ReadDescriptorAt(fd, frame, sizeof frame, skip);
  return got < 0 ? TGapless{} : ReadGapless(frame, static_cast<size_t>(got));
}

void TrimGapless(const TGapless& gapless, int64_t decodedFrames, int64_t* first, int64_t* count) {
  *first = 0;
  *count = decodedFrames;
  if (gapless.musicFrames < 0 || decodedFrames <= gapless.musicFrames) return;
  int64_t extra = decodedFrames - gapless.musicFrames;
  const int64_t atEnd = std::min(extra, gapless.tail);
  extra -= atEnd;
  *first = std::min(extra, gapless.lead);
  *count = decodedFrames - atEnd - *first;
}

std::string FormatPlayingTime(int64_t ticks) {
  const int64_t seconds = (ticks + kSoundTicksPerSecond - 1) / kSoundTicksPerSecond;
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(seconds / 60),
                  static_cast<int>(seconds % 60));
  }
  return text;
}
