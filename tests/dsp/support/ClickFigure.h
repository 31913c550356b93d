#pragma once

// How much a parameter change disturbs the sound: a 1 kHz sine at -12 dBFS runs through a
// TeskChain on both channels until it is settled, one change is made at a block start,
// and the output around the change is compared with the settled output before and after:
//   step ratio: the largest sample-to-sample step in the 150 ms from the change on,
//               divided by the larger of the settled largest steps before and after;
//   peak ratio: the largest magnitude in those 150 ms, divided by the larger of the
//               settled peaks before and after.
// A click shows as a step ratio well above 1 (a steady sine's step is about 0.13 of its
// peak at 48 kHz), an overshoot as a peak ratio above 1. Each change is made at 16 phases
// of the sine and the worst phase is reported. Each channel is judged against its own
// settled output; the figure is the worse channel.
//
// Header-only: the unit test and the table-printing benchmark program share it.

#include "dsp/TeskBands.h"
#include "dsp/TeskChain.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace click_figure {

typedef TeskChain C;

// The chain's inputs: every stored value and the three switches passed to Process.
struct Settings
{
  double stored[C::kNumParams];
  int by = 0;
  int ms = 1;
  int over = 0;

  // The parameters' defaults.
  Settings()
  {
    for (double& v : stored)
      v = 0.0;
    stored[C::kDRIVE] = -40.0;
    stored[C::kLCUTL] = 1.0;
    stored[C::kLCUTR] = 1.0;
  }
};

struct Range
{
  int idx;
  const char* name;
  double min, max;
  int gainIdx = -1; // a selection's band gain, boosted while the selection changes
};

// Every stored value with its parameter's range, in index order.
inline std::vector<Range> StoredRanges()
{
  std::vector<Range> r = {
      {C::kHGAINL, "HGAINL", -18, 18},   {C::kHGAINR, "HGAINR", -18, 18},
      {C::kMGAIN1L, "MGAIN1L", -9, 9},   {C::kMGAIN1R, "MGAIN1R", -9, 9},
      {C::kMGAIN2L, "MGAIN2L", -4.5, 4.5}, {C::kMGAIN2R, "MGAIN2R", -4.5, 4.5},
      {C::kMGAIN3L, "MGAIN3L", -4.5, 4.5}, {C::kMGAIN3R, "MGAIN3R", -4.5, 4.5},
      {C::kMGAIN4L, "MGAIN4L", -9, 9},   {C::kMGAIN4R, "MGAIN4R", -9, 9},
      {C::kLGAINL, "LGAINL", -18, 18},   {C::kLGAINR, "LGAINR", -18, 18},
      {C::kOUTL, "OUTL", -12, 12},       {C::kOUTR, "OUTR", -12, 12},
      {C::kDRIVE, "DRIVE", -60, -20},
  };
  // Selections run from 0 to the last entry of their band's list.
  // A band at 0 dB is flat whatever its frequency, so a selection is changed with its
  // band's gain at the top of its range.
  const struct
  {
    int idx;
    const char* name;
    int band;
    int gainIdx;
  } selections[] = {
      {C::kHFREQL, "HFREQL", TeskBands::kHigh, C::kHGAINL},
      {C::kHFREQR, "HFREQR", TeskBands::kHigh, C::kHGAINR},
      {C::kMFREQ1L, "MFREQ1L", TeskBands::kMid1, C::kMGAIN1L},
      {C::kMFREQ1R, "MFREQ1R", TeskBands::kMid1, C::kMGAIN1R},
      {C::kMFREQ2L, "MFREQ2L", TeskBands::kMid2, C::kMGAIN2L},
      {C::kMFREQ2R, "MFREQ2R", TeskBands::kMid2, C::kMGAIN2R},
      {C::kMFREQ3L, "MFREQ3L", TeskBands::kMid3, C::kMGAIN3L},
      {C::kMFREQ3R, "MFREQ3R", TeskBands::kMid3, C::kMGAIN3R},
      {C::kMFREQ4L, "MFREQ4L", TeskBands::kMid4, C::kMGAIN4L},
      {C::kMFREQ4R, "MFREQ4R", TeskBands::kMid4, C::kMGAIN4R},
      {C::kLFREQL, "LFREQL", TeskBands::kLow, C::kLGAINL},
      {C::kLFREQR, "LFREQR", TeskBands::kLow, C::kLGAINR},
      {C::kLCUTL, "LCUTL", TeskBands::kCut, -1},
      {C::kLCUTR, "LCUTR", TeskBands::kCut, -1},
  };
  for (const auto& s : selections)
    r.push_back({s.idx, s.name, 0.0, double(TeskBands::kFreqLists[s.band].count - 1),
                 s.gainIdx});
  return r;
}

// One row of the figure: the settings before and after the change.
struct Change
{
  std::string name;
  Settings from, to;
};

// Every parameter min -> max and max -> min from the defaults; the drive again with OVER
// on; the switches BY, MS and OVER both ways; and the channel link: with the first
// channel at one end of every range and the second at the other, all second-channel
// values jump to the first's at once (as the effect's link does at a block start).
// `base` supplies the other settings.
inline std::vector<Change> AllChanges(const Settings& base = Settings())
{
  std::vector<Change> rows;
  const std::vector<Range> ranges = StoredRanges(); // gains first, at their own indices
  for (const Range& r : ranges)
    for (int up = 1; up >= 0; --up)
    {
      Change c{std::string(r.name) + (up ? " min>max" : " max>min"), base, base};
      if (r.gainIdx >= 0)
        c.from.stored[r.gainIdx] = c.to.stored[r.gainIdx] = ranges[size_t(r.gainIdx)].max;
      c.from.stored[r.idx] = up ? r.min : r.max;
      c.to.stored[r.idx] = up ? r.max : r.min;
      rows.push_back(c);
    }
  // The drive also scales after the oversampled saturation, whose filters lie between the
  // two gains.
  for (int up = 1; up >= 0; --up)
  {
    Change c{up ? "DRIVE min>max OVER 1" : "DRIVE max>min OVER 1", base, base};
    c.from.over = c.to.over = 1;
    c.from.stored[C::kDRIVE] = up ? -60.0 : -20.0;
    c.to.stored[C::kDRIVE] = up ? -20.0 : -60.0;
    rows.push_back(c);
  }
  const struct
  {
    const char* name;
    int Settings::*sw;
  } switches[] = {{"BY", &Settings::by}, {"MS", &Settings::ms}, {"OVER", &Settings::over}};
  for (const auto& s : switches)
    for (int up = 1; up >= 0; --up)
    {
      Change c{std::string(s.name) + (up ? " 0>1" : " 1>0"), base, base};
      c.from.*s.sw = up ? 0 : 1;
      c.to.*s.sw = up ? 1 : 0;
      rows.push_back(c);
    }
  for (int up = 1; up >= 0; --up)
  {
    Change c{up ? "LINK second min>max" : "LINK second max>min", base, base};
    for (const Range& r : ranges)
    {
      if (r.idx == C::kDRIVE || r.idx % 2 != 0)
        continue; // first-channel parameters have even indices
      c.from.stored[r.idx] = up ? r.max : r.min;
      c.from.stored[r.idx + 1] = up ? r.min : r.max;
      c.to.stored[r.idx] = c.from.stored[r.idx];
      c.to.stored[r.idx + 1] = c.from.stored[r.idx];
    }
    rows.push_back(c);
  }
  return rows;
}

struct Figure
{
  double step = 0.0; // worst step ratio over the phases
  double peak = 0.0; // worst peak ratio over the phases
  int stepPhase = 0; // phase (0..15) of the worst step ratio
  int peakPhase = 0;
};

namespace detail {

struct Level
{
  double step = 0.0, peak = 0.0;
};

// Largest step and magnitude of x[from..to), steps counted from x[from - 1] when from > 0.
inline Level Measure(const std::vector<double>& x, size_t from, size_t to)
{
  Level l;
  for (size_t i = from; i < to; ++i)
  {
    l.peak = std::max(l.peak, std::fabs(x[i]));
    if (i > 0)
      l.step = std::max(l.step, std::fabs(x[i] - x[i - 1]));
  }
  return l;
}

inline void Process(TeskChain& chain, const Settings& s, const std::vector<double>& in,
                    size_t from, size_t frames, std::vector<double>& outL,
                    std::vector<double>& outR)
{
  chain.Process(&in[from], &in[from], &outL[from], &outR[from], int(frames), s.by, s.ms, s.over);
}

inline void Store(TeskChain& chain, const Settings& s)
{
  for (int idx = 0; idx < C::kNumParams; ++idx)
    if (idx != C::kBY && idx != C::kLINK && idx != C::kMS && idx != C::kOVER)
      chain.SetStoredValue(idx, s.stored[idx]);
}

} // namespace detail

// The figure of one change at one sample rate; wide picks the AVX2 code where available.
inline Figure Measure(const Change& change, double sampleRate, bool wide = true)
{
  using namespace detail;
  const size_t settle = size_t(std::lround(0.2 * sampleRate));
  const size_t window = size_t(std::lround(0.02 * sampleRate));
  const size_t around = size_t(std::lround(0.15 * sampleRate));
  const size_t maxOffset = size_t(std::lround(15 * sampleRate / 16000.0));
  const size_t total = settle + maxOffset + around + window;

  std::vector<double> in(total);
  const double amplitude = std::pow(10.0, -12.0 / 20.0);
  for (size_t i = 0; i < total; ++i)
    in[i] = amplitude * std::sin(2 * 3.141592653589793 * 1000.0 * double(i) / sampleRate);

  TeskChain settled;
  settled.SetSampleRate(sampleRate);
  settled.SetWideVectors(wide);
  Store(settled, change.from);
  std::vector<double> outL(total), outR(total);
  Process(settled, change.from, in, 0, settle, outL, outR);
  const Level before[2] = {Measure(outL, settle - window, settle),
                           Measure(outR, settle - window, settle)};

  Figure f;
  for (int phase = 0; phase < 16; ++phase)
  {
    TeskChain chain = settled;
    const size_t at = settle + size_t(std::lround(phase * sampleRate / 16000.0));
    Process(chain, change.from, in, settle, at - settle, outL, outR);
    Store(chain, change.to);
    Process(chain, change.to, in, at, around + window, outL, outR);
    for (int ch = 0; ch < 2; ++ch)
    {
      const std::vector<double>& out = ch == 0 ? outL : outR;
      const Level during = Measure(out, at, at + around);
      const Level after = Measure(out, at + around, at + around + window);
      const double step = during.step / std::max(before[ch].step, after.step);
      const double peak = during.peak / std::max(before[ch].peak, after.peak);
      if (step > f.step)
      {
        f.step = step;
        f.stepPhase = phase;
      }
      if (peak > f.peak)
      {
        f.peak = peak;
        f.peakPhase = phase;
      }
    }
  }
  return f;
}

} // namespace click_figure
