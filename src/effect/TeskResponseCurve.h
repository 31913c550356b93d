#pragma once

#include "editor/IColor.h"
#include "editor/IControl.h"
#include "effect/TeskResponseModel.h"

// The editor's live response curve: the equaliser's magnitude response (TeskResponseModel) of
// the first and second processing channel, in the channels' colours, over 20 Hz - 20 kHz on a
// logarithmic axis and -18 ... +18 dB, with a thin 0 dB line. With LINK on (0) the second
// channel shows the first channel's settings, which the sound path copies at its next block.
//
// It follows the band parameters as auxiliary parameters, so host automation, the channel
// link, state changes (through the editor's SetParameterFromPlug) and the editor's own
// controls all reach it on the UI thread, and the next tick redraws it; it reads the sample
// rate from the plug-in. Nothing here runs on the audio thread. It takes no mouse input.
class TeskResponseCurve : public IControl
{
public:
  static constexpr int kPoints = TeskResponseModel::kPoints;

  // plot: where the curve is drawn, in panel coordinates (the strip's plot area).
  TeskResponseCurve(IEffectBase* plug, IRECT plot);

  bool Draw(IGraphics* g) override;
  bool IsHit(int x, int y) override { return false; }
  // Dirty also when the plug-in's sample rate changed since the last drawing.
  bool IsDirty() override;
  void SetAuxParamValueFromPlug(int auxParamIdx, double value) override;

  // The curve's values for the current settings (computed when they changed): dB of channel
  // 0 or 1 at point i, whose frequency is PointHz(i). NaN above half the sample rate.
  double ValueDb(int channel, int point);
  static double PointHz(int point) { return TeskResponseModel::PointHz(point); }
  // Where the curve of a value lies, in panel coordinates from pixel edges.
  double XForHz(double hz) const;
  double YForDb(double db) const;
  // Recomputations so far (each follows a change of the settings or the sample rate).
  int Recomputations() const { return mRecomputations; }

private:
  void Recompute();
  // A followed parameter's plain value, as the parameter holds it for that normalised value.
  double Plain(int aux);
  void DrawCurve(IGraphics* g, const double* db, const IColor& color);

  TeskResponseModel mModel;
  double mDb[2][kPoints];
  double mHz[2][TeskBands::kNumBands];  // last valid selection per band, as the sound path keeps it
  double mRate = 0.0;
  bool mStale = true;
  int mRecomputations = 0;
  IColor mColors[2];
  IColor mZeroLine;
};
