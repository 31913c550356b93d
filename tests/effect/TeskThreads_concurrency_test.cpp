// The audio thread processes while the UI thread edits parameters and moves state: the
// instance mutex keeps the stored values, the link and the state consistent.

#include "effect/Tesk.h"

#include "ByteStream.h"
#include "ParamChanges.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(TeskThreads, EditsAndStateTransfersDuringProcessing)
{
  Tesk* tesk = static_cast<Tesk*>(MakePlug());
  ASSERT_EQ(tesk->initialize(nullptr), kResultOk);
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  ASSERT_EQ(tesk->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  ProcessSetup setup{kRealtime, kSample64, 256, 48000.0};
  ASSERT_EQ(tesk->setupProcessing(setup), kResultOk);
  ASSERT_EQ(tesk->setActive(true), kResultOk);

  std::atomic<bool> stop{false};
  std::atomic<bool> finite{true};
  std::thread audio([&] {
    std::vector<double> l(256), r(256), ol(256), orr(256);
    for (int i = 0; i < 256; ++i) {
      l[i] = 0.3 * std::sin(0.07 * i);
      r[i] = 0.2 * std::cos(0.05 * i);
    }
    double* in[2] = {l.data(), r.data()};
    double* out[2] = {ol.data(), orr.data()};
    HostParameterChanges changes;
    int block = 0;
    while (!stop.load()) {
      changes.Clear();
      changes.Add(TeskChain::kLINK, 0, (block / 7) % 2 ? 1.0 : 0.0);
      changes.Add(TeskChain::kMGAIN2L, 0, (block % 11) / 10.0);
      AudioBusBuffers inBus, outBus;
      inBus.numChannels = outBus.numChannels = 2;
      inBus.channelBuffers64 = in;
      outBus.channelBuffers64 = out;
      ProcessData data;
      data.symbolicSampleSize = kSample64;
      data.numSamples = 256;
      data.numInputs = data.numOutputs = 1;
      data.inputs = &inBus;
      data.outputs = &outBus;
      data.inputParameterChanges = &changes;
      tesk->process(data);
      for (double x : ol)
        if (!std::isfinite(x))
          finite = false;
      ++block;
    }
  });

  for (int round = 0; round < 300; ++round) {
    tesk->SetParameterFromGUI(TeskChain::kHGAINR, (round % 13) / 12.0);
    tesk->SetParameterFromGUI(TeskChain::kOVER, round % 2);
    tesk->setParamNormalized(TeskChain::kDRIVE, (round % 5) / 4.0);
    ByteStream saved;
    ASSERT_EQ(tesk->getEditorState(&saved), kResultOk);
    ASSERT_EQ(saved.Bytes().size(), 268u);
    ByteStream again(saved.Bytes());
    ASSERT_EQ(tesk->setEditorState(&again), kResultOk);
  }
  stop = true;
  audio.join();
  EXPECT_TRUE(finite.load());
  tesk->setActive(false);
  tesk->terminate();
  tesk->release();
}
