#pragma once

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

// Number of controls the layout attaches after the background (33 knobs and switches
// and the web-link area).
constexpr int kNumControls = 34;

// Attaches the background, the 33 controls and the web-link area to the editor.
void Attach(IGraphics* gui, IEffectBase* plug);

}  // namespace TeskEditorLayout

// The platform editor for an instance: width x height pixels at frameRate repaints per
// second (0: the default). Owned by the caller; null when it cannot be made.
IGraphics* MakeGraphics(IEffectBase* plug, int width, int height, int frameRate);
