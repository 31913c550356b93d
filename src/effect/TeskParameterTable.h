#pragma once

// Every fact about Tesk's 33 parameters, in one constant table indexed by parameter id:
// the effect's constructor, its stored-value mapping and channel link, the editor layout,
// the host strings and the tools all read it. Header-only and free of framework types,
// so tools and generators can include it on their own.
//
// Saved projects depend on the ids, their order, the ranges and the defaults: they never
// change. The codes ("LGAINL") are the hosts' short titles and the symbols other plug-in
// formats use; they never change either. Titles, units and display strings may be
// reworded.

#include "dsp/TeskBands.h"
#include "dsp/TeskParamIds.h"

namespace TeskParams {

// Parameter ids (the sound path's names: the index in the host's list and in the saved
// state) and their count.
using Ids = TeskParamIds;
constexpr int kNumParams = Ids::kNumParams;

enum class Kind
{
  Continuous, // a knob: any value in the range, step 0.01
  List,       // one of a few named values 0 .. n-1
  Toggle      // a switch: 0 off, 1 on
};

constexpr int kMaxStrings = 3;
constexpr int kKnobFrames = 31; // frames of every knob filmstrip
constexpr int kNone = -1;

struct Param
{
  int id;
  const char* code;  // short title and symbol, at most 7 characters
  const char* title; // what a person reads, at most 31 characters
  const char* unit;  // unit of the value ("dB"), "" for lists and toggles
  Kind kind;
  double def, min, max, step;
  // Display strings of the values 0 .. numStrings - 1 (lists and toggles only).
  int numStrings;
  const char* strings[kMaxStrings];
  int frames;      // frames of the editor control's filmstrip
  int linkPartner; // the other channel's twin, or kNone
  int storedSlot;  // the sound path's stored-value slot, or kNone for switches it reads
                   // from the parameter at each block
  int band;        // the TeskBands band whose frequency list a selection indexes, or whose
                   // peak a gain sets; kNone for every other parameter
};

namespace detail {

constexpr Param Gain(int id, const char* code, const char* title, double range, int partner,
                     int band = kNone)
{
  return {id, code, title, "dB", Kind::Continuous, 0.0, -range, range, 0.01, 0, {}, kKnobFrames,
          partner, id, band};
}

constexpr Param Frequency(int id, const char* code, const char* title, int band, int partner,
                          const char* a, const char* b, const char* c = nullptr)
{
  const int n = c ? 3 : 2;
  return {id, code, title, "", Kind::List, 0.0, 0.0, n - 1.0, 1.0, n, {a, b, c}, n, partner, id, band};
}

} // namespace detail

// Channel 1 is left or mid ("L/M"), channel 2 right or side ("R/S"), following MS.
constexpr Param kTable[kNumParams] = {
    detail::Gain(Ids::kHGAINL, "HGAINL", "High Gain L/M", 18.0, Ids::kHGAINR, TeskBands::kHigh),
    detail::Gain(Ids::kHGAINR, "HGAINR", "High Gain R/S", 18.0, Ids::kHGAINL, TeskBands::kHigh),
    detail::Gain(Ids::kMGAIN1L, "MGAIN1L", "Mid 1 Gain L/M", 9.0, Ids::kMGAIN1R, TeskBands::kMid1),
    detail::Gain(Ids::kMGAIN1R, "MGAIN1R", "Mid 1 Gain R/S", 9.0, Ids::kMGAIN1L, TeskBands::kMid1),
    detail::Gain(Ids::kMGAIN2L, "MGAIN2L", "Mid 2 Gain L/M", 4.5, Ids::kMGAIN2R, TeskBands::kMid2),
    detail::Gain(Ids::kMGAIN2R, "MGAIN2R", "Mid 2 Gain R/S", 4.5, Ids::kMGAIN2L, TeskBands::kMid2),
    detail::Gain(Ids::kMGAIN3L, "MGAIN3L", "Mid 3 Gain L/M", 4.5, Ids::kMGAIN3R, TeskBands::kMid3),
    detail::Gain(Ids::kMGAIN3R, "MGAIN3R", "Mid 3 Gain R/S", 4.5, Ids::kMGAIN3L, TeskBands::kMid3),
    detail::Gain(Ids::kMGAIN4L, "MGAIN4L", "Mid 4 Gain L/M", 9.0, Ids::kMGAIN4R, TeskBands::kMid4),
    detail::Gain(Ids::kMGAIN4R, "MGAIN4R", "Mid 4 Gain R/S", 9.0, Ids::kMGAIN4L, TeskBands::kMid4),
    detail::Gain(Ids::kLGAINL, "LGAINL", "Low Gain L/M", 18.0, Ids::kLGAINR, TeskBands::kLow),
    detail::Gain(Ids::kLGAINR, "LGAINR", "Low Gain R/S", 18.0, Ids::kLGAINL, TeskBands::kLow),
    detail::Gain(Ids::kOUTL, "OUTL", "Output L/M", 12.0, Ids::kOUTR),
    detail::Gain(Ids::kOUTR, "OUTR", "Output R/S", 12.0, Ids::kOUTL),
    {Ids::kDRIVE, "DRIVE", "Drive", "dB", Kind::Continuous, -40.0, -60.0, -20.0, 0.01, 0, {}, kKnobFrames,
     kNone, Ids::kDRIVE, kNone},
    {Ids::kBY, "BY", "Effect Bypass", "", Kind::Toggle, 0.0, 0.0, 1.0, 1.0, 2, {"Off", "On"}, 2, kNone,
     kNone, kNone},
    {Ids::kLINK, "LINK", "Channel Link", "", Kind::List, 0.0, 0.0, 1.0, 1.0, 2, {"Linked", "Independent"}, 2,
     kNone, kNone, kNone},
    {Ids::kMS, "MS", "Channel Mode", "", Kind::List, 1.0, 0.0, 1.0, 1.0, 2, {"Mid/Side", "Left/Right"}, 2,
     kNone, kNone, kNone},
    detail::Frequency(Ids::kHFREQL, "HFREQL", "High Freq L/M", TeskBands::kHigh, Ids::kHFREQR, "12 kHz", "15 kHz", "20 kHz"),
    detail::Frequency(Ids::kHFREQR, "HFREQR", "High Freq R/S", TeskBands::kHigh, Ids::kHFREQL, "12 kHz", "15 kHz", "20 kHz"),
    detail::Frequency(Ids::kMFREQ1L, "MFREQ1L", "Mid 1 Freq L/M", TeskBands::kMid1, Ids::kMFREQ1R, "80 Hz", "120 Hz"),
    detail::Frequency(Ids::kMFREQ1R, "MFREQ1R", "Mid 1 Freq R/S", TeskBands::kMid1, Ids::kMFREQ1L, "80 Hz", "120 Hz"),
    detail::Frequency(Ids::kMFREQ2L, "MFREQ2L", "Mid 2 Freq L/M", TeskBands::kMid2, Ids::kMFREQ2R, "400 Hz", "800 Hz", "630 Hz"),
    detail::Frequency(Ids::kMFREQ2R, "MFREQ2R", "Mid 2 Freq R/S", TeskBands::kMid2, Ids::kMFREQ2L, "400 Hz", "800 Hz", "630 Hz"),
    detail::Frequency(Ids::kMFREQ3L, "MFREQ3L", "Mid 3 Freq L/M", TeskBands::kMid3, Ids::kMFREQ3R, "1 kHz", "3 kHz", "2 kHz"),
    detail::Frequency(Ids::kMFREQ3R, "MFREQ3R", "Mid 3 Freq R/S", TeskBands::kMid3, Ids::kMFREQ3L, "1 kHz", "3 kHz", "2 kHz"),
    detail::Frequency(Ids::kMFREQ4L, "MFREQ4L", "Mid 4 Freq L/M", TeskBands::kMid4, Ids::kMFREQ4R, "5 kHz", "8 kHz"),
    detail::Frequency(Ids::kMFREQ4R, "MFREQ4R", "Mid 4 Freq R/S", TeskBands::kMid4, Ids::kMFREQ4L, "5 kHz", "8 kHz"),
    detail::Frequency(Ids::kLFREQL, "LFREQL", "Low Freq L/M", TeskBands::kLow, Ids::kLFREQR, "20 Hz", "60 Hz", "40 Hz"),
    detail::Frequency(Ids::kLFREQR, "LFREQR", "Low Freq R/S", TeskBands::kLow, Ids::kLFREQL, "20 Hz", "60 Hz", "40 Hz"),
    // The low cut's second setting is a 1 Hz high-pass: practically off. Default 1.
    {Ids::kLCUTL, "LCUTL", "Low Cut L/M", "", Kind::List, 1.0, 0.0, 1.0, 1.0, 2, {"25 Hz", "1 Hz"}, 2, Ids::kLCUTR,
     Ids::kLCUTL, TeskBands::kCut},
    {Ids::kLCUTR, "LCUTR", "Low Cut R/S", "", Kind::List, 1.0, 0.0, 1.0, 1.0, 2, {"25 Hz", "1 Hz"}, 2, Ids::kLCUTL,
     Ids::kLCUTR, TeskBands::kCut},
    {Ids::kOVER, "OVER", "Oversampled Saturation", "", Kind::Toggle, 0.0, 0.0, 1.0, 1.0, 2, {"Off", "4x"}, 2,
     kNone, kNone, kNone},
};

// True for the first channel's half of a linked pair (the link copies it to the second).
constexpr bool IsLinkSource(const Param& p)
{
  return p.linkPartner != kNone && p.id < p.linkPartner;
}

// ---- Compile-time checks: the table agrees with itself and with the band lists ----

namespace detail {

constexpr int Length(const char* s)
{
  int n = 0;
  while (s && s[n])
    ++n;
  return n;
}

constexpr bool SameText(const char* a, const char* b)
{
  int i = 0;
  for (; a[i] && b[i]; ++i)
    if (a[i] != b[i])
      return false;
  return a[i] == b[i];
}

// The frequency a display string names: "60 Hz" -> 60, "3 kHz" -> 3000; -1 for any
// other form.
constexpr double NamedHz(const char* s)
{
  double v = 0.0;
  int i = 0;
  if (!(s[0] >= '0' && s[0] <= '9'))
    return -1.0;
  for (; s[i] >= '0' && s[i] <= '9'; ++i)
    v = v * 10.0 + (s[i] - '0');
  if (s[i] != ' ')
    return -1.0;
  ++i;
  if (s[i] == 'k') {
    v *= 1000.0;
    ++i;
  }
  return s[i] == 'H' && s[i + 1] == 'z' && s[i + 2] == 0 ? v : -1.0;
}

constexpr bool StringsNameTheBand(const Param& p)
{
  if (p.band == kNone || p.kind != Kind::List)
    return true;
  const TeskBands::FreqList& list = TeskBands::kFreqLists[p.band];
  if (list.count != p.numStrings)
    return false;
  for (int k = 0; k < list.count; ++k)
    if (NamedHz(p.strings[k]) != list.hz[k])
      return false;
  return true;
}

constexpr bool RangeFitsKind(const Param& p)
{
  if (!(p.min <= p.def && p.def <= p.max && p.min < p.max))
    return false;
  if (p.kind == Kind::Continuous)
    return p.step == 0.01 && p.numStrings == 0 && p.frames == kKnobFrames;
  // Lists and toggles: one string and one filmstrip frame per value 0 .. n-1.
  if (p.min != 0.0 || p.max != p.numStrings - 1.0 || p.step != 1.0 || p.frames != p.numStrings)
    return false;
  if (p.kind == Kind::Toggle && p.numStrings != 2)
    return false;
  for (int k = 0; k < p.numStrings; ++k)
    if (Length(p.strings[k]) == 0 || Length(p.strings[k]) > 31)
      return false;
  return p.def == static_cast<double>(static_cast<int>(p.def));
}

constexpr bool PartnersAgree(const Param& p)
{
  if (p.linkPartner == kNone)
    return true;
  const Param& q = kTable[p.linkPartner];
  return q.linkPartner == p.id && q.kind == p.kind && q.min == p.min && q.max == p.max &&
         q.def == p.def && q.numStrings == p.numStrings && q.storedSlot != kNone && p.storedSlot != kNone;
}

// Each band has one selection per channel and, but the low cut, one gain per channel.
constexpr bool BandsAreComplete()
{
  for (int b = 0; b < TeskBands::kNumBands; ++b) {
    int selections = 0, gains = 0;
    for (const Param& p : kTable) {
      if (p.band != b)
        continue;
      if (p.kind == Kind::List)
        ++selections;
      else if (p.kind == Kind::Continuous)
        ++gains;
      else
        return false;
    }
    if (selections != 2 || gains != (b == TeskBands::kCut ? 0 : 2))
      return false;
  }
  return true;
}

constexpr bool TableIsConsistent()
{
  for (int i = 0; i < kNumParams; ++i) {
    const Param& p = kTable[i];
    if (p.id != i || Length(p.code) == 0 || Length(p.code) > 7 || Length(p.title) == 0 ||
        Length(p.title) > 31)
      return false;
    if (!RangeFitsKind(p) || !StringsNameTheBand(p) || !PartnersAgree(p))
      return false;
    if (p.storedSlot != kNone && p.storedSlot != p.id)
      return false;
    for (int j = 0; j < i; ++j)
      if (SameText(kTable[j].code, p.code) || SameText(kTable[j].title, p.title))
        return false;
  }
  return BandsAreComplete();
}

} // namespace detail

static_assert(detail::TableIsConsistent(),
              "parameter table: ids in order, unique codes and titles, ranges that fit the kind, "
              "one string and frame per list value, band strings naming the band frequencies, one selection "
              "and gain per band and channel, "
              "link partners that agree");

} // namespace TeskParams
