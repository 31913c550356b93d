// Counts heap allocations made through operator new while the LV2 DSP library runs. The
// counting operators are exported from this executable, so the loaded library's calls
// resolve to them as well.

#include "LV2TestUtil.h"
#include "support/CountingNew.h"

#include <gtest/gtest.h>

using tesk_counting::gAllocations;
using tesk_counting::gCounting;

using namespace tesk_lv2;

TEST(LV2Allocation, CounterSeesTheLibrarysAllocationsAndRunMakesNone)
{
  LilvHost::Features features;
  features.maxBlock = 256;
  auto host = OpenTeskLV2(features);
  ASSERT_TRUE(host);

  // Instantiation allocates inside the library (liblilv itself uses malloc): the counter
  // sees the library's calls.
  gAllocations = 0;
  gCounting = true;
  LilvInstance* other = lilv_plugin_instantiate(host->Plugin(), 44100.0, nullptr);
  gCounting = false;
  ASSERT_NE(other, nullptr);
  lilv_instance_free(other);
  EXPECT_GT(gAllocations.load(), 0);

  std::vector<float> in(2000, 0.25f), out(4000);
  host->Run(in.data(), in.data(), out.data(), out.data() + 2000, 256);  // anything lazy happens here
  gAllocations = 0;
  gCounting = true;
  // Every kind of change a block can bring: gains, the link, a switch that moves the
  // latency, the host's bypass both ways, a block longer than the announced maximum,
  // in place, and none at all.
  const struct
  {
    const char* symbol;
    float value;
    uint32_t frames;
  } steps[] = {{"HGAINL", 5.0f, 256}, {"LINK", 1.0f, 100}, {"OVER", 1.0f, 256}, {"enabled", 0.0f, 2000},
               {"MS", 0.0f, 0},       {"enabled", 1.0f, 1}, {"HFREQR", 2.0f, 777}};
  for (const auto& s : steps)
  {
    host->Control(s.symbol) = s.value;
    host->Run(in.data(), in.data(), s.frames == 777 ? in.data() : out.data(), out.data() + 2000, s.frames);
  }
  gCounting = false;
  EXPECT_EQ(gAllocations.load(), 0);
}
