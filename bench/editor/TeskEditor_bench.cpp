// Tesk's editor with its committed images on the headless platform: a full redraw at each
// scale, the response curve's recompute and redraw, and a repaint tick when nothing changes.
#include <benchmark/benchmark.h>

#include "dsp/TeskChain.h"
#include "editor/IGraphics.h"
#include "effect/Tesk.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskResponseCurve.h"
#include "effect/TeskResponseModel.h"
#include "platform/headless/IGraphicsHeadless.h"

namespace {

struct Editor
{
  explicit Editor(int percent)
  {
    tesk = static_cast<Tesk*>(MakePlug());
    gui = new IGraphicsHeadless(tesk, TeskEditorLayout::kWidth, TeskEditorLayout::kHeight, 0, TESK_IMAGE_DIR);
    TeskEditorLayout::Attach(gui, tesk);
    tesk->AttachGraphics(gui);
    gui->SetScale(percent);
    gui->OpenWindow(nullptr);
    gui->Tick();  // first drawing: images (and large images) loaded
    gui->Tick();
    curve = static_cast<TeskResponseCurve*>(gui->GetControl(TeskEditorLayout::kNumControls));
  }
  ~Editor() { tesk->release(); }
  Tesk* tesk;
  IGraphicsHeadless* gui;
  TeskResponseCurve* curve;
};

// Everything drawn and presented, as when the editor opens or changes scale.
void BM_TeskFullRedraw(benchmark::State& state)
{
  Editor e(static_cast<int>(state.range(0)));
  for (auto _ : state)
  {
    e.gui->SetAllControlsDirty();
    benchmark::DoNotOptimize(e.gui->Tick());
  }
}
BENCHMARK(BM_TeskFullRedraw)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

// A band gain changes (as host automation delivers it): the curve recomputes and the tick
// redraws the strip. Second argument 1: channels independent (LINK 1) with different
// settings, so both channels are computed; 0: linked (the default), one computation.
void BM_TeskCurveRecomputeAndDraw(benchmark::State& state)
{
  Editor e(static_cast<int>(state.range(0)));
  if (state.range(1))
  {
    e.gui->SetParameterFromPlug(TeskChain::kLINK, 1.0, true);
    e.gui->SetParameterFromPlug(TeskChain::kMGAIN3R, 0.2, true);
    e.gui->Tick();
  }
  // MGAIN2L's slot among the curve's followed parameters.
  int aux = -1;
  for (int i = 0; i < e.curve->NAuxParams(); ++i)
    if (e.curve->GetAuxParam(i)->mParamIdx == TeskChain::kMGAIN2L) aux = i;
  double v = 0.0;
  const int before = e.curve->Recomputations();
  for (auto _ : state)
  {
    v = v > 0.95 ? 0.0 : v + 0.05;
    e.curve->SetAuxParamValueFromPlug(aux, v);
    benchmark::DoNotOptimize(e.gui->Tick());
  }
  state.counters["recomputations/iter"] =
    benchmark::Counter(e.curve->Recomputations() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TeskCurveRecomputeAndDraw)
  ->Args({100, 1})
  ->Args({200, 1})
  ->Args({100, 0})
  ->Args({200, 0})
  ->Unit(benchmark::kMicrosecond);

// A repaint tick with nothing moving (readouts and curve on): no redraw may happen.
void BM_TeskIdleTick(benchmark::State& state)
{
  Editor e(static_cast<int>(state.range(0)));
  const int presented = e.gui->PresentCount();
  for (auto _ : state) benchmark::DoNotOptimize(e.gui->Tick());
  state.counters["redraws"] = e.gui->PresentCount() - presented;
}
BENCHMARK(BM_TeskIdleTick)->Arg(100)->Arg(200)->Unit(benchmark::kNanosecond);

}  // namespace

namespace {
void BM_TeskResponseModelOnly(benchmark::State& state)
{
  TeskResponseModel model;
  TeskResponseModel::Channel ch;
  for (int b = 0; b < TeskBands::kNumBands; ++b) ch.hz[b] = TeskBands::kFreqLists[b].hz[0];
  for (int b = 0; b < TeskBands::kNumBands - 1; ++b) ch.gainDb[b] = 3.0;
  double db[TeskResponseModel::kPoints];
  for (auto _ : state)
  {
    ch.gainDb[2] = ch.gainDb[2] > 4 ? -4 : ch.gainDb[2] + 0.1;
    model.Compute(48000.0, ch, db);
    benchmark::DoNotOptimize(db[10]);
  }
}
BENCHMARK(BM_TeskResponseModelOnly)->Unit(benchmark::kMicrosecond);
}
