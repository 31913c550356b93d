#pragma once
// The effect's parameter table as a host sees it, for checking the built module.

namespace tesk_test {

enum Param
{
  HGAINL = 0, HGAINR, MGAIN1L, MGAIN1R, MGAIN2L, MGAIN2R, MGAIN3L, MGAIN3R, MGAIN4L, MGAIN4R,
  LGAINL, LGAINR, OUTL, OUTR, DRIVE, BY, LINK, MS, HFREQL, HFREQR, MFREQ1L, MFREQ1R,
  MFREQ2L, MFREQ2R, MFREQ3L, MFREQ3R, MFREQ4L, MFREQ4R, LFREQL, LFREQR, LCUTL, LCUTR, OVER,
  kNumParams
};

constexpr unsigned kBypassId = 0x62706173;  // "bpas"
constexpr unsigned kProgramId = 0x70727374; // "prst"

struct ParamSpec
{
  const char* name;
  bool isDouble;
  double def, min, max;
};

// Indexed by Param.
extern const ParamSpec kParamSpecs[kNumParams];

} // namespace tesk_test
