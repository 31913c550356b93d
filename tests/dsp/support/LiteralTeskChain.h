#pragma once

// Reference for TeskChain: the signal chain written out step by step with the plain
// building blocks, recomputing every gain and every fixed filter's coefficients on every
// sample and shifting the oversampler histories in full. Deliberately unoptimised; the
// real chain must match it bit for bit. Header-only so the benchmarks can build it too.
//
// Changes in motion, sample by sample (n counts every sample since construction):
// - Continuous values (band gains, output gains, DRIVE) glide. A new stored value seen at
//   a block start becomes the target; from the next n that is a multiple of
//   TeskChain::kGlideInterval on, every such n takes one of N steps along a cubic from the
//   value in effect (with its current speed) to the target (at rest), kept between the two;
//   N is TeskChain::kGlideSeconds in intervals at the sample rate of the glide's start.
//   From rest the cubic is 3x^2 - 2x^3. Band filters are retuned at those n only.
// - Switch-like values (MS, OVER, the band and low-cut selections) crossfade: the running
//   sound path with everything it holds is copied and the copy keeps the old switches;
//   both run for F samples (TeskChain::kFadeSeconds), sample j of the fade taking
//   (j + 1) / (F + 1) of the new path. A change seen during a fade waits for its end.
// - BY fades between the processed sound and the input delayed by the chain's latency
//   over F samples, one step of 1 / (F + 1) per sample, and turns back where it is.
// - Values seen while nothing has been processed since construction or SkipTransitions
//   apply at once.

#include "dsp/Biquad.h"
#include "dsp/StOversampler4x.h"
#include "dsp/TeskChain.h"
#include "dsp/Tesk_Harm.h"

#include <cmath>
#include <cstdint>

class LiteralTeskChain
{
public:
  LiteralTeskChain()
  {
    for (double& v : stored)
      v = 0.0;
    stored[14] = -40.0; // DRIVE
    stored[30] = 1.0;   // LCUTL
    stored[31] = 1.0;   // LCUTR
    for (int p = 0; p < 15; ++p)
      glide[p].cur = glide[p].from = glide[p].to = stored[p];
  }

  // Indexed like TeskChain::ParamIdx; indices 15, 16, 17 and 32 are unused.
  double stored[33];
  double SR = 44100.0;

  // The next block that processes samples applies every value at once.
  void SkipTransitions() { snap = true; }

  void Process(const double* inL, const double* inR, double* outL, double* outR, int nFrames,
               int BY, int MS, int OVER)
  {
    // Frequency selection.
    Select(stored[28], freq[0], 20, 60, 40);
    Select(stored[29], freq[1], 20, 60, 40);
    Select(stored[20], freq[2], 80, 120);
    Select(stored[21], freq[3], 80, 120);
    Select(stored[22], freq[4], 400, 800, 630);
    Select(stored[23], freq[5], 400, 800, 630);
    Select(stored[24], freq[6], 1000, 3000, 2000);
    Select(stored[25], freq[7], 1000, 3000, 2000);
    Select(stored[26], freq[8], 5000, 8000);
    Select(stored[27], freq[9], 5000, 8000);
    Select(stored[18], freq[10], 12000, 15000, 20000);
    Select(stored[19], freq[11], 12000, 15000, 20000);
    Select(stored[30], freq[12], 25, 1);
    Select(stored[31], freq[13], 25, 1);

    // New targets.
    for (int p = 0; p < 15; ++p)
    {
      Glide& g = glide[p];
      if (stored[p] == g.to)
        continue;
      g.speed = g.step < g.steps ? g.Speed() : 0.0;
      g.from = g.cur;
      g.to = stored[p];
      g.step = 0;
      g.steps = GlideSteps();
    }
    const int fadeLength = FadeLength();
    const bool bypassed = BY == 1;
    if (bypassed != byTarget)
    {
      if (byPos == 0 || byPos == byLength + 1)
        byLength = fadeLength;
      byTarget = bypassed;
    }
    if (snap)
    {
      for (Glide& g : glide)
      {
        g.cur = g.to;
        g.step = g.steps;
      }
      byPos = byTarget ? byLength + 1 : 0;
      fading = false;
      SetSwitches(cur, MS, OVER);
    }
    else if (!fading && !Matches(cur, MS, OVER))
      StartFade(MS, OVER);

    // Filter configuration.
    cur.Configure(glide, SR);
    if (fading)
      prev.Configure(glide, SR);

    if (nFrames < 1)
      return;
    snap = false;

    for (int i = 0; i < nFrames; ++i, ++count)
    {
      if (count % TeskChain::kGlideInterval == 0)
      {
        bool bands = false;
        for (int p = 0; p < 15; ++p)
        {
          Glide& g = glide[p];
          if (g.step >= g.steps)
            continue;
          ++g.step;
          g.cur = g.step == g.steps ? g.to : g.Value();
          bands = bands || p < 12;
        }
        if (bands)
        {
          cur.Configure(glide, SR);
          if (fading)
            prev.Configure(glide, SR);
        }
      }
      if (fading && count == fadeStart + uint64_t(fadeSteps))
      {
        fading = false;
        if (!Matches(cur, MS, OVER))
          StartFade(MS, OVER);
      }

      const double t = std::pow(10.0, glide[14].cur / 20.0);
      const double u = std::pow(10.0, (0.5 - glide[14].cur) / 20.0);
      const double gL = std::pow(10.0, glide[12].cur / 20.0);
      const double gR = std::pow(10.0, glide[13].cur / 20.0);

      if (byTarget && byPos < byLength + 1)
        ++byPos;
      if (!byTarget && byPos > 0)
        --byPos;
      const double byW = double(byPos) / double(byLength + 1);

      double l, r;
      cur.Sample(inL[i], inR[i], t, u, gL, gR, l, r);
      Bypass(cur, byW, l, r);
      if (fading)
      {
        double pl, pr;
        prev.Sample(inL[i], inR[i], t, u, gL, gR, pl, pr);
        Bypass(prev, byW, pl, pr);
        const double w = double(count - fadeStart + 1) / double(fadeSteps + 1);
        l = pl * (1.0 - w) + l * w;
        r = pr * (1.0 - w) + r * w;
      }
      for (int k = 9; k > 0; --k)
      {
        dryL[k] = dryL[k - 1];
        dryR[k] = dryR[k - 1];
      }
      dryL[0] = inL[i];
      dryR[0] = inR[i];
      outL[i] = l;
      outR[i] = r;
    }
  }

  // The selected frequencies in Hz, in TeskChain::Band order (the requested ones: the
  // running path takes them at the start of its next crossfade).
  double freq[14] = {20, 20, 80, 80, 400, 400, 1000, 1000, 5000, 5000, 12000, 12000, 1, 1};

private:
  struct Glide
  {
    double cur = 0, from = 0, to = 0;
    double speed = 0; // at the start, in value per glide time
    int step = 0, steps = 0;

    // The cubic at x.
    double Cubic(double x) const
    {
      const double x2 = x * x;
      const double x3 = x2 * x;
      return from + (to - from) * (3.0 * x2 - 2.0 * x3) + speed * (x - 2.0 * x2 + x3);
    }
    double Lo() const { return from < to ? from : to; }
    double Hi() const { return from < to ? to : from; }
    // The cubic at step / steps, kept between from and to.
    double Value() const
    {
      const double v = Cubic(double(step) / double(steps));
      return v < Lo() ? Lo() : (v > Hi() ? Hi() : v);
    }
    // The cubic's slope at step / steps; 0 where the value is held at an end.
    double Speed() const
    {
      const double x = double(step) / double(steps);
      const double v = Cubic(x);
      if (v < Lo() || v > Hi())
        return 0.0;
      const double x2 = x * x;
      return (to - from) * (6.0 * x - 6.0 * x2) + speed * (1.0 - 4.0 * x + 3.0 * x2);
    }
  };

  // One sound path with its switches and everything it holds.
  struct Path
  {
    int MS = 1, OVER = 0;
    double freq[14] = {20, 20, 80, 80, 400, 400, 1000, 1000, 5000, 5000, 12000, 12000, 1, 1};

    void Configure(const Glide* g, double SR)
    {
      // Band gain of each filter, in filter order.
      const int gain[12] = {10, 11, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1};
      Biquad* bands[12] = {&mLowL, &mLowR, &mMid1L, &mMid1R, &mMid2L, &mMid2R,
                           &mMid3L, &mMid3R, &mMid4L, &mMid4R, &mHighL, &mHighR};
      for (int k = 0; k < 12; ++k)
        bands[k]->setBiquad(Biquad::Peak, (freq[k] / SR) * 0.125, 0.667, g[gain[k]].cur);
      mCutL.setBiquad(Biquad::Highpass, (freq[12] / SR) * 0.125, 0.667, 1.0);
      mCutR.setBiquad(Biquad::Highpass, (freq[13] / SR) * 0.125, 0.667, 1.0);
    }

    // One sample of the processed sound, before the bypass.
    void Sample(double inL, double inR, double t, double u, double gL, double gR, double& outL,
                double& outR)
    {
      double a, b;
      if (MS == 1)
      {
        a = inL + 1e-10;
        b = inR + 1e-10;
      }
      else
      {
        a = (inL + inR) / 1.4142135623730951 + 1e-10;
        b = (inL - inR) / 1.4142135623730951 + 1e-10;
      }

      mSatOsL.up4(a * t);
      for (int k = 27; k <= 30; ++k)
        mSatOsL.out(k) = Tesk_Harm(mSatOsL.out(k));
      mSatOsR.up4(b * t);
      for (int k = 27; k <= 30; ++k)
        mSatOsR.out(k) = Tesk_Harm(mSatOsR.out(k));

      const double satL = Tesk_Harm(a * t);
      const double satR = Tesk_Harm(b * t);

      mSatPeakL.setBiquad(Biquad::Peak, 0.25, 3.5, 9.0);
      mSatPeakR.setBiquad(Biquad::Peak, 0.25, 3.5, 9.0);

      double sL, sR;
      if (OVER == 1)
      {
        const float v = static_cast<float>(mSatOsL.down4() * u);
        sL = mSatPeakL.process(v);
      }
      else
        sL = satL * u;
      mSatPeakL.process(0.0);
      if (OVER == 1)
      {
        const float v = static_cast<float>(mSatOsR.down4() * u);
        sR = mSatPeakR.process(v);
      }
      else
        sR = satR * u;
      mSatPeakR.process(0.0);

      for (int pass = 0; pass < 2; ++pass)
      {
        mEqOsL.up4(sL);
        for (int k = 27; k <= 30; ++k)
        {
          float x = static_cast<float>(mEqOsL.out(k));
          x = mLowL.process(x);
          x = mMid1L.process(x);
          x = mMid2L.process(x);
          x = mMid3L.process(x);
          x = mMid4L.process(x);
          x = mHighL.process(x);
          x = mCutL.process(x);
          mEqOsL.out(k) = x;
        }
        mEqOsR.up4(sR);
        for (int k = 27; k <= 30; ++k)
        {
          float x = static_cast<float>(mEqOsR.out(k));
          x = mLowR.process(x);
          x = mMid1R.process(x);
          x = mMid2R.process(x);
          x = mMid3R.process(x);
          x = mMid4R.process(x);
          x = mHighR.process(x);
          x = mCutR.process(x);
          mEqOsR.out(k) = x;
        }
      }

      mOutPeakL.setBiquad(Biquad::Peak, 0.25, 0.4, -2.5);
      mOutPeakR.setBiquad(Biquad::Peak, 0.25, 0.4, -2.5);

      const double yL = gL * mOutPeakL.process(static_cast<float>(mEqOsL.down4()));
      mOutPeakL.process(0.0);
      const double yR = gR * mOutPeakR.process(static_cast<float>(mEqOsR.down4()));
      mOutPeakR.process(0.0);

      double L, R;
      if (MS == 0)
      {
        L = (yL + yR) / 1.4142135623730951;
        R = (yL - yR) / 1.4142135623730951;
      }
      else
      {
        L = yL;
        R = yR;
      }
      outL = L - 1e-10;
      outR = R - 1e-10;
    }

    StOversampler4x mSatOsL, mSatOsR, mEqOsL, mEqOsR;
    Biquad mLowL, mLowR, mMid1L, mMid1R, mMid2L, mMid2R, mMid3L, mMid3R, mMid4L, mMid4R;
    Biquad mHighL, mHighR, mOutPeakL, mOutPeakR, mSatPeakL, mSatPeakR, mCutL, mCutR;
  };

  int GlideSteps() const
  {
    const long n = std::lround(TeskChain::kGlideSeconds * SR / TeskChain::kGlideInterval);
    return n < 1 ? 1 : int(n);
  }
  int FadeLength() const
  {
    const long n = std::lround(TeskChain::kFadeSeconds * SR);
    return n < 1 ? 1 : int(n);
  }

  bool Matches(const Path& p, int MS, int OVER) const
  {
    if (p.MS != MS || p.OVER != OVER)
      return false;
    for (int k = 0; k < 14; ++k)
      if (p.freq[k] != freq[k])
        return false;
    return true;
  }
  void SetSwitches(Path& p, int MS, int OVER) const
  {
    p.MS = MS;
    p.OVER = OVER;
    for (int k = 0; k < 14; ++k)
      p.freq[k] = freq[k];
  }
  void StartFade(int MS, int OVER)
  {
    prev = cur;
    SetSwitches(cur, MS, OVER);
    cur.Configure(glide, SR);
    fading = true;
    fadeStart = count;
    fadeSteps = FadeLength();
  }

  // The bypass: the input delayed by the path's latency, weighted by w (0 processed,
  // 1 bypassed). The ends select, so the bypassed output is the input bit for bit.
  void Bypass(const Path& p, double w, double& l, double& r) const
  {
    const int lag = TeskChain::LatencySamples(p.OVER == 1 ? 1 : 0);
    const double dl = lag == 0 ? 0.0 : dryL[lag - 1];
    const double dr = lag == 0 ? 0.0 : dryR[lag - 1];
    if (byPos == 0)
      return;
    if (byPos == byLength + 1)
    {
      l = dl;
      r = dr;
      return;
    }
    l = l * (1.0 - w) + dl * w;
    r = r * (1.0 - w) + dr * w;
  }

  static void Select(double sel, double& freq, double f0, double f1, double f2)
  {
    if (sel == 0)
      freq = f0;
    if (sel == 1)
      freq = f1;
    if (sel == 2)
      freq = f2;
  }
  static void Select(double sel, double& freq, double f0, double f1)
  {
    if (sel == 0)
      freq = f0;
    if (sel == 1)
      freq = f1;
  }

  Glide glide[15]; // indexed like stored[0..14]
  Path cur, prev;  // prev: the path fading out
  bool fading = false;
  uint64_t fadeStart = 0;
  int fadeSteps = 0;
  bool byTarget = false;
  int byPos = 0, byLength = 1; // byPos 0 processed .. byLength + 1 bypassed
  double dryL[10] = {}, dryR[10] = {}; // dry[k]: the input k + 1 samples ago
  uint64_t count = 0;
  bool snap = true;
};
