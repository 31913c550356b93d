#pragma once

#include <cmath>

class IEffectBase;
class IGraphics;

// Tesk's editor: a 1156 x 456 panel of PNG filmstrips. The layout is one table of
// controls (attach order, class, image, frames, position, parameter); the images fix
// the control sizes. The images are found among the bundle's resources by the last
// component of their names.
namespace TeskEditorLayout {

constexpr int kWidth = 1156;
constexpr int kHeight = 456;
// Frame-rate argument: 0 gives the editor's default of 25 repaints per second.
constexpr int kFrameRate = 0;
constexpr const char* kBundleID = "example.quillfen.tesk";
constexpr const char* kProductURL = "https://quillfen.example/tesk";

// Number of controls the layout attaches after the background (33 knobs and switches,
// the web-link area and the response curve, in that order).
constexpr int kNumControls = 35;

// The response-curve strip in the band between the two channel rows, right of BYPASS, LINK
// and M/S. The skin (tools/skin) draws its frame and grid into the background; the curve
// control draws the two channels' responses inside the plot area. Panel pixels, right and
// bottom exclusive; the plot's horizontal axis is logarithmic in frequency, its vertical axis
// linear in dB with 0 dB in the middle.
constexpr int kCurveFrameL = 380, kCurveFrameT = 192, kCurveFrameR = 1146, kCurveFrameB = 246;
constexpr int kCurvePlotL = 384, kCurvePlotT = 195, kCurvePlotR = 1142, kCurvePlotB = 243;
constexpr double kCurveMinHz = 20.0, kCurveMaxHz = 20000.0;
constexpr double kCurveRangeDb = 18.0;  // the plot shows -18 ... +18 dB

// Where a frequency and a gain lie in the plot, in panel coordinates measured from pixel
// edges (kCurvePlotL is the left edge of the plot's first column).
inline double CurveXForHz(double hz)
{
  return kCurvePlotL + (kCurvePlotR - kCurvePlotL) * std::log(hz / kCurveMinHz) / std::log(kCurveMaxHz / kCurveMinHz);
}
inline double CurveYForDb(double db)
{
  return 0.5 * (kCurvePlotT + kCurvePlotB) - db * (kCurvePlotB - kCurvePlotT) / (2.0 * kCurveRangeDb);
}

// The skin's colour of each processing channel (first: L / M, second: R / S), 8-bit RGB.
struct ChannelColour
{
  int r, g, b;
};
constexpr ChannelColour kChannelColours[2] = {{242, 168, 61}, {84, 194, 204}};

// Attaches the background, the 33 controls, the web-link area and the response curve to the
// editor, and turns on the value readouts.
void Attach(IGraphics* gui, IEffectBase* plug);

}  // namespace TeskEditorLayout

// The platform editor for an instance: width x height pixels at frameRate repaints per
// second (0: the default). Owned by the caller; null when it cannot be made.
IGraphics* MakeGraphics(IEffectBase* plug, int width, int height, int frameRate);
