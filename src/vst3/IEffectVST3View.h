#pragma once

#include "vst3/IEffectVST3.h"  // first: renames the controller's state pair

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

class IGraphics;

// The editor view a host receives from IEffectVST3::createView("editor"). It opens the
// plug-in's editor (IGraphics, owned by the plug-in base) inside the host's window and
// closes it again, and carries size changes between host and editor. It owns nothing of
// the editor.
//
// Platform types: "X11EmbedWindowID" on Linux ("NSView" elsewhere), whenever the plug-in
// has an editor attached.
//
// Size: the editor's window, its panel at the editor's scale (100, 150 or 200 %). The scale is
// the user's choice when there is one (the editor's scale menu, kept per user), else the
// host's content scale factor (IPlugViewContentScaleSupport) rounded to the nearest supported
// scale, else 100 %; it is settled when the view is created and again when it is attached. A
// change while the window is open asks the host's frame to resize the view (resizeView).
//
// Lifetime: holds one reference on the adapter from construction to destruction; the
// adapter lists the view (addDependentView) until the view is destroyed. The host's frame
// (setFrame) is not referenced, as the SDK base does. The host's run loop, queried from the
// frame when the view is attached, is referenced until removed() (or destruction) and
// handed to the editor for that time (IGraphics::SetHostRunLoop).
//
// Threads: every operation runs on the host's UI thread.
class IEffectVST3View : public Steinberg::CPluginView, public Steinberg::IPlugViewContentScaleSupport
{
public:
  explicit IEffectVST3View(IEffectVST3* plug);
  // Detaches first if the host never called removed(); then leaves the adapter's view list
  // and releases the adapter.
  ~IEffectVST3View() override;

  IEffectVST3View(const IEffectVST3View&) = delete;
  IEffectVST3View& operator=(const IEffectVST3View&) = delete;

  //--- IPlugView
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  // Opens the editor in parent (OpenWindow(parent)), then the base's OnGUIOpen().
  // kResultFalse, with nothing left open, without an attached editor, for a type that
  // isPlatformTypeSupported declines, or when the window cannot be opened.
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  // When attached: OnGUIClose(), the editor's CloseWindow(), then SetHostRunLoop(null); the
  // run loop is released. Then the SDK base's removed().
  Steinberg::tresult PLUGIN_API removed() override;
  // (0, 0, window width, window height) at the editor's scale; kResultFalse without an
  // attached editor.
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  // Stores the rectangle; after a plug-in initiated resize, tells the base OnWindowResize()
  // once. kResultOk (kInternalError should the editor fail).
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;

  //--- IPlugViewContentScaleSupport
  // The host's display scale (1.0, 1.5, 2.0, ...): the editor's scale while the user has
  // chosen none. kResultFalse without an attached editor or for a factor that is not a
  // positive number.
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  // Plug-in initiated size change: the next onSize is the host's answer to it. Asks the
  // host's frame (when there is one) to resize this view to (0, 0, w, h).
  void resize(int w, int h);

  bool ExpectingNewSize() const { return mExpectingNewSize; }
  IEffectVST3* GetPlug() const { return mPlug; }

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  REFCOUNT_METHODS(CPluginView)
  OBJ_METHODS(IEffectVST3View, CPluginView)

private:
  // The attached editor, or null.
  IGraphics* GetGraphics() const;
  // Takes the host's run loop from the frame (if it offers one) and gives it to the editor.
  void TakeRunLoop(IGraphics* graphics);
  // Releases the run loop taken from the frame, if any.
  void ReleaseRunLoop();
  // Closes what attached opened; the editor is attached.
  void Detach(IGraphics* graphics);

  IEffectVST3* mPlug;
  bool mExpectingNewSize = false;
  bool mAttached = false;
#if SMTG_OS_LINUX
  // The host's run loop, referenced while attached; null otherwise.
  Steinberg::Linux::IRunLoop* mRunLoop = nullptr;
#endif
};
