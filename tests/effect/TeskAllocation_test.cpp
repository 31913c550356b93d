// Counts heap allocations made through operator new while the module processes. The
// counting operators are exported from this executable, so the loaded module's calls
// resolve to them as well.

#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"
#include "support/CountingNew.h"

#include <gtest/gtest.h>

using tesk_counting::gAllocations;
using tesk_counting::gCounting;

using namespace tesk_test;

TEST(TeskAllocation, ProcessAllocatesNothingAfterTheFirstBlock)
{
  for (int precision : {64, 32}) {
    SCOPED_TRACE(precision);
    auto host = OpenTesk(2, 48000, 512, precision);
    ASSERT_TRUE(host);
    Planar in = TestSignal(2, 4096);
    Render(*host, in, 512, precision);  // first blocks: anything lazy happens here

    // Prepare the changes before counting: the queues are filled by the host.
    SetPlain(*host, HGAINL, 5.0);
    SetPlain(*host, LINK, 0);
    SetPlain(*host, OVER, 1);
    host->QueueChange(kBypassId, 0.0);
    host->QueueChange(kProgramId, 0.0);

    std::vector<std::vector<double>> out(2, std::vector<double>(512));
    std::vector<std::vector<float>> in32(2, std::vector<float>(512, 0.25f)), out32(2, std::vector<float>(512));
    double* ip[2] = {in[0].data(), in[1].data()};
    double* op[2] = {out[0].data(), out[1].data()};
    float* ip32[2] = {in32[0].data(), in32[1].data()};
    float* op32[2] = {out32[0].data(), out32[1].data()};
    gAllocations = 0;
    gCounting = true;
    for (int block = 0; block < 8; ++block) {
      int n = block == 3 ? 100 : 512;
      if (precision == 64)
        host->Process64(ip, op, n);
      else
        host->Process32(ip32, op32, n);
    }
    gCounting = false;
    EXPECT_EQ(gAllocations.load(), 0);
  }
}

TEST(TeskAllocation, CounterSeesTheModulesAllocations)
{
  // Guards the test above against counting nothing at all: creating an instance inside
  // the module allocates, and the host side of CreateEffect does not.
  VstHost host;
  std::string error;
  ASSERT_TRUE(host.Load(TESK_BUNDLE_PATH, error)) << error;
  gAllocations = 0;
  gCounting = true;
  bool created = host.CreateEffect(error);
  gCounting = false;
  ASSERT_TRUE(created) << error;
  EXPECT_GT(gAllocations.load(), 0);
}
