#pragma once

// Host transport at the start of the current block, as filled by the host adapter's
// GetTime. Positions in quarter notes unless stated otherwise.
struct ITimeInfo
{
  double mTempo = 120.0;        // beats per minute
  double mSamplePos = 0.0;      // project position in samples
  double mPPQPos = 0.0;         // project position in quarter notes
  double mLastBar = 0.0;        // start of the current bar
  double mCycleStart = 0.0;
  double mCycleEnd = 0.0;
  int mNumerator = 4;           // time signature
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};
