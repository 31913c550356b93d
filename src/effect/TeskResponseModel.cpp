#include "effect/TeskResponseModel.h"

#include <cmath>
#include <limits>

#include "dsp/Biquad.h"
#include "dsp/StOversampler4x.h"

namespace {

using Complex = std::complex<double>;
const double kPi = 3.14159265358979323846;
constexpr int kRatio = TeskBands::kEqOversampling;  // eight-times rate
// Images weaker than this (relative to a full-strength path) are left out. With the bands'
// gains limited to +-18 dB the filters' gain at an image and at the frequency itself differ by
// well under 40 dB, so such an image moves a value by less than 0.01 dB. This leaves one to
// three images per point (the two neighbours one rate away) instead of eight.
constexpr double kNegligible = 1e-5;

// The interpolator and the decimator as filters at the eight-times rate, measured from the
// oversampler itself so that they can never disagree with the sound path:
//   g: the eight-times stream that one host-rate unit impulse produces (fed twice per sample);
//   h: the decimator's weights over its 31-sample history, oldest first.
struct OversamplerTaps
{
  static constexpr int kG = 8 * 6;
  double g[kG];
  double h[StOversampler4x::kOutLen];

  OversamplerTaps()
  {
    StOversampler4x up;
    int m = 0;
    for (int n = 0; n < kG / 8; ++n)
      for (int pass = 0; pass < 2; ++pass)
      {
        up.up4(n == 0 ? 1.0 : 0.0);
        for (int k = 27; k <= 30; ++k) g[m++] = up.out(k);
      }
    StOversampler4x down;
    for (int i = 0; i < StOversampler4x::kOutLen; ++i)
    {
      for (int j = 0; j < StOversampler4x::kOutLen; ++j) down.out(j) = i == j ? 1.0 : 0.0;
      h[i] = down.down4();
    }
  }
};

const OversamplerTaps& Taps()
{
  static const OversamplerTaps taps;
  return taps;
}

}  // namespace

double TeskResponseModel::PointHz(int point)
{
  struct Table
  {
    double hz[kPoints];
    Table()
    {
      for (int p = 0; p < kPoints; ++p)
        hz[p] = kMinHz * std::pow(kMaxHz / kMinHz, static_cast<double>(p) / (kPoints - 1));
    }
  };
  static const Table table;
  return point >= 0 && point < kPoints ? table.hz[point] : 0.0;
}

void TeskResponseModel::Prepare(double sampleRate)
{
  if (sampleRate == mRate) return;
  mRate = sampleRate;
  const OversamplerTaps& taps = Taps();
  // At host step n the decimator reads the eight-times samples 8n - 23 ... 8n + 7.
  const int newest = StOversampler4x::kOutLen - 1 - (kRatio - 1);
  for (int p = 0; p < kPoints; ++p)
  {
    mNumImages[p] = 0;
    const double omega = 2.0 * kPi * PointHz(p) / sampleRate;
    Complex flat = 0.0;
    for (int k = 0; k < kRatio; ++k)
    {
      const double theta = (omega - 2.0 * kPi * k) / kRatio;
      Complex g = 0.0, h = 0.0;
      for (int m = 0; m < OversamplerTaps::kG; ++m) g += taps.g[m] * std::polar(1.0, -theta * m);
      for (int i = 0; i < StOversampler4x::kOutLen; ++i) h += taps.h[i] * std::polar(1.0, -theta * (newest - i));
      const Complex weight = g * h / static_cast<double>(kRatio);
      flat += weight;
      if (std::abs(weight) < kNegligible) continue;
      Image& image = mImages[p][mNumImages[p]++];
      image.weight = weight;
      image.z1 = std::polar(1.0, -theta);
      image.z2 = image.z1 * image.z1;
    }
    mFlat[p] = std::abs(flat);
  }
}

void TeskResponseModel::Compute(double sampleRate, const Channel& channel, double* db)
{
  if (!db) return;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate))
  {
    for (int p = 0; p < kPoints; ++p) db[p] = nan;
    return;
  }
  Prepare(sampleRate);

  // The filters exactly as the sound path tunes them.
  Biquad filters[TeskBands::kNumBands];
  for (int b = 0; b < TeskBands::kNumBands; ++b)
  {
    const double fc = (channel.hz[b] / sampleRate) / kRatio;
    if (b == TeskBands::kCut)
      filters[b].setBiquad(Biquad::Highpass, fc, TeskBands::kBandQ, 1.0);
    else
      filters[b].setBiquad(Biquad::Peak, fc, TeskBands::kBandQ, channel.gainDb[b]);
  }

  for (int p = 0; p < kPoints; ++p)
  {
    if (PointHz(p) >= 0.5 * sampleRate || !(mFlat[p] > 0.0))
    {
      db[p] = nan;
      continue;
    }
    // Complex arithmetic written out: std::complex's operators guard against infinities and
    // NaNs at a cost, and every factor here is finite and near 1.
    double sumRe = 0.0, sumIm = 0.0;
    for (int i = 0; i < mNumImages[p]; ++i)
    {
      const Image& image = mImages[p][i];
      const double z1r = image.z1.real(), z1i = image.z1.imag(), z2r = image.z2.real(), z2i = image.z2.imag();
      double nr = 1.0, ni = 0.0, dr = 1.0, di = 0.0;
      for (const Biquad& f : filters)
      {
        const double ar = f.a0 + f.a1 * z1r + f.a2 * z2r, ai = f.a1 * z1i + f.a2 * z2i;
        const double br = 1.0 + f.b1 * z1r + f.b2 * z2r, bi = f.b1 * z1i + f.b2 * z2i;
        const double nr2 = nr * ar - ni * ai, ni2 = nr * ai + ni * ar;
        const double dr2 = dr * br - di * bi, di2 = dr * bi + di * br;
        nr = nr2, ni = ni2, dr = dr2, di = di2;
      }
      // weight x num / den = weight x num x conj(den) / |den|^2
      const double qr = (nr * dr + ni * di) / (dr * dr + di * di), qi = (ni * dr - nr * di) / (dr * dr + di * di);
      const double wr = image.weight.real(), wi = image.weight.imag();
      sumRe += wr * qr - wi * qi;
      sumIm += wr * qi + wi * qr;
    }
    db[p] = 10.0 * std::log10((sumRe * sumRe + sumIm * sumIm) / (mFlat[p] * mFlat[p]));
  }
}
