#include "effect/TeskResponseCurve.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/IGraphics.h"
#include "effect/TeskEditorLayout.h"
#include "effect/TeskParameterTable.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_Draw.h"
#include "raster/Pix_SysBitmap.h"

namespace {

// A band's frequency selection or gain parameter of a channel (0: L / M, 1: R / S), from the
// parameter table: the first channel's is the pair's link source, the second's its partner.
// TeskParams::kNone when the band has none (the low cut has no gain).
int BandParam(int band, TeskParams::Kind kind, int channel)
{
  for (const TeskParams::Param& p : TeskParams::kTable)
    if (p.band == band && p.kind == kind && TeskParams::IsLinkSource(p)) return channel == 0 ? p.id : p.linkPartner;
  return TeskParams::kNone;
}

// Auxiliary parameter slots, in the order the constructor adds them. The low cut is the last
// band and the only one without a gain.
static_assert(TeskBands::kCut == TeskBands::kNumBands - 1, "the band without a gain comes last");
constexpr int SelectionAux(int band, int channel) { return 2 * band + channel; }
constexpr int GainAux(int band, int channel) { return 2 * TeskBands::kNumBands + 2 * band + channel; }
constexpr int kLinkAux = 2 * TeskBands::kNumBands + 2 * (TeskBands::kNumBands - 1);

constexpr float kThickness = 1.3f;  // curve line width in panel pixels

IColor Channel(int i)
{
  const TeskEditorLayout::ChannelColour& c = TeskEditorLayout::kChannelColours[i];
  return IColor(255, c.r, c.g, c.b);
}

}  // namespace

TeskResponseCurve::TeskResponseCurve(IEffectBase* plug, IRECT plot)
  : IControl(plug, plot), mColors{Channel(0), Channel(1)}, mZeroLine(150, 200, 204, 212)
{
  for (int b = 0; b < TeskBands::kNumBands; ++b)
    for (int ch = 0; ch < 2; ++ch) AddAuxParam(BandParam(b, TeskParams::Kind::List, ch));
  for (int b = 0; b < TeskBands::kNumBands - 1; ++b)
    for (int ch = 0; ch < 2; ++ch) AddAuxParam(BandParam(b, TeskParams::Kind::Continuous, ch));
  AddAuxParam(TeskParamIds::kLINK);
  // What the selections choose before any value arrives: the sound path's defaults.
  for (int ch = 0; ch < 2; ++ch)
    for (int b = 0; b < TeskBands::kNumBands; ++b)
      mHz[ch][b] = TeskBands::kFreqLists[b].hz[b == TeskBands::kCut ? 1 : 0];
  for (int ch = 0; ch < 2; ++ch)
    for (double& v : mDb[ch]) v = 0.0;
}

void TeskResponseCurve::SetAuxParamValueFromPlug(int auxParamIdx, double value)
{
  AuxParam* aux = GetAuxParam(auxParamIdx);
  if (!aux || aux->mValue == value) return;
  aux->mValue = value;
  mStale = true;
  // Values reach this control on the UI thread only, so one drawing is enough: no redraw
  // request for a second pass.
  SetDirty(false);
}

bool TeskResponseCurve::IsDirty()
{
  if (mPlug && mPlug->GetSampleRate() != mRate)
  {
    mStale = true;
    mDirty = true;
  }
  return mDirty;
}

double TeskResponseCurve::Plain(int aux)
{
  const AuxParam* a = GetAuxParam(aux);
  IParam* param = a && mPlug ? mPlug->GetParam(a->mParamIdx) : nullptr;
  if (!param) return 0.0;
  // As IParam::SetNormalized makes it: switches and selections land on whole steps.
  double v = param->GetNonNormalized(a->mValue);
  if (param->GetKind() != IParam::kTypeDouble && param->GetStep() > 0.0)
    v = std::floor(v / param->GetStep() + 0.5) * param->GetStep();
  return std::min(v, param->GetMax());
}

void TeskResponseCurve::Recompute()
{
  mRate = mPlug ? mPlug->GetSampleRate() : 0.0;
  // LINK 0: the sound path copies every first-channel setting to the second channel.
  const bool linked = static_cast<int>(Plain(kLinkAux)) == 0;
  TeskResponseModel::Channel previous;
  for (int ch = 0; ch < 2; ++ch)
  {
    const int from = linked ? 0 : ch;
    TeskResponseModel::Channel settings;
    for (int b = 0; b < TeskBands::kNumBands; ++b)
    {
      const TeskBands::FreqList& list = TeskBands::kFreqLists[b];
      const double selection = Plain(SelectionAux(b, from));
      // A selection that matches no entry keeps the band where it was, as in the sound path.
      for (int k = 0; k < list.count; ++k)
        if (selection == static_cast<double>(k)) mHz[ch][b] = list.hz[k];
      settings.hz[b] = mHz[ch][b];
      if (b < TeskBands::kNumBands - 1) settings.gainDb[b] = Plain(GainAux(b, from));
    }
    // Both channels alike (always so when linked): one computation.
    if (ch == 1 && memcmp(&settings, &previous, sizeof(settings)) == 0)
      memcpy(mDb[1], mDb[0], sizeof(mDb[1]));
    else
      mModel.Compute(mRate, settings, mDb[ch]);
    previous = settings;
  }
  mStale = false;
  ++mRecomputations;
}

double TeskResponseCurve::ValueDb(int channel, int point)
{
  if (channel < 0 || channel > 1 || point < 0 || point >= kPoints) return 0.0;
  IsDirty();
  if (mStale) Recompute();
  return mDb[channel][point];
}

double TeskResponseCurve::XForHz(double hz) const
{
  return mRECT.L + mRECT.W() * std::log(hz / TeskResponseModel::kMinHz) /
                     std::log(TeskResponseModel::kMaxHz / TeskResponseModel::kMinHz);
}

double TeskResponseCurve::YForDb(double db) const
{
  return 0.5 * (mRECT.T + mRECT.B) - db * mRECT.H() / (2.0 * TeskEditorLayout::kCurveRangeDb);
}

bool TeskResponseCurve::Draw(IGraphics* g)
{
  if (mStale) Recompute();
  Pix_SysBitmap* surface = g->GetDrawBitmap();
  if (!surface) return true;
  const IScale& scale = g->GetScale();
  const IRECT clip = scale.ToSurface(mRECT.Intersect(g->GetDrawRECT()));
  if (clip.Empty() || clip.W() <= 0 || clip.H() <= 0) return true;

  // The 0 dB line: one surface pixel thin at every scale.
  const int zero = static_cast<int>(std::floor(YForDb(0.0) * scale.Factor()));
  if (zero >= clip.T && zero < clip.B)
    Pix_FillRect(surface, clip.L, zero, clip.W(), 1, mZeroLine.ToPixel(), 1.0f, Pix_ModeSourceAlpha);

  DrawCurve(g, mDb[1], mColors[1]);
  DrawCurve(g, mDb[0], mColors[0]);
  return true;
}

void TeskResponseCurve::DrawCurve(IGraphics* g, const double* db, const IColor& color)
{
  Pix_SysBitmap* surface = g->GetDrawBitmap();
  const IScale& scale = g->GetScale();
  const double f = scale.Factor();
  const IRECT plot = scale.ToSurface(mRECT);
  const IRECT clip = scale.ToSurface(mRECT.Intersect(g->GetDrawRECT()));
  const float half = 0.5f * kThickness * static_cast<float>(f);
  // Curve values are kept a little inside the plot so that a clipped peak still shows as a
  // flat line at the edge.
  const double limit = TeskEditorLayout::kCurveRangeDb + 0.5;
  const double yMid = 0.5 * (mRECT.T + mRECT.B) * f - 0.5;
  const double yPerDb = -mRECT.H() * f / (2.0 * TeskEditorLayout::kCurveRangeDb);

  // The curve's height at the centre of each surface column of the clip and of its two
  // neighbours, in surface pixel-centre coordinates (NaN where it has no value). The model's
  // points are spaced evenly along the axis.
  const int x0 = std::max(clip.L, plot.L), x1 = std::min(clip.R, plot.R);
  if (x1 <= x0) return;
  constexpr int kMaxColumns = 4096;
  float y[kMaxColumns + 2];
  const int n = std::min(x1 - x0, kMaxColumns);
  const double uPerColumn = (kPoints - 1) / (mRECT.W() * f);
  const double u0 = ((x0 - 1 + 0.5) / f - mRECT.L) / mRECT.W() * (kPoints - 1);
  for (int c = 0; c < n + 2; ++c)
  {
    const double u = u0 + c * uPerColumn;
    y[c] = NAN;
    if (u < 0.0 || u > kPoints - 1) continue;
    const int i = std::min(static_cast<int>(u), kPoints - 2);
    const double t = u - i, a = db[i], b = db[i + 1];
    if (std::isnan(a) || std::isnan(b)) continue;
    const double v = std::max(-limit, std::min(limit, a + (b - a) * t));
    y[c] = static_cast<float>(yMid + v * yPerDb);
  }

  const float top = static_cast<float>(clip.T) - 0.5f, bottom = static_cast<float>(clip.B) - 0.5f;
  float lo[kMaxColumns], hi[kMaxColumns];
  for (int c = 1; c <= n; ++c)
  {
    lo[c - 1] = 1.0f, hi[c - 1] = 0.0f;  // nothing
    if (std::isnan(y[c])) continue;
    // Reach halfway to each neighbour's value so that steep parts have no gaps.
    float a = y[c], b = y[c];
    for (int k : {c - 1, c + 1})
      if (!std::isnan(y[k]))
      {
        const float m = 0.5f * (y[c] + y[k]);
        a = std::min(a, m);
        b = std::max(b, m);
      }
    lo[c - 1] = std::max(a - half, top);
    hi[c - 1] = std::min(b + half, bottom);
  }
  Pix_VSpans(surface, x0, n, lo, hi, color.ToPixel(), 1.0f, Pix_ModeSourceAlpha);
}
