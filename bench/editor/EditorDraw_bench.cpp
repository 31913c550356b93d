// Drawing an editor the size of the effect's: a background and 33 bitmap controls
// (18 two- and three-frame switches, 15 31-frame knobs), presented through the headless platform.
#include <benchmark/benchmark.h>

#include <vector>

#include "editor/IBitmapControl.h"
#include "editor/IKnobControl.h"
#include "editor/ISwitchControl.h"
#include "framework/IEffectBase.h"
#include "platform/headless/IGraphicsHeadless.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"

namespace {

constexpr int kW = 1156, kH = 456, kParams = 33;

class BenchPlug : public IEffectBase
{
public:
  BenchPlug()
    : IEffectBase(kParams, "2-2", 1, "Bench", "Bench", "Tesk", 0x10000, 1, 1, 0, false, true, false, kAPIVST3)
  {
    for (int i = 0; i < kParams; ++i) GetParam(i)->InitDouble("p", 0.0, -12.0, 12.0, 0.01);
  }
  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int, double) override {}
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiMsg(IMidiMsg*) override { return true; }
};

Pix_MemBitmap* Strip(int w, int frameH, int n, bool alpha)
{
  auto* b = new Pix_MemBitmap(w, frameH * n, 4);
  for (int k = 0; k < n; ++k)
  {
    Pix_FillRect(b, 0, k * frameH, w, frameH, 0xFF000000u | (k * 0x080402u), 1.0f, 0);
    // Round-ish knob faces: transparent corners exercise the source-alpha path.
    if (alpha)
    {
      Pix_FillRect(b, 0, k * frameH, 6, 6, 0x00000000u, 1.0f, 0);
      Pix_FillRect(b, w - 6, k * frameH + frameH - 6, 6, 6, 0x40FFFFFFu, 1.0f, 0);
    }
  }
  return b;
}

struct Editor
{
  Editor()
  {
    plug = new BenchPlug();
    gui = new IGraphicsHeadless(plug, kW, kH, 0, "");
    bitmaps.push_back(Strip(kW, kH, 1, false));
    bitmaps.push_back(Strip(48, 48, 31, true));
    bitmaps.push_back(Strip(40, 24, 3, true));
    IBitmap bg(bitmaps[0], kW, kH, 1);
    IBitmap knob(bitmaps[1], 48, 48 * 31, 31);
    IBitmap sw(bitmaps[2], 40, 24 * 3, 3);
    gui->AttachControl(new IBitmapControl(plug, 0, 0, -1, &bg, IChannelBlend::kBlendClobber));
    for (int i = 0; i < 18; ++i)
      gui->AttachControl(new ISwitchControl(plug, 20 + (i % 9) * 120, 130 + (i / 9) * 210, i, &sw));
    for (int i = 0; i < 15; ++i)
    {
      knobIdx = gui->AttachControl(
        new IKnobMultiControl(plug, 20 + (i % 8) * 120, 40 + (i / 8) * 215, 18 + i, &knob));
    }
    gui->OpenWindow(nullptr);
    plug->AttachGraphics(gui);
    gui->Tick();
  }
  ~Editor()
  {
    delete plug;
    for (auto* b : bitmaps) delete b;
  }
  BenchPlug* plug;
  IGraphicsHeadless* gui;
  std::vector<Pix_MemBitmap*> bitmaps;
  int knobIdx = 0;
};

void BM_FullDraw(benchmark::State& state)
{
  Editor e;
  for (auto _ : state)
  {
    e.gui->SetAllControlsDirty();
    IRECT r;
    e.gui->IsDirty(&r);
    e.gui->Draw(&r);
  }
}
BENCHMARK(BM_FullDraw)->Unit(benchmark::kMicrosecond);

void BM_OneKnobRedraw(benchmark::State& state)
{
  Editor e;
  double v = 0.0;
  for (auto _ : state)
  {
    v = v > 0.9 ? 0.0 : v + 0.05;
    e.gui->SetParameterFromPlug(32, v, true);
    IRECT r;
    e.gui->IsDirty(&r);
    e.gui->Draw(&r);
  }
}
BENCHMARK(BM_OneKnobRedraw)->Unit(benchmark::kMicrosecond);

void BM_IsDirtyClean(benchmark::State& state)
{
  Editor e;
  for (auto _ : state)
  {
    IRECT r;
    benchmark::DoNotOptimize(e.gui->IsDirty(&r));
  }
}
BENCHMARK(BM_IsDirtyClean)->Unit(benchmark::kNanosecond);

}  // namespace
