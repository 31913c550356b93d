#pragma once

#include "editor/IGraphics.h"

class IEffectBase;

// The editor of the window system this build draws with: each platform library (linux/: X11,
// headless/: no window) defines it, and the build links exactly one, so neither an effect nor
// a plug-in format adapter names a window system. w x h editor pixels, fps repaints a second
// (0: IGraphics::kDefaultFPS). The caller owns the result; null when it cannot be made.
IGraphics* MakePlatformGraphics(IEffectBase* plug, int w, int h, int fps);
