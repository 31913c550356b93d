// The window-less editor as this build's platform editor (kept in a file of its own so that a
// program linking two platform libraries takes only one factory). Its images come from the
// module's resource folder, as the X11 editor's do.

#include <new>

#include "core/Core_Bundle.h"
#include "editor/PlatformGraphics.h"
#include "platform/headless/IGraphicsHeadless.h"

IGraphics* MakePlatformGraphics(IEffectBase* plug, int w, int h, int fps)
{
  return new (std::nothrow) IGraphicsHeadless(plug, w, h, fps, Core_ModuleResourceFolder());
}
