// The host may save an LV2 plug-in's state on another thread while run() plays: the
// library's state save and run take the instance's mutex, so they never interleave
// (ThreadSanitizer checks the accesses).

#include "LV2TestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tesk_lv2;

TEST(LV2StateConcurrency, SavingWhileRunningGivesWholeStates)
{
  auto host = OpenTeskLV2();
  ASSERT_TRUE(host);
  std::atomic<bool> done{false};
  std::thread audio([&] {
    std::vector<float> in(512, 0.1f), out(1024);
    for (int block = 0; block < 400; ++block)
    {
      // The host's audio thread owns the control buffers: it changes them between runs.
      host->Control("HGAINL") = static_cast<float>(block % 37) * 0.25f;
      host->Control("OVER") = static_cast<float>((block / 50) % 2);
      host->Run(in.data(), in.data(), out.data(), out.data() + 512, 512);
    }
    done = true;
  });
  int saves = 0;
  while (!done)
  {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(host->SaveState(bytes));
    ASSERT_EQ(bytes.size(), 268u);
    const StateValues v = ReadStateValues(bytes, 33);
    // Linked (the default): every save catches both channels at the same value.
    EXPECT_EQ(v.params[0], v.params[1]);
    ++saves;
  }
  audio.join();
  EXPECT_GT(saves, 0);
}
