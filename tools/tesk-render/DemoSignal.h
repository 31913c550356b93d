#pragma once
// A short deterministic demo mix for trying the effect: drum-like transients (kick, snare,
// hats), a bass line and a sustained chord, stereo, peaking near -6 dBFS.

#include "AudioFile.h"

// Fills `audio` with `seconds` of stereo demo at `sampleRate` (4 bars at 120 bpm loop).
void MakeDemoSignal(AudioData& audio, int sampleRate = 48000, double seconds = 6.0);
