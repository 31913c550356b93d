#pragma once

// Reference for TeskChain: the signal chain written out step by step with the plain
// building blocks, recomputing every gain and every fixed filter's coefficients on every
// sample and shifting the oversampler histories in full. Deliberately unoptimised; the
// real chain must match it bit for bit. Header-only so the benchmarks can build it too.

#include "dsp/Biquad.h"
#include "dsp/StOversampler4x.h"
#include "dsp/Tesk_Harm.h"

#include <cmath>

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
  }

  // Indexed like TeskChain::ParamIdx; indices 15, 16, 17 and 32 are unused.
  double stored[33];
  double SR = 44100.0;

  void Process(const double* inL, const double* inR, double* outL, double* outR, int nFrames,
               int BY, int MS, int OVER)
  {
    // Frequency selection.
    Select(stored[28], freqLowL, 20, 60, 40);
    Select(stored[29], freqLowR, 20, 60, 40);
    Select(stored[20], freqMid1L, 80, 120);
    Select(stored[21], freqMid1R, 80, 120);
    Select(stored[22], freqMid2L, 400, 800, 630);
    Select(stored[23], freqMid2R, 400, 800, 630);
    Select(stored[24], freqMid3L, 1000, 3000, 2000);
    Select(stored[25], freqMid3R, 1000, 3000, 2000);
    Select(stored[26], freqMid4L, 5000, 8000);
    Select(stored[27], freqMid4R, 5000, 8000);
    Select(stored[18], freqHighL, 12000, 15000, 20000);
    Select(stored[19], freqHighR, 12000, 15000, 20000);
    Select(stored[30], freqCutL, 25, 1);
    Select(stored[31], freqCutR, 25, 1);

    // Filter configuration.
    mLowL.setBiquad(Biquad::Peak, (freqLowL / SR) * 0.125, 0.667, stored[10]);
    mLowR.setBiquad(Biquad::Peak, (freqLowR / SR) * 0.125, 0.667, stored[11]);
    mMid1L.setBiquad(Biquad::Peak, (freqMid1L / SR) * 0.125, 0.667, stored[2]);
    mMid1R.setBiquad(Biquad::Peak, (freqMid1R / SR) * 0.125, 0.667, stored[3]);
    mMid2L.setBiquad(Biquad::Peak, (freqMid2L / SR) * 0.125, 0.667, stored[4]);
    mMid2R.setBiquad(Biquad::Peak, (freqMid2R / SR) * 0.125, 0.667, stored[5]);
    mMid3L.setBiquad(Biquad::Peak, (freqMid3L / SR) * 0.125, 0.667, stored[6]);
    mMid3R.setBiquad(Biquad::Peak, (freqMid3R / SR) * 0.125, 0.667, stored[7]);
    mMid4L.setBiquad(Biquad::Peak, (freqMid4L / SR) * 0.125, 0.667, stored[8]);
    mMid4R.setBiquad(Biquad::Peak, (freqMid4R / SR) * 0.125, 0.667, stored[9]);
    mHighL.setBiquad(Biquad::Peak, (freqHighL / SR) * 0.125, 0.667, stored[0]);
    mHighR.setBiquad(Biquad::Peak, (freqHighR / SR) * 0.125, 0.667, stored[1]);
    mCutL.setBiquad(Biquad::Highpass, (freqCutL / SR) * 0.125, 0.667, 1.0);
    mCutR.setBiquad(Biquad::Highpass, (freqCutR / SR) * 0.125, 0.667, 1.0);

    if (nFrames < 1)
      return;

    for (int i = 0; i < nFrames; ++i)
    {
      const double t = std::pow(10.0, stored[14] / 20.0);
      const double u = std::pow(10.0, (0.5 - stored[14]) / 20.0);

      double a, b;
      if (MS == 1)
      {
        a = inL[i] + 1e-10;
        b = inR[i] + 1e-10;
      }
      else
      {
        a = (inL[i] + inR[i]) / 1.4142135623730951 + 1e-10;
        b = (inL[i] - inR[i]) / 1.4142135623730951 + 1e-10;
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

      const double yL =
          std::pow(10.0, stored[12] / 20.0) * mOutPeakL.process(static_cast<float>(mEqOsL.down4()));
      mOutPeakL.process(0.0);
      const double yR =
          std::pow(10.0, stored[13] / 20.0) * mOutPeakR.process(static_cast<float>(mEqOsR.down4()));
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

      if (BY == 1)
      {
        const double l = inL[i], r = inR[i];
        outL[i] = l;
        outR[i] = r;
      }
      else
      {
        outL[i] = L - 1e-10;
        outR[i] = R - 1e-10;
      }
    }
  }

  double freqLowL = 20, freqLowR = 20, freqMid1L = 80, freqMid1R = 80;
  double freqMid2L = 400, freqMid2R = 400, freqMid3L = 1000, freqMid3R = 1000;
  double freqMid4L = 5000, freqMid4R = 5000, freqHighL = 12000, freqHighR = 12000;
  double freqCutL = 1, freqCutR = 1;

  StOversampler4x mSatOsL, mSatOsR, mEqOsL, mEqOsR;
  Biquad mLowL, mLowR, mMid1L, mMid1R, mMid2L, mMid2R, mMid3L, mMid3R, mMid4L, mMid4R;
  Biquad mHighL, mHighR, mOutPeakL, mOutPeakR, mSatPeakL, mSatPeakR, mCutL, mCutR;

private:
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
};
