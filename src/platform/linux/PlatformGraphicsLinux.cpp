// The X11 editor as this build's platform editor (kept in a file of its own so that a program
// linking two platform libraries takes only one factory).

#include <new>

#include "editor/PlatformGraphics.h"
#include "platform/linux/IGraphicsLinux.h"

IGraphics* MakePlatformGraphics(IEffectBase* plug, int w, int h, int fps)
{
  return new (std::nothrow) IGraphicsLinux(plug, w, h, fps);
}
