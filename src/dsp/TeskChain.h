#pragma once

// The effect's complete sound path for two processing channels of doubles, free of any
// framework type. The effect object owns one TeskChain per instance, keeps its stored
// parameter values in it, runs its own channel link before each block and then calls
// Process with the current switch values.
//
// Per host sample: optional mid/side matrix, drive into the table-driven saturation
// (Tesk_Harm; plain or four-times oversampled), a 9 dB fixed peak at the saturation's
// output, the six-band equaliser plus low cut running at eight times the host rate, a
// fixed -2.5 dB peak, the output gains, the output matrix and the bypass choice. Every
// stage runs on every sample whatever the switches say, so all histories stay current.
// With nothing moving, the result is bit-identical to running those steps one by one
// with Biquad, StOversampler4x and Tesk_Harm and recomputing every gain and coefficient
// per sample; only values that are constant within a block are computed once per block.
//
// Changes never click. A new gain or DRIVE value glides there (kGlideSeconds); a new
// band or low-cut selection, MS or OVER crossfades from the old sound to the new one
// (kFadeSeconds), running a copy of the whole sound path meanwhile; BY crossfades between
// the processed sound and the input delayed by the chain's latency. Transitions are timed
// by the chain's own sample count, so the output does not depend on how the blocks are
// cut. Values given before the first processed block, or after SkipTransitions, apply at
// once.
//
// Usage (the effect's audio callback, under its instance mutex):
//   chain.SetSampleRate(sr);                       // when processing is set up
//   chain.SkipTransitions();                       // on activation and state restore
//   chain.SetStoredValue(TeskChain::kMGAIN2L, 3);  // whenever a parameter changes
//   chain.Process(inL, inR, outL, outR, nFrames, by, ms, over);
//
// Threads: not thread-safe; the owner serialises all calls (the instance mutex).
// Process allocates nothing, takes no lock and does no I/O. The object holds all its
// histories and scratch by value (about 50 KB): keep it inside the effect object rather
// than on a thread's stack.

#include "dsp/TeskParamIds.h"

#include <cstdint>

#if defined(__GNUC__) || defined(__clang__)
typedef double TeskChainV2 __attribute__((vector_size(16)));
#else
#error "TeskChain needs GCC or Clang vector extensions"
#endif

// Scratch of the chain's kernels: an oversampler input times each of the interpolation
// taps that multiply single inputs (the even taps and the centre), kept while the input
// moves through the interpolator's history.
struct TeskChainTapProducts
{
  TeskChainV2 h0, h2, h4, h6, h8, h10, h12, h14, h15;
};

class TeskChain : public TeskParamIds
{
public:
  // Parameter indices (TeskParamIds): stored values are kept for every index except
  // kBY, kLINK, kMS and kOVER, whose switch values are passed to Process instead.

  // The fourteen selected band frequencies, in the order the filters are configured.
  enum Band : int
  {
    kLowL = 0, kLowR, kMid1L, kMid1R, kMid2L, kMid2R, kMid3L, kMid3R,
    kMid4L, kMid4R, kHighL, kHighR, kCutL, kCutR,
    kNumBands
  };

  // Stored values start at the parameters' defaults (DRIVE -40 dB, LCUTL/LCUTR 1, all
  // else 0), the frequencies at what those selections choose, the sample rate at 44100 Hz
  // and every filter and oversampler history at zero.
  TeskChain() noexcept;

  // Stores a parameter's plain value as the effect keeps it: gains and DRIVE in dB,
  // frequency and low-cut selections as 0, 1 or 2 (compared exactly at block start; a
  // value matching no entry keeps the band's previous frequency). Returns false and
  // changes nothing for kBY, kLINK, kMS, kOVER, an index outside 0..32 or a value that is
  // not finite (such a value would poison the filters for good).
  bool SetStoredValue(int paramIdx, double value) noexcept;
  // The stored value; 0 for indices that are not stored.
  double GetStoredValue(int paramIdx) const noexcept;

  // Host sample rate in Hz; takes effect at the next block start and keeps all histories.
  // Returns false and keeps the previous rate unless the rate is finite and positive.
  // The band filters run at eight times this rate; rates at or below 5000 Hz would put
  // the 20 kHz high band at or above their Nyquist frequency.
  bool SetSampleRate(double sampleRate) noexcept;
  double GetSampleRate() const noexcept { return mSampleRate; }

  // Selected frequency of a band in Hz, as of the last block start; 0 for a bad index.
  double GetSelectedFrequency(int band) const noexcept;

  // Returns every filter and oversampler history and the bypass's input history to zero,
  // ends every transition and arms SkipTransitions, as at construction. The effect's own
  // reset does not call this: histories carry over across set-ups.
  void ClearState() noexcept;

  // The next block that processes samples applies every stored value and switch at once:
  // glides and crossfades in progress end there, and no new one starts. Call it when
  // processing is set up (activation) and after a state restore. Until a block has
  // processed samples since construction, ClearState or this call, changes apply at once.
  void SkipTransitions() noexcept { mSnap = true; }

  // True while a glide or a crossfade (of the switches or of BY) is in progress.
  bool InTransition() const noexcept;

  // Processes one block. Block start (always, even for frames <= 0): select the band
  // frequencies from the stored selections, take new values and switches as targets of
  // their transitions (or apply them at once, see SkipTransitions) and retune the band
  // filters for the current sample rate. Then, for frames > 0 with all four pointers
  // non-null, each output sample i is written after both input samples i have been read,
  // so the outputs may be the input buffers (in place, even crossed); other partial
  // overlaps are not allowed.
  //   by:   BY switch,   1 = bypassed, 0 = processing. Bypassed, the outputs are the
  //         inputs delayed by LatencySamples(over), bit for bit, so the bypassed sound
  //         lines up with the processed one.
  //   ms:   MS switch,   1 = left/right, 0 = mid/side
  //   over: OVER switch, 1 = four-times oversampled saturation, 0 = plain
  // The switches are the parameters' values truncated to integers; any non-zero value
  // counts as 1. NaN or infinite input samples cannot poison the chain: the saturation
  // curve maps them to zero before any recursive filter.
  void Process(const double* inL, const double* inR, double* outL, double* outR, int frames,
               int by, int ms, int over) noexcept;

  // The chain's delay in host samples: where an impulse's peak comes out. The linear-phase
  // oversampling filters delay the equalised signal by 3 samples, and the oversampled
  // saturation (over != 0) by 7 more.
  static constexpr int LatencySamples(int over) noexcept { return over != 0 ? 10 : 3; }

  // Timing of the transitions, the same at every sample rate. A gain or DRIVE glides to a
  // new value (in dB) over kGlideSeconds: from rest along 3x^2 - 2x^3, and from a glide
  // in progress with its speed carried over, never beyond its start or target. It moves
  // in steps taken every kGlideInterval frames of the chain's running sample count; the
  // band filters are retuned at those steps. Switches crossfade linearly over
  // kFadeSeconds; a switch change during a crossfade of the switches waits for its end,
  // while BY turns back from where it is.
  static constexpr int kGlideInterval = 8;
  static constexpr double kGlideSeconds = 0.02;
  static constexpr double kFadeSeconds = 0.01;

  // Where the processor has AVX2 (checked at run time; the module itself is built for
  // baseline x86-64), the chain packs two band filters of both channels into one
  // register and runs the curve and the equaliser's interpolation four lanes at a time.
  // The output is the same bit for bit either way. On by default; tests and benchmarks
  // switch it off to check and measure the baseline SSE2 code. Returns whether the wide
  // code is now in use.
  bool SetWideVectors(bool enable) noexcept;
  bool UsesWideVectors() const noexcept { return mWide; }

private:
  template <int kWide>
  friend struct TeskChainKernel;

  typedef TeskChainV2 V2; // lane 0 first channel, lane 1 second channel

  // A Biquad on both channels at once; same arithmetic per lane.
  struct Biquad2
  {
    V2 a0, a1, a2, b1, b2, z1, z2;
  };

  // Blocks are processed in chunks of up to kChunk frames, stage by stage, so that the
  // recursive filters of different stages and bands overlap instead of waiting on each
  // other sample by sample.
  static constexpr int kChunk = 64;

  // StOversampler4x histories of both channels. Each chunk appends behind the current 31
  // outputs and the kept inputs, so the samples of the whole chunk stay contiguous in time
  // order; they move back to the front of their buffers when a chunk would not fit.
  template <int kUpsPerChunk, int kInKeep>
  struct Oversampler2
  {
    static constexpr int kUps = kUpsPerChunk;
    static constexpr int kKeep = kInKeep;
    V2 out[31 + 4 * kUpsPerChunk];
    V2 in[kInKeep + kUpsPerChunk];
    int outBase; // out[outBase] is the oldest of the 31 current outputs
    int inBase;  // in[inBase] is the oldest of the kInKeep kept inputs
  };
  // The saturation oversampler keeps 15 inputs, enough to rebuild its 31 outputs (the
  // last eight up4 calls, curve applied) after blocks without OVER skipped them: those
  // outputs depend on nothing but the inputs.
  typedef Oversampler2<kChunk, 15> SatOversampler;   // one up4 per frame
  typedef Oversampler2<2 * kChunk, 8> EqOversampler; // two up4 per frame

  // The sound path for one setting of the switches (MS, OVER, the fourteen selected
  // frequencies) with every history it holds. A crossfade copies it whole.
  struct Path
  {
    Biquad2 eq[7];        // low, mid 1-4, high, low cut, in signal order
    Biquad2 satPeak;      // fixed +9 dB peak after the oversampled saturation
    Biquad2 outPeak;      // fixed -2.5 dB peak before the output gains
    SatOversampler satOs; // around the saturation (4x)
    EqOversampler eqOs;   // around the equaliser (fed twice per frame: 8x)
    bool satOutCurrent;   // satOs.out holds the outputs of the last eight inputs
    bool leftRight;       // MS: true left/right, false mid/side
    bool oversampled;     // OVER
    double freq[kNumBands];
    double tangent[kNumBands]; // Biquad::tangent of each band filter's Fc
  };

  // One continuous value's way to its target, in steps of kGlideInterval frames.
  struct Glide
  {
    double cur;   // in effect now
    double from;  // where the glide started
    double to;    // target: the stored value
    double speed; // at the start, in dB per glide time
    int step;     // steps taken
    int steps;    // steps of the whole glide; step == steps when at rest
    double Value() const noexcept;
    double Speed() const noexcept;
    // The curve at the current step, before holding it between from and to; x = step / steps.
    double Unheld(double x) const noexcept;
    bool Held(double v) const noexcept { return v < (from < to ? from : to) || v > (from < to ? to : from); }
  };
  static constexpr int kNumGlides = kDRIVE + 1; // the gains and DRIVE

  // What a kernel call does with its frames besides processing them.
  struct Piece
  {
    const double* inL;  // the frames' inputs
    const double* inR;
    V2* in;             // receives the inputs; in[-kDryKeep .. -1] holds the frames before
    V2 t, u, gain;      // drive gains before and after the curve, output gains
    int bypass;         // 0 processed, 1 bypassed, 2 fading (weights below)
    int byPos, byStep;  // fading: frame i is (byPos + byStep * (i + 1)) / byDen bypassed
    double byDen;
    V2* keep;           // non-null: store the path's output here instead of writing it
    const V2* fadeFrom; // non-null: crossfade from these outputs to the path's
    int fadeDone;       // frame i takes (fadeDone + i + 1) / fadeDen of the path's output
    double fadeDen;
    double* outL;
    double* outR;
  };
  static constexpr int kDryKeep = 10; // LatencySamples(1)
  typedef void (*ChunkFn)(TeskChain&, Path&, const Piece&, int);

  void BlockStart(bool bypass, bool leftRight, bool oversampled) noexcept;
  void StepGlides() noexcept;
  void StartFade() noexcept;
  bool Matches(const Path& p) const noexcept;
  void TakeSwitches(Path& p) const noexcept;
  // Retunes the band filters of p whose bit (1 << Band) is set in mask; frequencies:
  // their frequency or the sample rate may have changed since the last time.
  void TuneBands(Path& p, unsigned mask, bool frequencies) const noexcept;
  // Drive and output gains from the glides' current values.
  void UpdateGains() noexcept;
  int GlideSteps() const noexcept;
  int FadeLength() const noexcept;

  double mStored[kNumParams];
  double mFreq[kNumBands];   // selected at the last block start
  bool mLeftRight = true;    // switches of the last block start
  bool mOversampled = false;
  double mSampleRate = 44100.0;
  double mTunedRate = 0.0;   // the sample rate the band filters are tuned for

  Glide mGlide[kNumGlides];
  int mGliding = 0;          // glides in progress
  V2 mT, mU, mGain;          // drive gains and output gains of the current glide values

  Path mPath;                // the sound path in use
  Path mPrevPath;            // the path faded out during a crossfade of the switches
  bool mFading = false;
  uint64_t mFadeStart = 0;   // sample count at the crossfade's start
  int mFadeLength = 1;       // frames

  bool mByTarget = false;    // BY as last given
  int mByPos = 0;            // 0 processed .. mByLength + 1 bypassed
  int mByLength = 1;         // frames of the BY crossfade in progress

  bool mSnap = true;         // apply the next values at once
  uint64_t mCount = 0;       // frames processed since construction

  V2 mDry[kDryKeep + kChunk]; // inputs: the kDryKeep frames before the chunk, the chunk
  V2 mStage[kChunk];          // per-frame values handed from one stage of a chunk to the next
  V2 mFadeOut[kChunk];        // the faded-out path's output of a chunk
  union                       // each kernel uses one of them
  {
    V2 mMid[8 * kChunk];      // AVX2: the band filters' halfway values within a chunk
    TeskChainTapProducts mTaps[kChunk + 7]; // SSE2: of a chunk's inputs and the 7 before
  };
  bool mWide = false;         // AVX2 code in use
};
