#include "effect/support/TeskParams.h"

namespace tesk_test {

const ParamSpec kParamSpecs[kNumParams] = {
    {"HGAINL", true, 0, -18, 18},  {"HGAINR", true, 0, -18, 18},  {"MGAIN1L", true, 0, -9, 9},
    {"MGAIN1R", true, 0, -9, 9},   {"MGAIN2L", true, 0, -4.5, 4.5}, {"MGAIN2R", true, 0, -4.5, 4.5},
    {"MGAIN3L", true, 0, -4.5, 4.5}, {"MGAIN3R", true, 0, -4.5, 4.5}, {"MGAIN4L", true, 0, -9, 9},
    {"MGAIN4R", true, 0, -9, 9},   {"LGAINL", true, 0, -18, 18},  {"LGAINR", true, 0, -18, 18},
    {"OUTL", true, 0, -12, 12},    {"OUTR", true, 0, -12, 12},    {"DRIVE", true, -40, -60, -20},
    {"BY", false, 0, 0, 1},        {"LINK", false, 0, 0, 1},      {"MS", false, 1, 0, 1},
    {"HFREQL", false, 0, 0, 2},    {"HFREQR", false, 0, 0, 2},    {"MFREQ1L", false, 0, 0, 1},
    {"MFREQ1R", false, 0, 0, 1},   {"MFREQ2L", false, 0, 0, 2},   {"MFREQ2R", false, 0, 0, 2},
    {"MFREQ3L", false, 0, 0, 2},   {"MFREQ3R", false, 0, 0, 2},   {"MFREQ4L", false, 0, 0, 1},
    {"MFREQ4R", false, 0, 0, 1},   {"LFREQL", false, 0, 0, 2},    {"LFREQR", false, 0, 0, 2},
    {"LCUTL", false, 1, 0, 1},     {"LCUTR", false, 1, 0, 1},     {"OVER", false, 0, 0, 1},
};

} // namespace tesk_test
