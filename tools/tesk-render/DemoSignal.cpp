#include "DemoSignal.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>

namespace {

const double kPi = 3.14159265358979323846;

double MidiHz(int note)
{
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Deterministic white noise in [-1, 1).
struct Noise
{
  uint32_t state = 0x12345678u;
  double Next()
  {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

} // namespace

void MakeDemoSignal(AudioData& audio, int sampleRate, double seconds)
{
  const long frames = static_cast<long>(seconds * sampleRate);
  const double sr = sampleRate;
  const double beat = 0.5; // 120 bpm
  audio.sampleRate = sampleRate;
  audio.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  audio.channels.assign(2, std::vector<double>(static_cast<size_t>(frames), 0.0));
  std::vector<double>& L = audio.channels[0];
  std::vector<double>& R = audio.channels[1];

  // Chords per bar (C, Am, F, G) as MIDI notes; the bass plays the root an octave down.
  const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
  const int roots[4] = {36, 33, 29, 31};

  Noise noise;
  double hatLp = 0.0;
  double snareLp = 0.0;
  double bassPhase = 0.0;
  double bassLp = 0.0;
  double kickPhase = 0.0;
  for (long i = 0; i < frames; ++i) {
    const double t = i / sr;
    const double beatPos = t / beat;
    const int beatIndex = static_cast<int>(beatPos);
    const double inBeat = (beatPos - beatIndex) * beat; // seconds since the beat
    const int bar = (beatIndex / 4) % 4;
    const int beatInBar = beatIndex % 4;

    // Kick on every beat: falling sine with a click.
    const double kickF = 45.0 + 90.0 * std::exp(-inBeat * 30.0);
    kickPhase += 2.0 * kPi * kickF / sr;
    if (inBeat * sr < 1.0)
      kickPhase = 0.0;
    const double kick = 0.9 * std::sin(kickPhase) * std::exp(-inBeat * 7.0);

    // Snare on beats 2 and 4: filtered noise plus a short tone.
    const double n = noise.Next();
    snareLp += 0.45 * (n - snareLp);
    double snare = 0.0;
    if (beatInBar == 1 || beatInBar == 3)
      snare = (0.5 * snareLp + 0.3 * std::sin(2.0 * kPi * 185.0 * inBeat)) * std::exp(-inBeat * 18.0);

    // Hats on every eighth: high-passed noise, very short.
    const double eighth = std::fmod(t, beat / 2.0);
    hatLp += 0.6 * (n - hatLp);
    const double hat = 0.18 * (n - hatLp) * std::exp(-eighth * 60.0);

    // Bass: a soft saw on the bar's root, re-struck on each beat.
    const double bassF = MidiHz(roots[bar]);
    bassPhase += bassF / sr;
    bassPhase -= std::floor(bassPhase);
    const double saw = 2.0 * bassPhase - 1.0;
    bassLp += 0.08 * (saw - bassLp);
    const double bass = 0.45 * bassLp * (0.6 + 0.4 * std::exp(-inBeat * 6.0));

    // Chord: three voices with two harmonics each, slightly spread in the stereo field.
    double padL = 0.0;
    double padR = 0.0;
    for (int v = 0; v < 3; ++v) {
      const double f = MidiHz(chords[bar][v]);
      const double s = std::sin(2.0 * kPi * f * t) + 0.3 * std::sin(2.0 * kPi * 2.0 * f * t + 0.7) +
                       0.12 * std::sin(2.0 * kPi * 3.0 * f * t + 1.3);
      const double pan = (v - 1) * 0.35;
      padL += s * (1.0 - pan);
      padR += s * (1.0 + pan);
    }
    const double barTime = std::fmod(t, 4.0 * beat);
    const double swell = std::fmin(1.0, barTime * 4.0) * (0.85 + 0.15 * std::sin(2.0 * kPi * 0.5 * t));
    const double pad = 0.06 * swell;

    const double fade = std::fmin(1.0, std::fmin(t / 0.01, (seconds - t) / 0.05));
    const double mono = kick + snare + bass;
    L[i] = 0.3 * fade * (mono + 0.8 * hat + pad * padL);
    R[i] = 0.3 * fade * (mono + 1.2 * hat + pad * padR);
  }
}
