#pragma once

// The equaliser's bands and the frequencies each band's selection chooses from. One list
// per band, shared by both channels; the sound path, the parameter table (display strings,
// step counts, filmstrip frames) and the editor's response curve all read it from here.

namespace TeskBands {

enum Band : int
{
  kLow = 0,
  kMid1,
  kMid2,
  kMid3,
  kMid4,
  kHigh,
  kCut, // the low cut's high-pass
  kNumBands
};

// A band's selectable frequencies in Hz, indexed by the selection value (0, 1, 2). The
// lists are not sorted: the order is the one saved projects rely on.
struct FreqList
{
  int count;
  double hz[3];
};

constexpr FreqList kFreqLists[kNumBands] = {
    {3, {20.0, 60.0, 40.0}},          // low band
    {2, {80.0, 120.0, 0.0}},          // mid band 1
    {3, {400.0, 800.0, 630.0}},       // mid band 2
    {3, {1000.0, 3000.0, 2000.0}},    // mid band 3
    {2, {5000.0, 8000.0, 0.0}},       // mid band 4
    {3, {12000.0, 15000.0, 20000.0}}, // high band
    {2, {25.0, 1.0, 0.0}},            // low cut
};

// Every band filter runs at eight times the host rate with this Q.
constexpr double kBandQ = 0.667;
constexpr int kEqOversampling = 8;

} // namespace TeskBands
