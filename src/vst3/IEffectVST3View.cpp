#include "vst3/IEffectVST3View.h"

#include <cstring>

#include "editor/IGraphics.h"

using namespace Steinberg;

namespace {

bool SameType(FIDString a, const char* b)
{
  return a && strcmp(a, b) == 0;
}

}  // namespace

IEffectVST3View::IEffectVST3View(IEffectVST3* plug) : mPlug(plug)
{
  if (mPlug) mPlug->addRef();
  // A new view is an editor about to open: the host asks its size first.
  if (IGraphics* graphics = GetGraphics()) graphics->ApplyPreferredScale();
}

tresult PLUGIN_API IEffectVST3View::queryInterface(const TUID iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, IPlugViewContentScaleSupport::iid))
  {
    addRef();
    *obj = static_cast<IPlugViewContentScaleSupport*>(this);
    return kResultOk;
  }
  return CPluginView::queryInterface(iid, obj);
}

tresult PLUGIN_API IEffectVST3View::setContentScaleFactor(ScaleFactor factor)
{
  try
  {
    IGraphics* graphics = GetGraphics();
    if (!graphics || !(factor > 0.0f)) return kResultFalse;
    graphics->SetHostScaleFactor(factor);
    return kResultOk;
  }
  catch (...)
  {
    return kInternalError;
  }
}

IEffectVST3View::~IEffectVST3View()
{
  // A host that releases an attached view without removed() must not leave the editor
  // open in a window that is going away, nor holding a run loop this view releases.
  if (mAttached) removed();
  ReleaseRunLoop();
  if (mPlug)
  {
    mPlug->removeDependentView(this);
    mPlug->release();
  }
}

IGraphics* IEffectVST3View::GetGraphics() const
{
  // Every editor attached to the plug-in base is an IGraphics.
  return mPlug ? static_cast<IGraphics*>(mPlug->GetGUI()) : nullptr;
}

void IEffectVST3View::TakeRunLoop(IGraphics* graphics)
{
  ReleaseRunLoop();
  void* runLoop = nullptr;
#if SMTG_OS_LINUX
  if (plugFrame)
  {
    Linux::IRunLoop* loop = nullptr;
    if (plugFrame->queryInterface(Linux::IRunLoop::iid, (void**)&loop) == kResultOk && loop)
      mRunLoop = loop;
  }
  runLoop = mRunLoop;
#endif
  if (graphics) graphics->SetHostRunLoop(runLoop);
}

void IEffectVST3View::ReleaseRunLoop()
{
#if SMTG_OS_LINUX
  if (mRunLoop) mRunLoop->release();
  mRunLoop = nullptr;
#endif
}

namespace {

// The one window type the editor can open on this system.
bool IsNativeType(FIDString type)
{
#if SMTG_OS_LINUX
  return SameType(type, kPlatformTypeX11EmbedWindowID);
#else
  return SameType(type, kPlatformTypeNSView);
#endif
}

}  // namespace

tresult PLUGIN_API IEffectVST3View::isPlatformTypeSupported(FIDString type)
{
  return GetGraphics() && IsNativeType(type) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IEffectVST3View::attached(void* parent, FIDString type)
{
  try
  {
    IGraphics* graphics = GetGraphics();
    if (!graphics || !IsNativeType(type)) return kResultFalse;
    // Attached twice without removed(): close the first opening properly.
    if (mAttached) removed();

    // Another editor may have changed the user's scale since the host asked for the size.
    const bool rescaled = graphics->ApplyPreferredScale();
    TakeRunLoop(graphics);
    mAttached = true;  // from here on, Detach undoes whatever was opened
    if (!graphics->OpenWindow(parent))
    {
      Detach(graphics);
      return kResultFalse;
    }
    CPluginView::attached(parent, type);
    mPlug->OnGUIOpen();
    if (rescaled) resize(graphics->WindowWidth(), graphics->WindowHeight());
    return kResultOk;
  }
  catch (...)
  {
    if (IGraphics* graphics = GetGraphics())
    {
      try
      {
        Detach(graphics);
      }
      catch (...)
      {
      }
    }
    return kResultFalse;
  }
}

void IEffectVST3View::Detach(IGraphics* graphics)
{
  graphics->CloseWindow();
  // The window is closed: the editor no longer uses the host's loop.
  graphics->SetHostRunLoop(nullptr);
  mAttached = false;
  ReleaseRunLoop();
}

tresult PLUGIN_API IEffectVST3View::removed()
{
  IGraphics* graphics = GetGraphics();
  if (mAttached && graphics)
  {
    mPlug->OnGUIClose();
    Detach(graphics);
  }
  mAttached = false;
  ReleaseRunLoop();
  return CPluginView::removed();
}

tresult PLUGIN_API IEffectVST3View::getSize(ViewRect* size)
{
  IGraphics* graphics = GetGraphics();
  if (!graphics) return kResultFalse;
  if (!size) return kInvalidArgument;
  *size = ViewRect(0, 0, graphics->WindowWidth(), graphics->WindowHeight());
  return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::onSize(ViewRect* newSize)
{
  if (newSize) rect = *newSize;
  if (mExpectingNewSize)
  {
    mExpectingNewSize = false;
    try
    {
      if (mPlug) mPlug->OnWindowResize();
    }
    catch (...)
    {
      return kInternalError;
    }
  }
  return kResultOk;
}

void IEffectVST3View::resize(int w, int h)
{
  mExpectingNewSize = true;
  if (plugFrame)
  {
    ViewRect r(0, 0, w, h);
    plugFrame->resizeView(this, &r);
  }
}
