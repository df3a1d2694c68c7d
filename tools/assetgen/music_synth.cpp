// The instruments: each call renders one hit or one note into a scratch
// buffer and adds it to the buses of its sends. Drum hits are scaled to the
// exact peak asked for. Oscillators are band-limited (PolyBLEP) and every
// voice starts and ends at zero amplitude, so nothing clicks.
#include <algorithm>
#include <cmath>

#include "assetgen/music.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// The voice being rendered, left and right; written by one Add* call at a
// time and then placed onto its sends.
float scratch[kLongestVoice];
float scratchRight[kLongestVoice];

double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
int Frames(double seconds) { return static_cast<int>(seconds * kSongRate + 0.5); }

// Band-limited step correction for a phase in 0..1 advancing `dt` a frame.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

// A band-limited oscillator; phase 0..1.
struct TOsc {
  double phase = 0.0;
  double Saw(double hz) {
    const double dt = hz / kSongRate;
    const double v = 2.0 * phase - 1.0 - PolyBlep(phase, dt);
    Advance(dt);
    return v;
  }
  double Square(double hz) {
    const double dt = hz / kSongRate;
    double half = phase + 0.5;
    if (half >= 1.0) half -= 1.0;
    const double v = (phase < 0.5 ? 1.0 : -1.0) + PolyBlep(phase, dt) - PolyBlep(half, dt);
    Advance(dt);
    return v;
  }
  double Sine(double hz) {
    const double v = std::sin(kTwoPi * phase);
    Advance(hz / kSongRate);
    return v;
  }
  void Advance(double dt) {
    phase += dt;
    phase -= std::floor(phase);
  }
};

// Zero-delay state-variable filter (trapezoidal); `Set` may be called every
// frame. Outputs lowpass, bandpass and highpass of the last input.
struct TFilter {
  double ic1 = 0.0, ic2 = 0.0;
  double a1 = 0.0, a2 = 0.0, a3 = 0.0, k = 1.0;
  double low = 0.0, band = 0.0, high = 0.0;
  void Set(double hz, double q) {
    hz = std::min(hz, 0.45 * kSongRate);
    const double g = std::tan(kPi * hz / kSongRate);
    k = 1.0 / q;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  void Run(double x) {
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }
};

// Linear attack, hold until `gate`, linear release of `release` frames.
double GateEnvelope(int i, int attack, int gate, int release) {
  if (i < attack) return static_cast<double>(i) / attack;
  if (i < gate) return 1.0;
  if (i < gate + release) return 1.0 - static_cast<double>(i - gate) / release;
  return 0.0;
}

// Short linear fade over the last frames of a hit, so a cut tail cannot click.
double TailFade(int i, int length) {
  const int fade = Frames(0.004);
  return i > length - fade ? static_cast<double>(length - i) / fade : 1.0;
}

// Pan law: centre is full level on both sides.
float PanLeft(float pan) { return std::min(1.0f, 1.0f - pan); }
float PanRight(float pan) { return std::min(1.0f, 1.0f + pan); }

// The scale that gives the hit in scratch (mono, or stereo when `stereo`) a
// largest sample of `peak`.
float HitScale(int length, float peak, bool stereo = false) {
  float largest = 0.0f;
  for (int i = 0; i < length; ++i) {
    largest = std::max(largest, std::fabs(scratch[i]));
    if (stereo) largest = std::max(largest, std::fabs(scratchRight[i]));
  }
  return largest > 0.0f ? peak / largest : 0.0f;
}

// Adds the voice in scratch (mono, or stereo when `stereo`), times `scale`,
// to every send; `pan` places a mono voice.
void Place(const TSends& to, int at, int length, bool stereo, float scale, float pan) {
  const float* right = stereo ? scratchRight : scratch;
  const float panL = stereo ? 1.0f : PanLeft(pan), panR = stereo ? 1.0f : PanRight(pan);
  const int begin = std::max(0, -at), end = std::min(length, kSongFrames - at);
  for (int s = 0; s < kMaxSends; ++s) {
    TStereo* bus = to.bus[s];
    const float gain = scale * to.gain[s];
    if (!bus || gain == 0.0f) continue;
    const float l = gain * panL, r = gain * panR;
    for (int i = begin; i < end; ++i) {
      bus->left[at + i] += l * scratch[i];
      bus->right[at + i] += r * right[i];
    }
  }
}

// A voice's length, with its release, cut to what the scratch holds.
int VoiceFrames(int length) { return std::clamp(length, 0, kLongestVoice); }

// The six detuned square waves of a metal cymbal, summed (-6..6).
struct TMetal {
  TOsc osc[6];
  double Next() {
    static const double kHz[6] = {205.3 * 2.1, 304.4 * 2.1, 369.6 * 2.1,
                                  522.7 * 2.1, 540.0 * 2.1, 800.0 * 2.1};
    double v = 0.0;
    for (int n = 0; n < 6; ++n) v += osc[n].Square(kHz[n]);
    return v;
  }
};

}  // namespace

void ClearStereo(TStereo* bus) {
  bus->left.assign(kSongFrames, 0.0f);
  bus->right.assign(kSongFrames, 0.0f);
}

float TNoise::Next() {
  // xorshift32; the state must not be 0.
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return static_cast<float>(state) / 2147483648.0f - 1.0f;
}

void AddKick(const TSends& to, int at, float gain) {
  // A sine swept from about 450 Hz down to 52 Hz: the fast part of the sweep
  // is the beater's knock, the slow part the body. Held for 12 ms, then a
  // steep decay, gone after 150 ms, with a short band of noise at 3 kHz for
  // the attack that carries on small speakers: a tight kick that leaves the
  // low end to the bass between beats.
  const int length = Frames(0.15);
  TOsc body;
  TNoise noise{0x9E3779B9u};
  TFilter knock;
  knock.Set(3000.0, 1.2);
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    const double hz = 52.0 + 110.0 * std::exp(-t / 0.025) + 300.0 * std::exp(-t / 0.004);
    const double amp = t < 0.012 ? 1.0 : std::exp(-(t - 0.012) / 0.026);
    knock.Run(noise.Next());
    const double click = knock.band * 0.9 * std::exp(-t / 0.004);
    const double x = std::tanh(1.6 * body.Sine(hz) * amp) / std::tanh(1.6) + click;
    scratch[i] = static_cast<float>(x * std::min(1.0, t / 0.0004) * TailFade(i, length));
  }
  Place(to, at, length, false, HitScale(length, gain), 0.0f);
}

void AddSnare(const TSends& to, int at, float gain, float decaySeconds) {
  // Two tuned membrane modes and a band of bright noise (the wires).
  const int length = VoiceFrames(Frames(0.03 + decaySeconds * 6.0));
  TOsc low, high;
  TFilter wires;
  wires.Set(5200.0, 0.7);
  TNoise noise{0x51A7E5u + static_cast<uint32_t>(at)};
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    const double bend = 1.0 + 0.25 * std::exp(-t / 0.012);
    const double tone =
        (0.6 * low.Sine(185.0 * bend) + 0.35 * high.Sine(332.0 * bend)) * std::exp(-t / 0.035);
    wires.Run(noise.Next());
    const double hiss = (wires.band + 0.4 * wires.high) * std::exp(-t / decaySeconds);
    const double attack = std::min(1.0, t / 0.0007);
    scratch[i] = static_cast<float>((tone + 1.6 * hiss) * attack * TailFade(i, length));
  }
  Place(to, at, length, false, HitScale(length, gain), 0.0f);
}

void AddClap(const TSends& to, int at, float gain) {
  // Three quick bursts of band-passed noise and a short room tail.
  const int length = Frames(0.45);
  TFilter band;
  band.Set(1300.0, 1.4);
  TNoise noise{0xC1A9u + static_cast<uint32_t>(at)};
  static const double kBursts[3] = {0.0, 0.009, 0.019};
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    double amp = 0.0;
    for (double start : kBursts) {
      if (t >= start && t < 0.026) amp = std::max(amp, std::exp(-(t - start) / 0.005));
    }
    if (t >= 0.026) amp = 0.8 * std::exp(-(t - 0.026) / 0.07);
    band.Run(noise.Next());
    scratch[i] = static_cast<float>(band.band * amp * std::min(1.0, t / 0.0005 + 0.01) *
                                    TailFade(i, length));
  }
  Place(to, at, length, false, HitScale(length, gain), 0.1f);
}

void AddHat(const TSends& to, int at, float gain, bool open, float pan) {
  const double decay = open ? 0.11 : 0.016;
  const int length = Frames(decay * 6.0);
  TMetal metal;
  TFilter air;
  air.Set(8000.0, 0.9);
  TNoise noise{0x4A7u + static_cast<uint32_t>(at)};
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    air.Run(0.12 * metal.Next() + 0.8 * noise.Next());
    const double attack = std::min(1.0, t / 0.0004);
    scratch[i] = static_cast<float>(air.high * std::exp(-t / decay) * attack * TailFade(i, length));
  }
  Place(to, at, length, false, HitScale(length, gain), pan);
}

void AddCrash(const TSends& to, int at, float gain) {
  // A wide cymbal: each side its own noise, a shared metal tone.
  const int length = Frames(2.2);
  TMetal metal;
  TFilter airL, airR;
  airL.Set(4200.0, 0.6);
  airR.Set(4600.0, 0.6);
  TNoise noiseL{0xC2A5u}, noiseR{0x7E11u};
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    const double env = std::exp(-t / 0.55) * std::min(1.0, t / 0.002) * TailFade(i, length);
    const double ring = 0.1 * metal.Next();
    airL.Run(ring + noiseL.Next());
    airR.Run(ring + noiseR.Next());
    scratch[i] = static_cast<float>(airL.high * env);
    scratchRight[i] = static_cast<float>(airR.high * env);
  }
  Place(to, at, length, true, HitScale(length, gain, true), 0.0f);
}

void AddTom(const TSends& to, int at, int note, float gain, float pan) {
  const int length = Frames(0.5);
  TOsc skin;
  const double hz = NoteHz(note);
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    const double x = skin.Sine(hz * (1.0 + 0.5 * std::exp(-t / 0.03))) * std::exp(-t / 0.14);
    scratch[i] = static_cast<float>(x * TailFade(i, length));
  }
  Place(to, at, length, false, HitScale(length, gain), pan);
}

void AddImpact(const TSends& to, int at, float gain, float decaySeconds) {
  // A sine falling from 62 to 42 Hz, a thump strongest at its start, under
  // a burst of noise that darkens as it decays, each side partly its own
  // noise. The noise is full for 110 ms, then gone in `decaySeconds` (to
  // 1/e) with a long, quiet tail: a dense blow whose loudness lies in its
  // first tenth of a second.
  const int length = Frames(0.6);
  const double hold = 0.11;
  TOsc boom;
  boom.phase = 0.25;  // from its crest: the weight lands on the beat
  TFilter darkL, darkR;
  TNoise noiseL{0x1B9Du + static_cast<uint32_t>(at)}, noiseR{0x77C3u + static_cast<uint32_t>(at)};
  TNoise noiseC{0x3D51u + static_cast<uint32_t>(at)};
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    if ((i & 15) == 0) {
      const double hz = 1200.0 + 5000.0 * std::exp(-t / 0.3);
      darkL.Set(hz, 0.8);
      darkR.Set(hz * 1.1, 0.8);
    }
    const double shared = noiseC.Next();
    darkL.Run(0.6 * shared + 0.4 * noiseL.Next());
    darkR.Run(0.6 * shared + 0.4 * noiseR.Next());
    const double body = t < hold ? 1.0 : std::exp(-(t - hold) / decaySeconds);
    const double amp = 0.85 * body + 0.15 * std::exp(-t / 0.2);
    const double thump = 0.85 * std::exp(-t / 0.025) + 0.15 * amp;
    const double low = boom.Sine(42.0 + 20.0 * std::exp(-t / 0.05)) * thump;
    const double edge = std::min(1.0, t / 0.0006) * TailFade(i, length);
    scratch[i] = static_cast<float>((0.6 * low + 1.4 * darkL.low * amp) * edge);
    scratchRight[i] = static_cast<float>((0.6 * low + 1.4 * darkR.low * amp) * edge);
  }
  Place(to, at, length, true, HitScale(length, gain, true), 0.0f);
}

void AddBass(const TSends& to, int at, int length, int note, float gain, float bright) {
  // A saw and a sub sine through a resonant lowpass whose cutoff drops after
  // the attack: a round, plucked bass. `bright` keeps more of the saw's
  // upper harmonics, which carry the line on small speakers.
  const int release = Frames(0.025);
  const int frames = VoiceFrames(length + release);
  const double hz = NoteHz(note);
  TOsc saw, sub;
  TFilter filter;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    if ((i & 15) == 0) {
      filter.Set(180.0 + 500.0 * bright + (1000.0 + 1500.0 * bright) * std::exp(-t / 0.08), 1.4);
    }
    filter.Run(saw.Saw(hz));
    const double env = GateEnvelope(i, Frames(0.003), frames - release, release);
    scratch[i] = static_cast<float>((0.75 * filter.low + 0.4 * sub.Sine(hz)) * env * gain);
  }
  Place(to, at, frames, false, 1.0f, 0.0f);
}

void AddPad(const TSends& to, int at, int length, const int* notes, float gain, float bright) {
  // Two detuned saws per note on each side (different detune left and right
  // for width), a slow attack and a long release, through a soft lowpass
  // that breathes once every 4 seconds; `bright` raises its cutoff from
  // 700 Hz to 3.7 kHz.
  const int attack = Frames(0.12), release = Frames(0.4);
  const int frames = VoiceFrames(length + release);
  static const double kDetune[2][2] = {{-0.0042, 0.0061}, {0.0049, -0.0057}};
  TOsc osc[kChordNotes][2][2];
  double hz[kChordNotes];
  int count = 0;
  for (; count < kChordNotes && notes[count] > 0; ++count) {
    hz[count] = NoteHz(notes[count]);
    for (int side = 0; side < 2; ++side) {
      for (int v = 0; v < 2; ++v) osc[count][side][v].phase = 0.17 * count + 0.31 * side + 0.5 * v;
    }
  }
  if (count == 0) return;
  TFilter filter[2];
  const double scale = gain / (1.5 * count);
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    if ((i & 31) == 0) {
      const double cutoff = (700.0 + 3000.0 * bright) * (1.0 + 0.3 * std::sin(kTwoPi * 0.25 * t));
      filter[0].Set(cutoff, 0.8);
      filter[1].Set(cutoff * 1.07, 0.8);
    }
    double side[2] = {0.0, 0.0};
    for (int n = 0; n < count; ++n) {
      for (int s = 0; s < 2; ++s) {
        side[s] += osc[n][s][0].Saw(hz[n] * (1.0 + kDetune[s][0])) +
                   osc[n][s][1].Saw(hz[n] * (1.0 + kDetune[s][1]));
      }
    }
    filter[0].Run(side[0]);
    filter[1].Run(side[1]);
    const double env = GateEnvelope(i, attack, frames - release, release) * scale;
    scratch[i] = static_cast<float>(filter[0].low * env);
    scratchRight[i] = static_cast<float>(filter[1].low * env);
  }
  Place(to, at, frames, true, 1.0f, 0.0f);
}

void AddPluck(const TSends& to, int at, int length, int note, float gain, float pan, float bright) {
  // Saw plus square through a lowpass that closes fast: a plucked string or
  // a synth stab. `bright` 0..1 opens the filter.
  const int release = Frames(0.03);
  const int frames = VoiceFrames(length + release);
  const double hz = NoteHz(note);
  TOsc saw, square;
  TFilter filter;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    if ((i & 15) == 0) filter.Set(hz * 1.5 + bright * 6000.0 * std::exp(-t / 0.045), 1.1);
    filter.Run(0.6 * saw.Saw(hz) + 0.4 * square.Square(hz * 1.003));
    const double env =
        GateEnvelope(i, Frames(0.002), frames - release, release) * std::exp(-t / 0.2);
    scratch[i] = static_cast<float>(filter.low * env * gain);
  }
  Place(to, at, frames, false, 1.0f, pan);
}

void AddLead(const TSends& to, int at, int length, int note, float gain, float attackSeconds,
             float bright) {
  // Two saws a few cents apart and a square an octave down on each side, the
  // sides detuned against each other, with vibrato that fades in on long
  // notes and a filter that softens after the attack.
  const int release = Frames(0.09);
  const int frames = VoiceFrames(length + release);
  const int attack = std::max(Frames(0.004), Frames(attackSeconds));
  const double hz = NoteHz(note);
  static const double kSideDetune[2] = {1.0021, 0.9979};
  float* out[2] = {scratch, scratchRight};
  for (int side = 0; side < 2; ++side) {
    TOsc a, b, c, lfo;
    a.phase = 0.3 * side;
    lfo.phase = 0.25 * side;
    TFilter filter;
    for (int i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / kSongRate;
      const double depth = 0.006 * std::clamp((t - 0.18) / 0.3, 0.0, 1.0);
      const double f = hz * kSideDetune[side] * (1.0 + depth * lfo.Sine(5.6));
      if ((i & 15) == 0) {
        filter.Set((1500.0 + 1800.0 * bright) + 2600.0 * std::exp(-t / 0.12), 1.2);
      }
      filter.Run(0.45 * a.Saw(f * 1.0029) + 0.45 * b.Saw(f * 0.9971) + 0.3 * c.Square(f * 0.5));
      const double env = GateEnvelope(i, attack, frames - release, release);
      out[side][i] = static_cast<float>(filter.low * env * gain);
    }
  }
  Place(to, at, frames, true, 1.0f, 0.0f);
}

void AddBubble(const TSends& to, int at, int note, float gain, float pan) {
  // A sine that swoops up a fifth into its note, the sound of a rising bubble.
  const int length = Frames(0.3);
  const double hz = NoteHz(note);
  TOsc osc;
  for (int i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSongRate;
    const double f = hz * std::pow(2.0, -7.0 / 12.0 * std::exp(-t / 0.018));
    const double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.07);
    scratch[i] = static_cast<float>(osc.Sine(f) * env * TailFade(i, length));
  }
  Place(to, at, length, false, HitScale(length, gain), pan);
}

void AddRiser(const TSends& to, int at, int length, float gain) {
  // Noise through a band that sweeps from 300 Hz to 7 kHz, swelling in.
  const int frames = VoiceFrames(length);
  TFilter bandL, bandR;
  TNoise noiseL{0x2151u}, noiseR{0x6A09u};
  for (int i = 0; i < frames; ++i) {
    const double u = static_cast<double>(i) / frames;
    if ((i & 31) == 0) {
      const double hz = 300.0 * std::pow(7000.0 / 300.0, u);
      bandL.Set(hz, 2.5);
      bandR.Set(hz * 1.05, 2.5);
    }
    bandL.Run(noiseL.Next());
    bandR.Run(noiseR.Next());
    const double env = gain * u * u * TailFade(i, frames);
    scratch[i] = static_cast<float>(bandL.band * env);
    scratchRight[i] = static_cast<float>(bandR.band * env);
  }
  Place(to, at, frames, true, 1.0f, 0.0f);
}
