#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair
#include "vst3/support/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

class ProcessTest : public ::testing::TestWithParam<int32>
{
protected:
  void SetUp() override
  {
    mPlug = new TestEffect();
    StartPlugin(mPlug, &mHost, GetParam(), kMaxBlock);
  }
  void TearDown() override
  {
    mPlug->setProcessing(false);
    mPlug->setActive(false);
    mPlug->terminate();
    mPlug->release();
  }
  bool Use64() const { return GetParam() == kSample64; }
  double Gain(double dB) const { return std::pow(10.0, dB / 20.0); }
  // Sample precision of the block's buffers.
  double Tol() const { return Use64() ? 1e-12 : 1e-6; }

  static const int kMaxBlock = 64;
  NamedHostApplication mHost{"Test Host"};
  TestEffect* mPlug = nullptr;
};

}  // namespace

TEST_P(ProcessTest, ProcessesWithTheEffect)
{
  TestBlock block(kMaxBlock, Use64());
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < kMaxBlock; ++s) ASSERT_NEAR(block.Out(c, s), block.In(c, s), Tol());
}

TEST_P(ProcessTest, EveryPointAppliesAtItsOffset)
{
  // A queue's points, in the order the host lists them: (offset, value). Gain is -12..12
  // dB, so normalised 0.25 is -6 dB, 0.5 is 0 dB, 0.75 is +6 dB, 1.0 is +12 dB.
  struct Point
  {
    int32 offset;
    double value;
  };
  struct Case
  {
    const char* name;
    int frames;
    std::vector<Point> points;
    std::vector<std::pair<int, double>> gainFrom;  // (first frame, gain in dB)
  } cases[] = {
      {"three points", 16, {{0, 0.0}, {1, 1.0}, {2, 0.75}}, {{0, -12.0}, {1, 12.0}, {2, 6.0}}},
      {"inside the block", 40, {{13, 0.25}, {29, 0.75}}, {{0, 0.0}, {13, -6.0}, {29, 6.0}}},
      // Longer than the maximum block: the pieces are cut at the points and at the maximum.
      {"across slices", kMaxBlock * 2 + 9, {{70, 1.0}, {kMaxBlock * 2 + 3, 0.25}},
       {{0, 0.0}, {70, 12.0}, {kMaxBlock * 2 + 3, -6.0}}},
      // Two points at one offset: the later one holds; an offset past the end applies at the
      // last frame.
      {"same offset and past the end", 20, {{5, 1.0}, {5, 0.25}, {99, 0.75}}, {{0, 0.0}, {5, -6.0}, {19, 6.0}}},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    mPlug->setParamNormalized(TestEffect::kGain, 0.5);
    TestParamChanges setBack;
    setBack.Add(TestEffect::kGain, {0.5});
    TestBlock reset(1, Use64());
    reset.mData.inputParameterChanges = &setBack;
    ASSERT_EQ(mPlug->process(reset.mData), kResultOk);

    TestParamChanges changes;
    TestParamQueue* q = changes.Add(TestEffect::kGain, {});
    for (const Point& p : c.points)
    {
      int32 index = 0;
      q->addPoint(p.offset, p.value, index);
    }
    TestBlock block(c.frames, Use64());
    block.mData.inputParameterChanges = &changes;
    ASSERT_EQ(mPlug->process(block.mData), kResultOk);
    size_t k = 0;
    for (int s = 0; s < c.frames; ++s)
    {
      while (k + 1 < c.gainFrom.size() && c.gainFrom[k + 1].first <= s) ++k;
      ASSERT_NEAR(block.Out(0, s), block.In(0, s) * Gain(c.gainFrom[k].second), Tol()) << "frame " << s;
    }
    EXPECT_DOUBLE_EQ(mPlug->mGainDB, c.gainFrom.back().second);
  }
}

TEST_P(ProcessTest, BadQueuesAndValuesChangeNothing)
{
  TestParamChanges changes;
  changes.Add(TestEffect::kGain, {0.75});
  changes.mNullQueue[0] = true;                                   // null queue
  changes.Add(TestEffect::kGain, {});                              // no points
  changes.Add(TestEffect::kGain, {std::numeric_limits<double>::quiet_NaN()});
  changes.Add(TestEffect::kNumParams, {0.5});                      // unknown IDs
  changes.Add(0x7FFFFFFF, {0.5});
  changes.Add((ParamID)-5, {0.5});
  TestBlock block(8, Use64());
  block.mData.inputParameterChanges = &changes;
  const int before = mPlug->mParamChanges;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_EQ(mPlug->mParamChanges, before);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 0.0);

  // Values past the ends are limited to the range.
  changes.Clear();
  changes.Add(TestEffect::kGain, {4.0});
  changes.Add(TestEffect::kMix, {-1.0});
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 12.0);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kMix)->GetValue(), 0.0);
}

TEST_P(ProcessTest, BypassCrossfadesAndIsKeptAcrossSetup)
{
  TestParamChanges changes;
  changes.Add(TestEffect::kGain, {1.0});
  changes.Add(IEffectVST3::kBypassParamID, {0.5});  // exactly 0.5 stays active
  TestBlock block(32, Use64());
  block.mData.inputParameterChanges = &changes;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_FALSE(mPlug->GetBypassed());
  EXPECT_NEAR(block.Out(1, 3), block.In(1, 3) * Gain(12.0), Tol());

  // Bypassing while playing fades from the processed to the passed-through sound over
  // 5 ms (240 frames at 48 kHz), with the effect running during the fade.
  const int fade = 240;
  changes.Clear();
  changes.Add(IEffectVST3::kBypassParamID, {0.51});
  TestBlock fading(40, Use64());
  fading.mData.inputParameterChanges = &changes;
  int frame = 0;
  for (int b = 0; b < fade / 40; ++b)
  {
    fading.Fill();
    const int blocks = mPlug->mBlocks;
    ASSERT_EQ(mPlug->process(fading.mData), kResultOk);
    changes.Clear();
    EXPECT_EQ(mPlug->mBlocks, blocks + 1);
    for (int s = 0; s < 40; ++s, ++frame)
    {
      const double g = (frame + 1.0) / fade;  // weight of the input
      const double expected = (1.0 - g) * fading.In(0, s) * Gain(12.0) + g * fading.In(0, s);
      ASSERT_NEAR(fading.Out(0, s), expected, Use64() ? 1e-12 : 1e-6) << "frame " << frame;
    }
  }
  EXPECT_TRUE(mPlug->GetBypassed());
  EXPECT_EQ(mPlug->getParamNormalized(IEffectVST3::kBypassParamID), 1.0);
  // After the fade: the input as it is, and the effect does not run.
  block.Fill();
  const int blocks = mPlug->mBlocks;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_EQ(mPlug->mBlocks, blocks);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 32; ++s) ASSERT_EQ(block.Out(c, s), block.In(c, s));

  // A new set-up keeps the host's bypass.
  ProcessSetup setup{kRealtime, GetParam(), kMaxBlock, 48000.0};
  ASSERT_EQ(mPlug->setupProcessing(setup), kResultOk);
  EXPECT_EQ(mPlug->getParamNormalized(IEffectVST3::kBypassParamID), 1.0);
  block.Fill();
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_EQ(block.Out(0, 0), block.In(0, 0));
}

TEST_P(ProcessTest, PresetParameterRestoresPresets)
{
  mPlug->setParamNormalized(TestEffect::kGain, 1.0);
  TestParamChanges changes;
  changes.Add(IEffectVST3::kPresetParamID, {0.99});  // trunc(1 * 0.99) = preset 0
  TestBlock block(8, Use64());
  block.mData.inputParameterChanges = &changes;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 0.0);

  // 1.0 names the last preset (the index is limited to the presets).
  mPlug->setParamNormalized(TestEffect::kGain, 1.0);
  changes.Clear();
  changes.Add(IEffectVST3::kPresetParamID, {1.0});
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 0.0);
  EXPECT_EQ(mPlug->GetCurrentPresetIdx(), 0);
}

TEST_P(ProcessTest, TransportIsReadFromTheLatestContext)
{
  ProcessContext ctx = {};
  ctx.tempo = 133.0;
  ctx.projectTimeSamples = 48000;
  ctx.projectTimeMusic = 4.5;
  ctx.barPositionMusic = 4.0;
  ctx.cycleStartMusic = 2.0;
  ctx.cycleEndMusic = 6.0;
  ctx.timeSigNumerator = 7;
  ctx.timeSigDenominator = 8;
  ctx.state = ProcessContext::kPlaying | ProcessContext::kCycleActive;
  TestBlock block(8, Use64());
  block.mData.processContext = &ctx;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);

  // A block without a context keeps the previous one.
  block.mData.processContext = nullptr;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_EQ(mPlug->GetTempo(), 133.0);
  EXPECT_EQ(mPlug->GetSamplePos(), 48000);
  int num = 0, den = 0;
  mPlug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(den, 8);
  ITimeInfo t;
  mPlug->GetTime(&t);
  EXPECT_EQ(t.mTempo, 133.0);
  EXPECT_EQ(t.mSamplePos, 48000.0);
  EXPECT_EQ(t.mPPQPos, 4.5);
  EXPECT_EQ(t.mLastBar, 4.0);
  EXPECT_EQ(t.mCycleStart, 2.0);
  EXPECT_EQ(t.mCycleEnd, 6.0);
  EXPECT_EQ(t.mNumerator, 7);
  EXPECT_EQ(t.mDenominator, 8);
  EXPECT_TRUE(t.mTransportIsRunning);
  EXPECT_TRUE(t.mTransportLoopEnabled);
  EXPECT_DOUBLE_EQ(mPlug->GetSamplesPerBeat(), 48000.0 * 60.0 / 133.0);
}

// Every block shape a host may send: nothing crashes, nothing is read or written outside
// this block's buffers (the sanitizer builds check the bounds), inputs stay untouched.
TEST_P(ProcessTest, UnusualBlocksAreSafe)
{
  TestBlock block(kMaxBlock, Use64());

  // Zero samples, with and without buffers.
  block.mData.numSamples = 0;
  EXPECT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_EQ(block.Out(0, 0), TestBlock::kMarker);
  block.mData.numSamples = -3;
  EXPECT_EQ(mPlug->process(block.mData), kResultOk);
  ProcessData empty;
  empty.symbolicSampleSize = GetParam();
  EXPECT_EQ(mPlug->process(empty), kResultOk);

  // No buses, or counts without arrays: parameters still apply.
  TestParamChanges changes;
  changes.Add(TestEffect::kGain, {0.75});
  ProcessData flush;
  flush.symbolicSampleSize = GetParam();
  flush.numSamples = 16;
  flush.numInputs = 1;
  flush.numOutputs = 1;
  flush.inputParameterChanges = &changes;
  EXPECT_EQ(mPlug->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 6.0);

  // Null channel arrays and null channel pointers.
  block.Fill();
  block.mData.numSamples = kMaxBlock;
  AudioBusBuffers inBus = block.mInBus, outBus = block.mOutBus;
  inBus.channelBuffers64 = nullptr;
  block.mData.inputs = &inBus;
  EXPECT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_NEAR(block.Out(0, 5), 0.0, Tol());  // a missing input reads silence
  float* nullPtrs32[2] = {nullptr, nullptr};
  double* nullPtrs64[2] = {nullptr, nullptr};
  if (Use64())
    outBus.channelBuffers64 = nullPtrs64;
  else
    outBus.channelBuffers32 = nullPtrs32;
  block.mData.outputs = &outBus;
  block.Fill();
  EXPECT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_EQ(block.Out(0, 0), TestBlock::kMarker);

  // Fewer channels than the buses declare: the missing input reads silence, the
  // missing output is not written.
  TestBlock mono(kMaxBlock, Use64(), 1);
  ASSERT_EQ(mPlug->process(mono.mData), kResultOk);
  EXPECT_NEAR(mono.Out(0, 7), mono.In(0, 7) * Gain(6.0), Tol());

  // More channels than the buses declare: the extra ones are left alone.
  TestBlock wide(kMaxBlock, Use64(), 4);
  ASSERT_EQ(mPlug->process(wide.mData), kResultOk);
  EXPECT_NEAR(wide.Out(1, 7), wide.In(1, 7) * Gain(6.0), Tol());
  EXPECT_EQ(wide.Out(2, 7), TestBlock::kMarker);
  EXPECT_EQ(wide.Out(3, 0), TestBlock::kMarker);

  // More buses than the plug-in has.
  AudioBusBuffers twoIn[2] = {block.mInBus, block.mInBus};
  AudioBusBuffers twoOut[2] = {block.mOutBus, block.mOutBus};
  block.Fill();
  block.mData.inputs = twoIn;
  block.mData.outputs = twoOut;
  block.mData.numInputs = block.mData.numOutputs = 2;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  EXPECT_NEAR(block.Out(0, 9), block.In(0, 9) * Gain(6.0), Tol());

  // Inputs are never written, also when bypassed.
  TestBlock check(kMaxBlock, Use64());
  for (int bypass = 0; bypass < 2; ++bypass)
  {
    mPlug->SetBypassed(bypass != 0);
    check.Fill();
    ASSERT_EQ(mPlug->process(check.mData), kResultOk);
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < kMaxBlock; ++s) ASSERT_EQ(check.In(c, s), (s + 1) / 64.0 * (c + 1));
  }
}

TEST_P(ProcessTest, BlocksLongerThanTheMaximumAreProcessedWhole)
{
  const int n = kMaxBlock * 3 + 5;
  TestParamChanges changes;
  changes.Add(TestEffect::kGain, {0.25});  // -6 dB
  TestBlock block(n, Use64());
  block.mData.inputParameterChanges = &changes;
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < n; ++s) ASSERT_NEAR(block.Out(c, s), block.In(c, s) * Gain(-6.0), Tol());
}

TEST_P(ProcessTest, NoPointerOfAnEarlierBlockIsWritten)
{
  TestBlock first(kMaxBlock, Use64());
  ASSERT_EQ(mPlug->process(first.mData), kResultOk);
  first.Fill();

  // Later blocks without outputs, with a different bus or with inactive output bus.
  ProcessData noOut = first.mData;
  noOut.numOutputs = 0;
  noOut.outputs = nullptr;
  ASSERT_EQ(mPlug->process(noOut), kResultOk);
  TestBlock other(kMaxBlock, Use64());
  ASSERT_EQ(mPlug->process(other.mData), kResultOk);
  mPlug->activateBus(kAudio, kOutput, 0, false);
  TestBlock inactive(kMaxBlock, Use64());
  ASSERT_EQ(mPlug->process(inactive.mData), kResultOk);
  EXPECT_EQ(inactive.Out(0, 0), TestBlock::kMarker);
  mPlug->activateBus(kAudio, kOutput, 0, true);

  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < kMaxBlock; ++s) ASSERT_EQ(first.Out(c, s), TestBlock::kMarker);

  // An input that goes away reads silence, not what it carried before.
  TestBlock again(kMaxBlock, Use64());
  ASSERT_EQ(mPlug->process(again.mData), kResultOk);
  AudioBusBuffers oneIn = again.mInBus;
  oneIn.numChannels = 1;
  again.mData.inputs = &oneIn;
  again.Fill();
  ASSERT_EQ(mPlug->process(again.mData), kResultOk);
  EXPECT_NEAR(again.Out(1, 10), 0.0, Tol());
}

TEST_P(ProcessTest, BlockOfAnotherSampleSizeIsSilenced)
{
  TestBlock block(kMaxBlock, !Use64());
  ASSERT_EQ(mPlug->process(block.mData), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < kMaxBlock; ++s) ASSERT_EQ(block.Out(c, s), 0.0);
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, ProcessTest, ::testing::Values(kSample32, kSample64),
                         [](const ::testing::TestParamInfo<int32>& info) {
                           return info.param == kSample32 ? std::string("Float")
                                                          : std::string("Double");
                         });

TEST(ProcessBeforeSetup, EveryOutputIsSilenced)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect();
  ASSERT_EQ(plug->initialize(&host), kResultOk);
  plug->activateBus(kAudio, kInput, 0, true);
  plug->activateBus(kAudio, kOutput, 0, true);
  // Before set-up, then set up but not active, then after deactivation; also channels
  // beyond the bus and an output bus the plug-in does not have.
  auto check = [](TestEffect* p, const char* when) {
    SCOPED_TRACE(when);
    for (bool use64 : {false, true})
    {
      TestBlock block(512, use64, 3);
      AudioBusBuffers outs[2] = {block.mOutBus, block.mOutBus};
      block.mData.outputs = outs;
      block.mData.numOutputs = 2;
      block.mData.symbolicSampleSize = use64 ? kSample64 : kSample32;
      ASSERT_EQ(p->process(block.mData), kResultOk);
      for (int c = 0; c < 3; ++c)
        for (int s = 0; s < 512; ++s) ASSERT_EQ(block.Out(c, s), 0.0);
      EXPECT_EQ(outs[0].silenceFlags, 7u);
    }
  };
  check(plug, "before set-up");
  ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
  ASSERT_EQ(plug->setupProcessing(setup), kResultOk);
  check(plug, "set up, inactive");
  plug->setActive(true);
  plug->setActive(false);
  check(plug, "deactivated");
  // Not even initialised: no buses, still silence.
  auto* bare = new TestEffect();
  check(bare, "not initialised");
  bare->release();
  plug->terminate();
  plug->release();
}

TEST(ProcessLatency, BypassDelaysByTheLatency)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect(IEffectInstanceInfo(), 3);
  StartPlugin(plug, &host, kSample64, 64);
  EXPECT_EQ(plug->getLatencySamples(), 3u);
  // Set before the first block: nothing has sounded, so no fade.
  ASSERT_EQ(plug->setParamNormalized(IEffectVST3::kBypassParamID, 1.0), kResultOk);
  TestBlock block(16, true);
  ASSERT_EQ(plug->process(block.mData), kResultOk);
  for (int s = 0; s < 16; ++s) ASSERT_EQ(block.Out(0, s), s < 3 ? 0.0 : block.In(0, s - 3));
  plug->terminate();
  plug->release();
}

TEST(ProcessSideChain, SideChainChannelsFollowTheMainBus)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect(IEffectInstanceInfo(), 0, 2, "4-4");
  StartPlugin(plug, &host, kSample32, 64);
  ASSERT_EQ(plug->getBusCount(kAudio, kInput), 2);

  TestBlock main(16, false, 2), side(16, false, 2), out(16, false, 4);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 16; ++s) side.mIn32[c][s] = 0.5f;
  AudioBusBuffers inBuses[2] = {main.mInBus, side.mInBus};
  ProcessData data = main.mData;
  data.inputs = inBuses;
  data.numInputs = 2;
  // The output bus has the arrangement of 4 channels.
  data.outputs = &out.mOutBus;
  ASSERT_EQ(plug->process(data), kResultOk);
  EXPECT_EQ(out.Out(0, 2), main.In(0, 2));
  EXPECT_EQ(out.Out(2, 2), 0.5);
  // With the side chain bus inactive, its channels read silence.
  plug->activateBus(kAudio, kInput, 1, false);
  ASSERT_EQ(plug->process(data), kResultOk);
  EXPECT_EQ(out.Out(2, 2), 0.0);
  EXPECT_EQ(out.Out(1, 2), main.In(1, 2));
  plug->terminate();
  plug->release();
}

namespace {

// A fixed list of note events.
class TestEvents : public IEventList
{
public:
  std::vector<Event> mEvents;
  int32 PLUGIN_API getEventCount() override { return (int32)mEvents.size(); }
  tresult PLUGIN_API getEvent(int32 index, Event& e) override
  {
    if (index < 0 || index >= (int32)mEvents.size()) return kResultFalse;
    e = mEvents[index];
    return kResultOk;
  }
  tresult PLUGIN_API addEvent(Event& e) override { return kResultFalse; }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override
  {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

}  // namespace

TEST(ProcessMidi, NoteEventsBecomeMidiMessages)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect(IEffectInstanceInfo(), 0, 0, "1-1 2-2", 1, false, true);
  StartPlugin(plug, &host);
  TestEvents events;
  Event on = {};
  on.type = Event::kNoteOnEvent;
  on.sampleOffset = 5;
  on.noteOn.channel = 1;
  on.noteOn.pitch = 60;
  on.noteOn.velocity = 0.5f;
  Event poly = {};
  poly.type = Event::kPolyPressureEvent;
  Event off = {};
  off.type = Event::kNoteOffEvent;
  off.sampleOffset = 9;
  off.noteOff.channel = 2;
  off.noteOff.pitch = 61;
  events.mEvents = {on, poly};
  TestBlock block(16);
  block.mData.inputEvents = &events;
  ASSERT_EQ(plug->process(block.mData), kResultOk);
  EXPECT_EQ(plug->mMidiCount, 1);
  EXPECT_EQ(plug->mLastMidi.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(plug->mLastMidi.Channel(), 1);
  EXPECT_EQ(plug->mLastMidi.NoteNumber(), 60);
  EXPECT_EQ(plug->mLastMidi.Velocity(), 63);
  EXPECT_EQ(plug->mLastMidi.mOffset, 5);
  events.mEvents = {off};
  ASSERT_EQ(plug->process(block.mData), kResultOk);
  EXPECT_EQ(plug->mMidiCount, 2);
  EXPECT_EQ(plug->mLastMidi.StatusMsg(), IMidiMsg::kNoteOff);
  EXPECT_EQ(plug->mLastMidi.NoteNumber(), 61);
  EXPECT_EQ(plug->mLastMidi.mOffset, 9);
  plug->terminate();
  plug->release();
}
