// Parameter values pushed from an "audio" thread while the UI thread draws and handles events.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "editor/IKnobControl.h"
#include "editor/IPanelControl.h"
#include "editor/ISwitchControl.h"
#include "editor/support/EditorTestUtil.h"

using edtest::Rig;

TEST(EditorThreads, ValuesFromTheAudioThreadArriveWholeAndLast)
{
  Rig rig(200, 100);
  IBitmap strip(nullptr, 20, 20 * 31, 31, false);
  IBitmap two(nullptr, 20, 40, 2, false);
  rig.gui->AttachPanelBackground(&COLOR_GRAY);
  auto* gain = new IKnobMultiControl(rig.plug, 0, 0, TestPlug::kGain, &strip);
  auto* steps = new IKnobMultiControl(rig.plug, 30, 0, TestPlug::kSteps, &strip);
  auto* link = new ISwitchControl(rig.plug, 60, 0, TestPlug::kLink, &two);
  auto* mirror = new IPanelControl(rig.plug, IRECT(90, 0, 110, 20), &COLOR_RED);
  mirror->AddAuxParam(TestPlug::kLink);
  auto* mode = new IKnobMultiControl(rig.plug, 120, 0, TestPlug::kMode, &strip);
  rig.gui->AttachControl(mode);
  for (IControl* c : {static_cast<IControl*>(gain), static_cast<IControl*>(steps), static_cast<IControl*>(link),
                      static_cast<IControl*>(mirror)})
    rig.gui->AttachControl(c);
  rig.Attach();
  rig.gui->SetParameterFromPlug(TestPlug::kGain, 0.0, true);

  constexpr int kRounds = 20000;
  std::atomic<bool> go{false}, done{false};
  std::thread audio([&] {
    while (!go.load()) std::this_thread::yield();
    for (int i = 1; i <= kRounds; ++i)
    {
      // Whole values only: a torn double would show up as a value that was never sent.
      rig.gui->SetParameterFromPlug(TestPlug::kGain, i / static_cast<double>(kRounds), true);
      rig.gui->SetParameterFromPlug(TestPlug::kSteps, static_cast<double>(i % 11), false);
      rig.gui->SetParameterFromPlug(TestPlug::kLink, static_cast<double>(i & 1), true);
    }
    done.store(true);
  });

  go.store(true);
  IMouseMod m(true, false);
  double last = 0.0;
  bool monotonic = true;
  for (int tick = 0; tick < 400 || !done.load(); ++tick)
  {
    rig.gui->Tick();
    double v = gain->GetValue();
    if (v < last) monotonic = false;
    last = v;
    long long k = static_cast<long long>(v * kRounds + 0.5);
    EXPECT_EQ(v, k / static_cast<double>(kRounds)) << v;
    // A user gesture on another control meanwhile.
    rig.gui->OnMouseDown(125, 5, &m);
    rig.gui->OnMouseDrag(125, 5 - (tick % 3) - 1, &m);
    rig.gui->OnMouseUp(125, 5, &m);
  }
  audio.join();
  EXPECT_TRUE(monotonic);

  rig.gui->Tick();  // the last values arrive on the next tick
  EXPECT_EQ(gain->GetValue(), 1.0);
  EXPECT_EQ(link->GetValue(), 0.0);
  EXPECT_EQ(mirror->GetAuxParam(0)->mValue, 0.0);
  EXPECT_DOUBLE_EQ(steps->GetValue(), (kRounds % 11) / 10.0);
}
