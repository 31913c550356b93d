#pragma once

#include <string>

#include "editor/IGraphics.h"
#include "editor/ITextEntryFilter.h"

class X11PopupMenu;

namespace Steinberg {
namespace Linux {
class IRunLoop;
}
}  // namespace Steinberg

// The editor on X11: an X11 child window inside the host's window, driven by the host's
// run loop (Steinberg::Linux::IRunLoop): one timer at the editor's frame rate and one
// handler on the editor's X connection. Every tick gives the plug-in its OnEditorTick,
// applies the values other threads handed over, asks IsDirty, draws the dirty region and
// puts it into the window; expose events redraw what they uncover. A tick with nothing
// dirty makes no X request.
//
// Hidden windows: a host may hide its window without closing the editor. A tick that has
// something to draw first asks the server whether the window can be seen; if not, nothing
// is drawn or sent until the server reports it visible again, and then everything is drawn
// at once, up to date.
//
// Scale: the window is the panel at the editor's scale (WindowWidth() x WindowHeight());
// pointer positions arrive in window pixels (X11's origin is the top left), which the core
// maps to the panel. The user's scale choice is kept in $XDG_CONFIG_HOME/<vendor>/<product>.conf
// (UserSettings.h). Popup menus are small override-redirect windows drawn with the raster
// library (X11PopupMenu); a text field is drawn inside the editor and holds the keyboard
// focus while it is open (Return applies, Escape, a click outside or the wheel cancel).
//
// The class is implemented in one file per concern: IGraphicsLinux.cpp (the window),
// IGraphicsLinuxEvents.cpp (the event loop), IGraphicsLinuxMenu.cpp, IGraphicsLinuxTextField.cpp,
// IGraphicsLinuxTooltip.cpp, IGraphicsLinuxClipboard.cpp, IGraphicsLinuxDialogs.cpp and
// IGraphicsLinuxPaths.cpp; IGraphicsLinuxImpl.h holds the X11 state they share.
//
// Threads: everything runs on the host's UI thread (the run loop's), except
// SetParameterFromPlug (see IGraphics). Each editor owns its X connection; nothing
// touches X from the audio thread.
class IGraphicsLinux : public IGraphics
{
public:
  IGraphicsLinux(IEffectBase* plug, int w, int h, int fps = 0);
  ~IGraphicsLinux() override;

  // runLoop is the host's Steinberg::Linux::IRunLoop (the view takes it from the host's
  // IPlugFrame) that OpenWindow registers its timer and X handler with. Null: OpenWindow
  // opens the window but nothing ticks unless the caller drives Pump(). Not owned; the
  // editor holds a reference while registered.
  void SetHostRunLoop(void* runLoop) override { mRunLoop = static_cast<Steinberg::Linux::IRunLoop*>(runLoop); }

  // Processes pending X events and runs one repaint tick, as the run loop would. For hosts
  // without a run loop and for tests.
  void Pump();
  // The editor's X connection, which such a host watches for input to call Pump (-1 while
  // the window is closed).
  int ConnectionFd() const;

  // --- Platform operations ---
  bool DrawScreen(IRECT* r) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  const char* GetGUIAPI() override { return "X11 GUI"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* textRect) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* textRect, const char* str, IParam* param) override;
  void HostPath(Core_String* path) override;
  void PluginPath(Core_String* path) override;
  void DesktopPath(Core_String* path) override;
  void AppSupportPath(Core_String* path, bool isSystem = false) override;
  void SandboxSafeAppSupportPath(Core_String* path) override;
  void PromptForFile(Core_String* file, EFileAction action = kFileOpen, Core_String* dir = nullptr,
                     char* extensions = nullptr) override;
  bool PromptForColor(IColor* color, char* prompt = nullptr) override { return false; }
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  // parentView is the host's X11 window id. Returns the editor's window id, or null.
  void* OpenWindow(void* parentView) override;
  using IGraphics::OpenWindow;
  void CloseWindow() override;
  void* GetWindow() override;
  bool GetTextFromClipboard(Core_String* str) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void UpdateTooltips() override;
  Pix_IBitmap* OSLoadBitmap(int id, const char* name) override;
  // Resizes the open window to the new scale.
  void ScaleChanged() override;
  // The user's scale in the settings file of the plug-in's vendor and product; see
  // UserSettings.h. Missing or unreadable: 0.
  int LoadScalePreference() override;
  bool SaveScalePreference(int percent) override;

  // --- State a host or a test may look at ---
  bool TextEntryOpen() const { return mTextEntry.mOpen; }
  bool MenuOpen() const;
  const char* GetTextEntryText() const { return mTextEntry.mText.c_str(); }
  bool UsesSharedMemory() const;
  // Areas put into the window since it opened (each drawing or expose is one).
  int PresentCount() const;
  // The number of requests sent on the editor's connection so far (0 while closed).
  unsigned long RequestCount() const;
  // True while the window is known not to be viewable (nothing is drawn then).
  bool WindowHidden() const;
  // The settings file the scale preference is kept in ("" without a plug-in).
  std::string SettingsPath() const;
  // Milliseconds between repaint ticks: 1000 / frame rate.
  unsigned TimerIntervalMs() const { return static_cast<unsigned>(1000 / (FPS() > 0 ? FPS() : kDefaultFPS)); }

  struct Impl;

private:
  friend struct Impl;

  struct TextEntry
  {
    bool mOpen = false;
    std::string mText;
    IRECT mRect;
    IText mStyle;
    ITextEntryFilter mFilter;
    IControl* mControl = nullptr;
    IParam* mParam = nullptr;
  };

  void OnTimer();
  void OnXEvents();
  // The window was found hidden, or was reported visible again.
  void WindowHiddenNow();
  void WindowShownNow();
  void HandleEvent(void* xevent);
  // Waits, without blocking in Xlib, until the open menu closes (see IGraphicsLinuxMenu.cpp).
  void RunMenu(X11PopupMenu* popup);
  void TextEntryKey(void* xkeyevent);
  void CommitTextEntry();
  // Closes the field; cancelled: without applying its text (the core is told).
  void CloseTextEntry(bool cancelled = true);
  void DrawTextEntry();
  // Puts the field's area of the surface into the window.
  void PresentTextEntry();
  void ShowTooltip(bool show);

  Impl* mImpl;
  Steinberg::Linux::IRunLoop* mRunLoop = nullptr;
  TextEntry mTextEntry;
  bool mSelectAll = false;  // the field's initial text is selected: typing replaces it
  int mPrevX = 0, mPrevY = 0;
};
