// The editor ticks, shows readouts and redraws its response curve on the UI thread while the
// audio thread processes host automation and the channel link: nothing is shared unguarded.

#include "effect/Tesk.h"

#include "ParamChanges.h"
#include "editor/IGraphics.h"
#include "editor/IValueReadout.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskResponseCurve.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(TeskEditorThreads, ReadoutsAndCurveDuringAutomation)
{
  Tesk* tesk = static_cast<Tesk*>(MakePlug());
  ASSERT_EQ(tesk->initialize(nullptr), kResultOk);
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  ASSERT_EQ(tesk->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
  ProcessSetup setup{kRealtime, kSample64, 128, 48000.0};
  ASSERT_EQ(tesk->setupProcessing(setup), kResultOk);
  ASSERT_EQ(tesk->setActive(true), kResultOk);
  IGraphics* gui = static_cast<IGraphics*>(tesk->GetGUI());
  auto* curve = dynamic_cast<TeskResponseCurve*>(gui->GetControl(TeskEditorLayout::kNumControls));
  ASSERT_NE(curve, nullptr);
  int knob = -1;
  for (int i = 0; i < gui->NControls(); ++i)
    if (gui->GetControl(i)->ParamIdx() == TeskChain::kMGAIN2L) knob = i;
  ASSERT_GE(knob, 0);

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<double> l(128, 0.0), r(128, 0.0), ol(128), orr(128);
    double* in[2] = {l.data(), r.data()};
    double* out[2] = {ol.data(), orr.data()};
    HostParameterChanges changes;
    int block = 0;
    while (!stop.load())
    {
      changes.Clear();
      changes.Add(TeskChain::kMGAIN2L, 0, (block % 17) / 16.0);
      changes.Add(TeskChain::kHGAINR, 0, (block % 5) / 4.0);
      changes.Add(TeskChain::kLINK, 0, (block / 9) % 2 ? 1.0 : 0.0);
      AudioBusBuffers inBus, outBus;
      inBus.numChannels = outBus.numChannels = 2;
      inBus.channelBuffers64 = in;
      outBus.channelBuffers64 = out;
      ProcessData data;
      data.symbolicSampleSize = kSample64;
      data.numSamples = 128;
      data.numInputs = data.numOutputs = 1;
      data.inputs = &inBus;
      data.outputs = &outBus;
      data.inputParameterChanges = &changes;
      tesk->process(data);
      ++block;
    }
  });

  const IRECT k = *gui->GetControl(knob)->GetRECT();
  IMouseMod left(true);
  int shown = 0;
  for (int round = 0; round < 120; ++round)
  {
    gui->OnMouseDown((k.L + k.R) / 2, (k.T + k.B) / 2, &left);
    gui->OnMouseDrag((k.L + k.R) / 2, (k.T + k.B) / 2 - 1 - round % 7, &left);
    IRECT r;
    if (gui->IsDirty(&r)) gui->Draw(&r);
    shown += gui->GetValueReadout()->IsVisible();
    gui->OnMouseUp((k.L + k.R) / 2, (k.T + k.B) / 2, &left);
    gui->OnMouseOver((k.L + k.R) / 2, (k.T + k.B) / 2, &left);
    if (gui->IsDirty(&r)) gui->Draw(&r);
    curve->ValueDb(0, round % TeskResponseCurve::kPoints);
  }
  stop = true;
  audio.join();
  EXPECT_EQ(shown, 120);
  tesk->setActive(false);
  tesk->terminate();
  tesk->release();
}
