#pragma once

// Tesk's parameter ids: the index in the host's list, in the saved state and in the sound
// path's stored values. Saved projects depend on them, so they never change. The sound
// path (TeskChain) and the effect's parameter table both take their names from here.
struct TeskParamIds
{
  enum ParamIdx : int
  {
    kHGAINL = 0, kHGAINR, kMGAIN1L, kMGAIN1R, kMGAIN2L, kMGAIN2R, kMGAIN3L, kMGAIN3R,
    kMGAIN4L, kMGAIN4R, kLGAINL, kLGAINR, kOUTL, kOUTR, kDRIVE,
    kBY, kLINK, kMS,
    kHFREQL, kHFREQR, kMFREQ1L, kMFREQ1R, kMFREQ2L, kMFREQ2R, kMFREQ3L, kMFREQ3R,
    kMFREQ4L, kMFREQ4R, kLFREQL, kLFREQR, kLCUTL, kLCUTR,
    kOVER,
    kNumParams
  };
};
