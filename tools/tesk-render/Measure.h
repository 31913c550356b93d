#pragma once
// Measures a loaded plug-in as it runs: the magnitude response of both processing
// channels from a low-level impulse, and the spectrum of a 1 kHz sine with its harmonics
// and THD+N. Everything comes from audio rendered through the plug-in; nothing is
// computed from a model of it.

#include "ProcessAudio.h"

#include <functional>
#include <string>
#include <vector>

struct Harmonic
{
  int order;        // 1 = the fundamental
  double hz;
  double dbfs;      // amplitude, 0 dBFS = a full-scale sine
  bool aboveFloor;  // at least kHarmonicMarginDb above the noise floor (and above kFloorDbfs)
};

struct ToneSpectrum
{
  std::string name;            // "Left", "Right"
  std::vector<double> dbfs;    // per bin of spectrumHz, scaled so a sine shows its amplitude
  std::vector<Harmonic> harmonics; // orders 1..kHarmonics, up to the Nyquist frequency
  double floorDbfs = 0.0;      // noise floor, as the amplitude of a sine spread like a harmonic
  double thdnDb = 0.0;         // (everything 20 Hz..20 kHz but the fundamental) / fundamental
  double thdnPercent = 0.0;
};

struct Measurement
{
  static constexpr double kRate = 48000.0;
  static constexpr double kImpulseDbfs = -40.0;
  static constexpr int kImpulseLength = 1 << 17; // 2.7 s: the 1 Hz low cut rings out
  static constexpr double kToneHz = 1000.0;
  static constexpr double kToneDbfs = -12.0;
  static constexpr int kHarmonics = 10;
  static constexpr double kHarmonicMarginDb = 10.0;
  static constexpr double kFloorDbfs = -200.0; // below this 64-bit rounding, not the plug-in

  int latency = 0;                 // samples, as the plug-in reports it
  std::string method;              // how the response was measured, for the legend
  std::vector<double> hz;          // response points, log-spaced 20 Hz..20 kHz
  std::string channelName[2];      // "L/M (left)", ...
  std::vector<double> db[2];       // response of each channel at hz
  std::vector<double> spectrumHz;  // tone spectrum bins, 0..Nyquist
  ToneSpectrum tone[2];            // left and right outputs
};

// Creates a fresh instance on `host` with the user's settings, started at `rate` on
// stereo buses. False with `error` on failure.
using FreshInstance = std::function<bool(VstHost& host, double rate, std::string& error)>;

// `midSide`: the plug-in's channels are mid and side (probed through the sum and the
// difference of the inputs) instead of left and right. `names` are the channels' names.
bool MeasurePlugin(VstHost& host, const FreshInstance& prepare, int block, bool midSide,
                   const std::string names[2], Measurement& m, std::string& error);

// Writes the measurement as text: the response table, then per output the harmonics,
// the noise floor and THD+N.
bool WriteMeasurementData(const std::string& path, const Measurement& m, std::string& error);
