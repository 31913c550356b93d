// Parameter changes from the editor thread must never land in the middle of a block
// that the audio thread processes under the instance mutex.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/support/TestPlug.h"

namespace
{
// Records, inside each block, whether the parameters moved while it ran.
class BlockCheckPlug : public TestPlug
{
public:
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override
  {
    const double before = GetParam(0)->GetValue();
    for (int spin = 0; spin < 200; ++spin) std::atomic_signal_fence(std::memory_order_seq_cst);
    if (GetParam(0)->GetValue() != before) torn++;
    blocks++;
    TestPlug::ProcessDoubleReplacing(inputs, outputs, nFrames);
  }
  int torn = 0;
  std::atomic<int> blocks{0};
};
}  // namespace

TEST(IEffectBaseConcurrency, GuiChangesWaitForTheBlock)
{
  BlockCheckPlug plug;
  plug.SetBlockSize(64);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  double in[64] = {}, out0[64], out1[64];
  double* pi[] = {in, in};
  double* po[] = {out0, out1};

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop.load())
    {
      Core_MutexLock lock(plug.GetMutex());
      plug.AttachInputBuffers(0, 2, pi, 64);
      plug.AttachOutputBuffers(0, 2, po);
      plug.ProcessBuffers(0.0, 64);
    }
  });

  while (plug.blocks.load() == 0) std::this_thread::yield();
  int changes = 0;
  for (; changes < 5000 || plug.blocks.load() < 200; ++changes)
    plug.SetParameterFromGUI(0, (changes % 100) / 100.0);
  stop = true;
  audio.join();

  Core_MutexLock lock(plug.GetMutex());
  EXPECT_EQ(plug.torn, 0);
  EXPECT_GE(plug.blocks.load(), 200);
  EXPECT_EQ(plug.informed.size(), (size_t)changes);
  EXPECT_EQ(plug.paramChanges.size(), (size_t)changes);
}

TEST(IEffectBaseConcurrency, StateReadsAndEditorAttachUnderTheMutex)
{
  TestPlug plug;
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  std::thread ui([&] {
    while (reads.load() == 0) std::this_thread::yield();
    for (int i = 0; i < 2000; ++i) plug.SetParameterFromGUI(2, (i % 10) / 10.0);
    plug.AttachGraphics(new RecordingEditor);
    stop = true;
  });
  do
  {
    ByteChunk c;
    ASSERT_TRUE(plug.SerializeParams(&c));
    ASSERT_EQ(plug.UnserializeParams(&c, 0), 24);
    reads++;
  } while (!stop.load());
  ui.join();
  EXPECT_GT(reads.load(), 1);
}
