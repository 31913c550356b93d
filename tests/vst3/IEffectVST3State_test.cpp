#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair
#include "vst3/support/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <thread>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

const int kStateBytes = TestEffect::kNumParams * 8;

class StateTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mPlug = new TestEffect();
    StartPlugin(mPlug, &mHost);
  }
  void TearDown() override
  {
    mPlug->terminate();
    mPlug->release();
  }
  std::vector<char> Save(IEffectVST3* plug)
  {
    TestStream stream;
    EXPECT_EQ(plug->getEditorState(&stream), kResultOk);
    return stream.mBytes;
  }
  tresult Load(IEffectVST3* plug, const std::vector<char>& bytes, int chunk = 0)
  {
    TestStream stream;
    stream.mBytes = bytes;
    stream.mChunk = chunk;
    return plug->setEditorState(&stream);
  }
  static double DoubleAt(const std::vector<char>& bytes, int i)
  {
    double v;
    memcpy(&v, bytes.data() + 8 * i, 8);
    return v;
  }
  static void PutDouble(std::vector<char>& bytes, int i, double v) { memcpy(bytes.data() + 8 * i, &v, 8); }

  NamedHostApplication mHost{"Test Host"};
  TestEffect* mPlug = nullptr;
};

}  // namespace

TEST_F(StateTest, LayoutIsPlainValuesThenTheBypassFlag)
{
  mPlug->setParamNormalized(TestEffect::kGain, 0.75);
  std::vector<char> bytes = Save(mPlug);
  ASSERT_EQ(bytes.size(), (size_t)kStateBytes + 4);
  EXPECT_EQ(DoubleAt(bytes, TestEffect::kGain), 6.0);
  EXPECT_EQ(DoubleAt(bytes, TestEffect::kMode), 1.0);
  EXPECT_EQ(DoubleAt(bytes, TestEffect::kFreq), 1000.0);
  EXPECT_EQ(DoubleAt(bytes, TestEffect::kOrder), 2.0);
  EXPECT_EQ(DoubleAt(bytes, TestEffect::kMix), 100.0);
  const char active[4] = {0, 0, 0, 0};
  EXPECT_EQ(memcmp(bytes.data() + kStateBytes, active, 4), 0);

  mPlug->SetBypassed(true);
  bytes = Save(mPlug);
  const char bypassed[4] = {1, 0, 0, 0};
  EXPECT_EQ(memcmp(bytes.data() + kStateBytes, bypassed, 4), 0);
}

TEST_F(StateTest, RoundTripIntoAnotherInstance)
{
  mPlug->setParamNormalized(TestEffect::kGain, 0.1);
  mPlug->setParamNormalized(TestEffect::kMode, 1.0);
  mPlug->setParamNormalized(TestEffect::kFreq, 0.3);
  mPlug->SetBypassed(true);
  const std::vector<char> bytes = Save(mPlug);

  auto* other = new TestEffect();
  StartPlugin(other, &mHost);
  const int changes = other->mParamChanges;
  // A stream that delivers a few bytes per read is read whole.
  ASSERT_EQ(Load(other, bytes, 3), kResultOk);
  for (int i = 0; i < TestEffect::kNumParams; ++i)
    EXPECT_EQ(other->GetParam(i)->GetValue(), mPlug->GetParam(i)->GetValue()) << i;
  EXPECT_TRUE(other->GetBypassed());
  EXPECT_EQ(other->mParamChanges, changes + TestEffect::kNumParams);
  EXPECT_EQ(Save(other), bytes);
  other->terminate();
  other->release();
}

TEST_F(StateTest, ShorterAndLongerStreams)
{
  mPlug->setParamNormalized(TestEffect::kGain, 1.0);
  const std::vector<char> full = Save(mPlug);

  // The parameters without the bypass flag (or with part of it) are a whole state of
  // their own: the parameters are restored and the bypass stays as it was.
  for (size_t extra : {(size_t)0, (size_t)1, (size_t)3})
  {
    SCOPED_TRACE(extra);
    std::vector<char> bytes(full.begin(), full.begin() + kStateBytes + extra);
    mPlug->setParamNormalized(TestEffect::kGain, 0.0);
    mPlug->SetBypassed(true);
    EXPECT_EQ(Load(mPlug, bytes), kResultOk);
    EXPECT_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 12.0);
    EXPECT_TRUE(mPlug->GetBypassed());
  }

  // Bytes after the flag are left for later versions.
  std::vector<char> longer = full;
  longer[kStateBytes] = 1;
  longer.insert(longer.end(), {'n', 'e', 'x', 't'});
  mPlug->SetBypassed(false);
  mPlug->setParamNormalized(TestEffect::kGain, 0.0);
  EXPECT_EQ(Load(mPlug, longer, 5), kResultOk);
  EXPECT_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 12.0);
  EXPECT_TRUE(mPlug->GetBypassed());
}

TEST_F(StateTest, TruncatedStreamsChangeNothing)
{
  mPlug->setParamNormalized(TestEffect::kGain, 1.0);
  const std::vector<char> full = Save(mPlug);
  mPlug->setParamNormalized(TestEffect::kGain, 0.5);
  mPlug->setParamNormalized(TestEffect::kMix, 0.5);
  const std::vector<char> before = Save(mPlug);
  for (size_t n : {(size_t)0, (size_t)1, (size_t)8, (size_t)kStateBytes - 1})
  {
    SCOPED_TRACE(n);
    std::vector<char> cut(full.begin(), full.begin() + n);
    EXPECT_EQ(Load(mPlug, cut), kResultFalse);
    EXPECT_EQ(Save(mPlug), before);
  }
  EXPECT_EQ(mPlug->setEditorState(nullptr), kInvalidArgument);
  EXPECT_EQ(mPlug->getEditorState(nullptr), kInvalidArgument);
}

TEST_F(StateTest, OutOfRangeAndNonFiniteValuesAreTamed)
{
  std::vector<char> bytes = Save(mPlug);
  PutDouble(bytes, TestEffect::kGain, 1e9);
  PutDouble(bytes, TestEffect::kMode, -7.0);
  PutDouble(bytes, TestEffect::kFreq, std::nan(""));
  PutDouble(bytes, TestEffect::kMix, -INFINITY);
  ASSERT_EQ(Load(mPlug, bytes), kResultOk);
  EXPECT_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 12.0);
  EXPECT_EQ(mPlug->GetParam(TestEffect::kMode)->GetValue(), 0.0);
  EXPECT_TRUE(std::isfinite(mPlug->GetParam(TestEffect::kFreq)->GetValue()));
  EXPECT_TRUE(std::isfinite(mPlug->GetParam(TestEffect::kMix)->GetValue()));
}

TEST_F(StateTest, RandomStreamsLeaveEveryValueInRange)
{
  std::mt19937 rng(1234);
  for (int round = 0; round < 200; ++round)
  {
    std::vector<char> bytes(rng() % (kStateBytes + 16));
    for (char& b : bytes) b = (char)(rng() & 0xFF);
    const tresult r = Load(mPlug, bytes);
    EXPECT_EQ(r, bytes.size() >= (size_t)kStateBytes ? kResultOk : kResultFalse);
    for (int i = 0; i < TestEffect::kNumParams; ++i)
    {
      IParam* p = mPlug->GetParam(i);
      ASSERT_GE(p->GetValue(), p->GetMin()) << i;
      ASSERT_LE(p->GetValue(), p->GetMax()) << i;
    }
  }
}

TEST_F(StateTest, FailedWritesAreReported)
{
  TestStream stream;
  stream.mFailWrites = true;
  EXPECT_EQ(mPlug->getEditorState(&stream), kResultFalse);
}

namespace {

// A stream that fails after a number of bytes and checks, at every call, whether the
// plug-in's mutex is free (another thread tries to take it).
class ProbeStream : public TestStream
{
public:
  explicit ProbeStream(Core_Mutex* mutex) : mMutex(mutex) {}
  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
  {
    Probe();
    if (mFailAfter >= 0 && mPos >= (size_t)mFailAfter)
    {
      if (numBytesRead) *numBytesRead = 0;
      return kInternalError;
    }
    if (mFailAfter >= 0 && mPos + (size_t)numBytes > (size_t)mFailAfter) numBytes = (int32)(mFailAfter - mPos);
    return TestStream::read(buffer, numBytes, numBytesRead);
  }
  tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
  {
    Probe();
    return TestStream::write(buffer, numBytes, numBytesWritten);
  }
  void Probe()
  {
    bool free = false;
    std::thread([&] {
      free = mMutex->TryLock();
      if (free) mMutex->Unlock();
    }).join();
    if (!free) ++mCallsUnderLock;
  }

  Core_Mutex* mMutex;
  long mFailAfter = -1;
  int mCallsUnderLock = 0;
};

}  // namespace

TEST_F(StateTest, HostStreamsAreUsedWithoutTheMutexAndFailuresChangeNothing)
{
  mPlug->setParamNormalized(TestEffect::kGain, 1.0);
  IComponent* component = mPlug;
  for (int kind = 0; kind < 2; ++kind)
  {
    SCOPED_TRACE(kind == 0 ? "controller" : "component");
    ProbeStream out(mPlug->GetMutex());
    ASSERT_EQ(kind == 0 ? mPlug->getEditorState(&out) : component->getState(&out), kResultOk);
    EXPECT_EQ(out.mCallsUnderLock, 0);

    // A stream that fails inside the parameters changes nothing.
    mPlug->setParamNormalized(TestEffect::kGain, 0.5);
    const std::vector<char> before = Save(mPlug);
    ProbeStream broken(mPlug->GetMutex());
    broken.mBytes = out.mBytes;
    broken.mFailAfter = kStateBytes - 8;
    EXPECT_EQ(kind == 0 ? mPlug->setEditorState(&broken) : component->setState(&broken), kResultFalse);
    EXPECT_EQ(Save(mPlug), before);
    EXPECT_EQ(broken.mCallsUnderLock, 0);

    ProbeStream in(mPlug->GetMutex());
    in.mBytes = out.mBytes;
    ASSERT_EQ(kind == 0 ? mPlug->setEditorState(&in) : component->setState(&in), kResultOk);
    EXPECT_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 12.0);
    EXPECT_EQ(in.mCallsUnderLock, 0);
  }
}
