#include "framework/IEffectBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/support/TestPlug.h"

namespace
{
TestPlug::Options Spec(const char* io, int latency = 0)
{
  TestPlug::Options o;
  o.ioSpec = io;
  o.latency = latency;
  return o;
}
}  // namespace

TEST(IEffectBase, ChannelIOList)
{
  TestPlug plug(Spec("1-1 2-2"));
  ASSERT_EQ(plug.NChannelIO(), 2);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_TRUE(plug.LegalIO(1, -1));
  EXPECT_TRUE(plug.LegalIO(-1, -1));
  EXPECT_FALSE(plug.LegalIO(2, 1));

  // The empty token between two spaces is the entry 0-0.
  TestPlug gap(Spec("2-2  1-1"));
  ASSERT_EQ(gap.NChannelIO(), 3);
  EXPECT_EQ(gap.GetChannelIO(0)->mIn, 2);
  EXPECT_EQ(gap.GetChannelIO(1)->mIn, 0);
  EXPECT_EQ(gap.GetChannelIO(1)->mOut, 0);
  EXPECT_EQ(gap.GetChannelIO(2)->mOut, 1);
  EXPECT_TRUE(gap.LegalIO(0, 0));

  TestPlug none(Spec(nullptr));
  EXPECT_EQ(none.NChannelIO(), 0);
  EXPECT_EQ(none.NInChannels(), 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));

  TestPlug odd(Spec("1-2 junk 0-4"));
  EXPECT_EQ(odd.NChannelIO(), 3);
  EXPECT_EQ(odd.NInChannels(), 1);
  EXPECT_EQ(odd.NOutChannels(), 4);
}

TEST(IEffectBase, ConnectionsAndAttachedBuffers)
{
  TestPlug plug(Spec("2-2"));
  plug.SetBlockSize(8);
  EXPECT_FALSE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsInChannelConnected(5));
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetInputChannelConnections(1, 1, false);
  plug.SetInputChannelConnections(1, 100, false);  // clipped to the channel count
  EXPECT_TRUE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsInChannelConnected(1));

  plug.InScratch(1)[3] = 5.0;
  plug.ZeroScratchBuffers();
  double host[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  double* pp[] = {host};
  plug.AttachInputBuffers(0, 2, pp, 8);
  EXPECT_EQ(plug.InData(0), host);
  EXPECT_EQ(plug.InData(1), plug.InScratch(1));
  for (int s = 0; s < 8; ++s) EXPECT_EQ(plug.InData(1)[s], 0.0);

  // Connected outputs take the host's buffers in order; disconnected ones skip.
  plug.SetOutputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 1, false);
  double out1[8] = {};
  double* po[] = {out1};
  plug.AttachOutputBuffers(0, 2, po);
  EXPECT_EQ(plug.OutData(1), out1);
  EXPECT_EQ(plug.OutData(0), plug.OutScratch(0));

  plug.LimitToStereoIO();  // nothing beyond channel 2 here
  EXPECT_TRUE(plug.IsOutChannelConnected(1));
}

TEST(IEffectBase, BaseProcessingCopiesAndZeroes)
{
  TestPlug plug(Spec("1-2"));
  double in[4] = {1, 2, 3, 4};
  double out0[4] = {9, 9, 9, 9}, out1[4] = {9, 9, 9, 9};
  double* ins[] = {in};
  double* outs[] = {out0, out1};
  plug.ProcessDoubleReplacing(ins, outs, 4);
  for (int s = 0; s < 4; ++s)
  {
    EXPECT_EQ(out0[s], in[s]);
    EXPECT_EQ(out1[s], 0.0);
  }
}

TEST(IEffectBase, SetBlockSizeResizesOnlyOnChange)
{
  TestPlug plug;
  plug.SetBlockSize(16);
  plug.InScratch(0)[5] = 3.0;
  plug.SetBlockSize(16);
  EXPECT_EQ(plug.InScratch(0)[5], 3.0);
  plug.SetBlockSize(32);
  EXPECT_EQ(plug.GetBlockSize(), 32);
  EXPECT_EQ(plug.InScratch(0)[5], 0.0);
  plug.SetBlockSize(-4);
  EXPECT_EQ(plug.GetBlockSize(), 0);
}

TEST(IEffectBase, VersionsNamesAndLabels)
{
  TestPlug plug;  // version 0x30102
  EXPECT_STREQ(plug.GetAPIString(), "VST3");
  EXPECT_STREQ(plug.GetPresetName(0), "empty");
  EXPECT_EQ(plug.GetEffectVersion(false), 0x30102);
  EXPECT_EQ(plug.GetEffectVersion(true), 30102);
  char text[32];
  plug.GetEffectVersionStr(text);
  EXPECT_STREQ(text, "v3.1.2");

  plug.tempo = 120.0;
  plug.SetSampleRate(48000.0);
  EXPECT_DOUBLE_EQ(plug.GetSamplesPerBeat(), 24000.0);
  plug.tempo = 0.0;
  EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0);

  plug.SetInputLabel(1, "R");
  plug.SetInputLabel(7, "x");
  EXPECT_STREQ(plug.GetInputLabel(1), "R");
  EXPECT_STREQ(plug.GetInputLabel(7), "");

  plug.SetInputBusLabel(2, "ignored");
  EXPECT_EQ(plug.NInputBusLabels(), 0);
  plug.SetInputBusLabel(0, "Main Input");
  plug.SetInputBusLabel(0, "Main");
  EXPECT_EQ(plug.NInputBusLabels(), 1);
  EXPECT_STREQ(plug.GetInputBusLabel(0)->Get(), "Main");
  plug.SetOutputBusLabel(2, "Output");  // appended to an empty list
  ASSERT_EQ(plug.NOutputBusLabels(), 1);
  EXPECT_STREQ(plug.GetOutputBusLabel(0)->Get(), "Output");
  plug.SetOutputBusLabel(-1, "ignored");
  EXPECT_EQ(plug.NOutputBusLabels(), 1);
}

TEST(IEffectBase, LatencyDelayLine)
{
  TestPlug plug(Spec("2-2", 3));
  plug.CreateDelay(3);
  plug.SetBlockSize(8);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);

  // In place: the host hands the same buffers as input and output.
  double b0[8] = {1, 0, 0, 0, 0, 0, 0, 0}, b1[8] = {0, 2, 0, 0, 0, 0, 0, 0};
  double* pp[] = {b0, b1};
  plug.AttachInputBuffers(0, 2, pp, 8);
  plug.AttachOutputBuffers(0, 2, pp);
  plug.PassThroughBuffers(0.0, 8);
  const double e0[8] = {0, 0, 0, 1, 0, 0, 0, 0}, e1[8] = {0, 0, 0, 0, 2, 0, 0, 0};
  for (int s = 0; s < 8; ++s)
  {
    EXPECT_EQ(b0[s], e0[s]) << s;
    EXPECT_EQ(b1[s], e1[s]) << s;
  }

  // Across a block boundary: a sample in the last frame comes out 3 frames later.
  double in[8] = {0, 0, 0, 0, 0, 0, 0, 7}, out[8], in1[8] = {}, out1[8];
  double* pi[] = {in, in1};
  double* po[] = {out, out1};
  plug.AttachInputBuffers(0, 2, pi, 8);
  plug.AttachOutputBuffers(0, 2, po);
  plug.PassThroughBuffers(0.0, 8);
  in[7] = 0;
  plug.PassThroughBuffers(0.0, 8);
  EXPECT_EQ(out[2], 7.0);
  EXPECT_EQ(out[1], 0.0);

  // A latency within the line's length keeps its history: the output goes on with the
  // input of 2 frames ago.
  for (int s = 0; s < 8; ++s) in[s] = s + 1;
  plug.PassThroughBuffers(0.0, 8);
  plug.SetLatency(2);
  EXPECT_EQ(plug.GetLatency(), 2);
  EXPECT_EQ(plug.GetDelay()->GetDelayTime(), 2);
  for (int s = 0; s < 8; ++s) in[s] = 10 + s;
  plug.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out[0], 7.0);
  EXPECT_EQ(out[1], 8.0);
  EXPECT_EQ(out[2], 10.0);

  // A longer one than the line holds grows it, cleared.
  plug.SetLatency(5);
  EXPECT_EQ(plug.GetDelay()->GetDelayTime(), 5);
  plug.PassThroughBuffers(0.0, 8);
  EXPECT_EQ(out[4], 0.0);
  EXPECT_EQ(out[5], 10.0);
}

TEST(IEffectBase, PassThroughWithoutLatencyCopies)
{
  TestPlug plug(Spec("1-2"));
  plug.SetBlockSize(4);
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetOutputChannelConnections(0, 2, true);
  plug.mode = TestPlug::kAccumulate;  // the effect's processing must not run
  float in[4] = {1, 2, 3, 4};
  float out0[4] = {}, out1[4] = {9, 9, 9, 9};
  float* pi[] = {in};
  float* po[] = {out0, out1};
  plug.AttachInputBuffers(0, 1, pi, 4);
  plug.AttachOutputBuffers(0, 2, po);
  plug.PassThroughBuffers(0.f, 4);
  EXPECT_EQ(plug.processCalls, 0);
  for (int s = 0; s < 4; ++s)
  {
    EXPECT_EQ(out0[s], in[s]);
    EXPECT_EQ(out1[s], 0.f);
  }
}

TEST(IEffectBase, SinglePrecisionReplacingAndAccumulating)
{
  TestPlug plug(Spec("2-2"));
  plug.SetBlockSize(4);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  float in0[4] = {0.5f, -1, 2, 0.25f}, in1[4] = {1, 1, 1, 1};
  float out0[4] = {7, 7, 7, 7}, out1[4] = {1, 2, 3, 4};
  float* pi[] = {in0, in1};
  float* po[] = {out0, out1};
  plug.AttachInputBuffers(0, 2, pi, 4);
  plug.AttachOutputBuffers(0, 2, po);
  plug.ProcessBuffers(0.f, 4);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(out0[s], in0[s]);
  plug.ProcessBuffersAccumulating(0.f, 4);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(out0[s], 2 * in0[s]);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(out1[s], 2.f);
}

// Processing a long block must equal processing it in block-size slices, and the
// effect must never be handed more frames than the block size.
TEST(IEffectBase, LongBlocksAreProcessedInSlices)
{
  const int kBlock = 16, kLong = 100;
  std::vector<float> in(kLong), in1(kLong);
  for (int s = 0; s < kLong; ++s)
  {
    in[s] = (float)(s % 7) - 3.f;
    in1[s] = (float)(s % 5);
  }

  // Reference: the same stateful effect fed in block-size pieces.
  TestPlug ref(Spec("2-2"));
  ref.mode = TestPlug::kAccumulate;
  ref.SetBlockSize(kBlock);
  ref.SetInputChannelConnections(0, 2, true);
  ref.SetOutputChannelConnections(0, 2, true);
  std::vector<float> refOut(kLong), refOut1(kLong);
  for (int off = 0; off < kLong; off += kBlock)
  {
    const int n = std::min(kBlock, kLong - off);
    float* pi[] = {in.data() + off, in1.data() + off};
    float* po[] = {refOut.data() + off, refOut1.data() + off};
    ref.AttachInputBuffers(0, 2, pi, n);
    ref.AttachOutputBuffers(0, 2, po);
    ref.ProcessBuffers(0.f, n);
  }

  TestPlug plug(Spec("2-2"));
  plug.mode = TestPlug::kAccumulate;
  plug.SetBlockSize(kBlock);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::vector<float> out(kLong), out1(kLong);
  float* pi[] = {in.data(), in1.data()};
  float* po[] = {out.data(), out1.data()};
  plug.AttachInputBuffers(0, 2, pi, kLong);
  plug.AttachOutputBuffers(0, 2, po);
  plug.ProcessBuffers(0.f, kLong);
  EXPECT_LE(plug.maxFrames, kBlock);
  EXPECT_EQ(out, refOut);
  EXPECT_EQ(out1, refOut1);

  // Double precision with a disconnected input and output.
  TestPlug dbl(Spec("2-2"));
  dbl.mode = TestPlug::kAccumulate;
  dbl.SetBlockSize(kBlock);
  dbl.SetInputChannelConnections(0, 1, true);
  dbl.SetOutputChannelConnections(0, 1, true);
  std::vector<double> din(in.begin(), in.end()), dout(kLong);
  double* dpi[] = {din.data()};
  double* dpo[] = {dout.data()};
  dbl.AttachInputBuffers(0, 2, dpi, kLong);
  dbl.AttachOutputBuffers(0, 2, dpo);
  dbl.ProcessBuffers(0.0, kLong);
  EXPECT_LE(dbl.maxFrames, kBlock);
  for (int s = 0; s < kLong; ++s) EXPECT_EQ((float)dout[s], refOut[s]) << s;

  // Accumulating and pass-through take the same slices.
  std::vector<float> acc(kLong, 1.f);
  float* pa[] = {acc.data(), out1.data()};
  plug.mode = TestPlug::kBase;
  plug.AttachInputBuffers(0, 2, pi, kLong);
  plug.AttachOutputBuffers(0, 2, pa);
  plug.ProcessBuffersAccumulating(0.f, kLong);
  for (int s = 0; s < kLong; ++s) EXPECT_EQ(acc[s], 1.f + in[s]) << s;
  plug.PassThroughBuffers(0.f, kLong);
  for (int s = 0; s < kLong; ++s) EXPECT_EQ(acc[s], in[s]) << s;
}

TEST(IEffectBase, BlocksBeforeSetUpAreSafe)
{
  // Single precision needs scratch buffers: silence until a block size is set.
  TestPlug plug(Spec("2-2"));
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  float in[64], out0[64], out1[64];
  for (int s = 0; s < 64; ++s) in[s] = out0[s] = out1[s] = 1.f;
  float* pi[] = {in, in};
  float* po[] = {out0, out1};
  plug.AttachInputBuffers(0, 2, pi, 64);
  plug.AttachOutputBuffers(0, 2, po);
  plug.ProcessBuffers(0.f, 64);
  for (int s = 0; s < 64; ++s) EXPECT_EQ(out0[s], 0.f);
  EXPECT_EQ(plug.processCalls, 0);

  // A disconnected channel needs scratch too.
  plug.SetInputChannelConnections(1, 1, false);
  double din[64] = {}, dout0[64], dout1[64];
  double* dpi[] = {din};
  double* dpo[] = {dout0, dout1};
  plug.AttachInputBuffers(0, 2, dpi, 64);
  plug.AttachOutputBuffers(0, 2, dpo);
  dout0[5] = 3.0;
  plug.ProcessBuffers(0.0, 64);
  EXPECT_EQ(dout0[5], 0.0);
  EXPECT_EQ(plug.processCalls, 0);

  // Host buffers only: processed in place as they are.
  plug.SetInputChannelConnections(0, 2, true);
  din[5] = 4.0;
  double* dpi2[] = {din, din};
  plug.AttachInputBuffers(0, 2, dpi2, 64);
  plug.ProcessBuffers(0.0, 64);
  EXPECT_EQ(plug.processCalls, 1);
  EXPECT_EQ(dout0[5], 4.0);

  // A block of zero frames still reaches the effect.
  plug.ProcessBuffers(0.0, 0);
  EXPECT_EQ(plug.processCalls, 2);
}

TEST(IEffectBase, SetParameterFromGUI)
{
  TestPlug plug;
  plug.SetParameterFromGUI(0, 0.75);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->GetValue(), 9.0);
  ASSERT_EQ(plug.informed.size(), 1u);
  EXPECT_EQ(plug.informed[0].first, 0);
  EXPECT_EQ(plug.informed[0].second, 0.75);
  EXPECT_EQ(plug.paramChanges, std::vector<int>{0});

  plug.SetParameterFromGUI(3, 0.5);
  plug.SetParameterFromGUI(-1, 0.5);
  EXPECT_EQ(plug.informed.size(), 1u);
  EXPECT_EQ(plug.paramChanges.size(), 1u);
}

TEST(IEffectBase, TheHostIsToldWithTheMutexReleased)
{
  // A host may wait for its audio thread, which waits for this mutex, inside the call.
  TestPlug plug;
  plug.probeLock = true;
  plug.SetParameterFromGUI(0, 0.25);
  plug.DirtyParameters();
  EXPECT_EQ(plug.informed.size(), 4u);
  EXPECT_EQ(plug.informedUnderLock, 0);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->GetValue(), -9.0);  // changed before the host heard
}

TEST(IEffectBase, EditorAttachRedrawAndOwnership)
{
  bool firstDeleted = false, secondDeleted = false;
  {
    TestPlug plug;
    plug.AttachGraphics(nullptr);
    EXPECT_EQ(plug.GetGUI(), nullptr);

    auto* editor = new RecordingEditor(&firstDeleted);
    plug.AttachGraphics(editor);
    EXPECT_EQ(plug.GetGUI(), editor);
    ASSERT_EQ(editor->calls.size(), 3u);
    EXPECT_EQ(editor->prepDrawCalls, 1);
    for (int i = 0; i < 3; ++i)
    {
      EXPECT_EQ(editor->calls[i].idx, i);
      EXPECT_TRUE(editor->calls[i].normalized);
      EXPECT_DOUBLE_EQ(editor->calls[i].value, plug.GetParam(i)->GetNormalized());
    }

    editor->calls.clear();
    plug.RedrawParamControls();
    ASSERT_EQ(editor->calls.size(), 3u);
    EXPECT_FALSE(editor->calls[2].normalized);
    EXPECT_EQ(editor->calls[2].value, -40.0);

    plug.AttachGraphics(new RecordingEditor(&secondDeleted));
    EXPECT_TRUE(firstDeleted);
    EXPECT_FALSE(secondDeleted);
  }
  EXPECT_TRUE(secondDeleted);
}

TEST(IEffectBase, HostNotificationsAndMidi)
{
  TestPlug plug;
  plug.DirtyParameters();
  ASSERT_EQ(plug.informed.size(), 3u);
  EXPECT_DOUBLE_EQ(plug.informed[1].second, 1.0);

  plug.OnParamReset();
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1, 2}));

  Core_TypedBuf<IMidiMsg> msgs;
  msgs.Resize(3);
  EXPECT_TRUE(plug.SendMidiMsgs(&msgs));
  EXPECT_EQ(plug.sentMidi, 3);
  plug.midiResult = false;
  EXPECT_FALSE(plug.SendMidiMsgs(&msgs));
  EXPECT_EQ(plug.sentMidi, 6);

  IMidiMsg msg;
  plug.ProcessMidiMsg(&msg);
  EXPECT_EQ(plug.sentMidi, 7);
  char name[8] = "x";
  EXPECT_FALSE(plug.MidiNoteName(60, name));
  EXPECT_STREQ(name, "");
}

TEST(IEffectBase, DisconnectedInputsReadSilence)
{
  TestPlug plug(Spec("2-2"));
  plug.SetBlockSize(4);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  float in[4] = {1, 2, 3, 4}, out0[4], out1[4];
  float* pi[] = {in, in};
  float* po[] = {out0, out1};
  plug.AttachInputBuffers(0, 2, pi, 4);
  plug.AttachOutputBuffers(0, 2, po);
  plug.ProcessBuffers(0.f, 4);
  EXPECT_EQ(out1[3], 4.f);

  plug.SetInputChannelConnections(1, 1, false);
  plug.AttachInputBuffers(0, 2, pi, 4);
  plug.ProcessBuffers(0.f, 4);
  EXPECT_EQ(out0[3], 4.f);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(out1[s], 0.f) << s;
}

TEST(NChanDelay, DelaysSharedChannelsAndSilencesTheRest)
{
  NChanDelay delay(1, 2, 2);
  double in[4] = {1, 2, 3, 4}, out0[4], out1[4] = {9, 9, 9, 9};
  double* pi[] = {in};
  double* po[] = {out0, out1};
  delay.ProcessBlock(pi, po, 4);
  const double expected[4] = {0, 0, 1, 2};
  for (int s = 0; s < 4; ++s)
  {
    EXPECT_EQ(out0[s], expected[s]);
    EXPECT_EQ(out1[s], 0.0);
  }
  delay.Reset();
  delay.ProcessBlock(pi, po, 1);
  EXPECT_EQ(out0[0], 0.0);

  NChanDelay none(2, 2, 0);
  double* pp[] = {in, out1};
  none.ProcessBlock(pp, po, 4);
  EXPECT_EQ(out0[2], 3.0);

  // Reserved length: the delay moves within it without losing what the line holds, also
  // through a length of 0 (which copies but keeps recording).
  NChanDelay line(1, 1, 1);
  ASSERT_TRUE(line.Reserve(4));
  EXPECT_EQ(line.GetCapacity(), 4);
  double ramp[4] = {1, 2, 3, 4}, o[4];
  double* ri[] = {ramp};
  double* ro[] = {o};
  line.ProcessBlock(ri, ro, 4);
  EXPECT_EQ(o[0], 0.0);
  EXPECT_EQ(o[3], 3.0);
  ASSERT_TRUE(line.ChangeDelayTime(0));
  double next[2] = {5, 6};
  double* ni[] = {next};
  line.ProcessBlock(ni, ro, 2);
  EXPECT_EQ(o[0], 5.0);
  ASSERT_TRUE(line.ChangeDelayTime(4));
  line.ProcessBlock(ri, ro, 2);  // four frames back: 3, then 4
  EXPECT_EQ(o[0], 3.0);
  EXPECT_EQ(o[1], 4.0);
  EXPECT_FALSE(line.ChangeDelayTime(5));
  EXPECT_EQ(line.GetDelayTime(), 4);
}
