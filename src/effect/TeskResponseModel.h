#pragma once

#include <complex>

#include "dsp/TeskBands.h"

// The magnitude response of the sound path's equaliser stage for given band settings, computed
// from the settings alone (no audio): what the editor's response curve draws.
//
// The stage runs its seven filters (six peaks and the low cut's high-pass, Biquad, at eight
// times the host rate) between the four-times interpolator, fed twice per host sample, and the
// decimator that keeps one sample in eight. Up-sampling, a fixed filter and down-sampling by the
// same factor form a time-invariant system at the host rate whose response at frequency f is
// the filters' response at f plus their response at the images f - k x rate (k = 1 ... 7),
// each weighted by what the interpolator and decimator let through there. The image one rate
// below (rate - f) is strong: near 20 kHz at 44.1 kHz it is almost as strong as f itself, so
// the stage's real response there differs from the bare filter product by many dB. This model
// includes every image that counts and is exact up to the filters' float rounding.
//
// The curve is the stage's response at the settings divided by its response with every filter
// flat: the interpolator's and decimator's own (fixed) response is not drawn, the equaliser's
// whole effect is, images included. Neither the output gain nor the fixed output filter is part
// of it.
//
// Plain value type; Compute allocates nothing. Not thread-safe by itself (the editor's UI thread).
class TeskResponseModel
{
public:
  static constexpr int kPoints = 256;  // log-spaced from kMinHz to kMaxHz
  static constexpr double kMinHz = 20.0, kMaxHz = 20000.0;

  // One channel's settings: frequency in Hz per band (TeskBands::Band order: low, mid 1-4,
  // high, low cut) and gain in dB per peak band (low, mid 1-4, high).
  struct Channel
  {
    double hz[TeskBands::kNumBands];
    double gainDb[TeskBands::kNumBands - 1];
  };

  static double PointHz(int point);

  // The response in dB at every point for sampleRate (host rate in Hz, above 0) into db[kPoints].
  // Points at or above half the rate have no meaning at that rate and receive NaN.
  void Compute(double sampleRate, const Channel& channel, double* db);

private:
  static constexpr int kMaxImages = 8;
  struct Image
  {
    std::complex<double> weight;  // what interpolator and decimator pass at this image
    std::complex<double> z1, z2;  // e^(-j theta), e^(-2j theta) at the eight-times rate
  };
  // Weights and unit delays for sampleRate (only when it changed).
  void Prepare(double sampleRate);

  double mRate = 0.0;
  Image mImages[kPoints][kMaxImages];
  int mNumImages[kPoints] = {};
  double mFlat[kPoints] = {};  // |response| with every filter flat
};
