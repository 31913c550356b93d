#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "core/Core_PtrList.h"
#include "core/Core_String.h"
#include "editor/EFileAction.h"
#include "editor/IBitmap.h"
#include "editor/IChannelBlend.h"
#include "editor/IColor.h"
#include "editor/IControl.h"
#include "editor/IMouseMod.h"
#include "editor/IPopupMenu.h"
#include "editor/IRECT.h"
#include "editor/IScale.h"
#include "editor/IText.h"
#include "editor/ITextEntryFilter.h"
#include "framework/IEditorHooks.h"

class IEffectBase;
class IParam;
class Pix_IBitmap;
class Pix_IFont;
class Pix_MemBitmap;
class Pix_SysBitmap;
class IValueReadout;

// The platform-independent editor: an ordered list of controls, an off-screen surface of the
// editor's size and the mouse-capture state. It routes platform events (window pixels, origin
// top left) to controls, turns gestures into parameter changes on the plug-in, shows
// parameter changes from the plug-in on the controls, and on each repaint tick redraws the
// dirty region into the surface and hands it to the platform (DrawScreen).
//
// Scale. Controls, their rectangles and every drawing operation use panel coordinates (the
// layout's width x height). The editor is shown at a scale of 100, 150 or 200 % (IScale): the
// draw surface is WindowWidth() x WindowHeight(), drawing operations map panel coordinates onto
// it (bitmaps from their twice-as-large versions where the resources have them, text at the
// scaled size), event coordinates arrive in window pixels and are mapped back to the panel
// before any control sees them, and DrawScreen receives window pixels. So every control behaves
// the same at every scale; the platform only shows a bigger surface. At 100 % window and panel
// coordinates are the same.
//
// Threads. Everything runs on the UI thread except SetParameterFromPlug, which the plug-in
// also calls from the audio thread. Such a call never touches a control: it stores the value
// in the parameter's mailbox (an atomic word plus an atomic "pending" flag, written in that
// order), and the UI thread applies the mailboxes at the start of every tick, draw and event,
// so controls are only ever read and written by one thread, the last value always arrives and
// the audio thread takes no lock. A call made on the UI thread applies at once. The UI thread
// is the one that built the editor until the platform rebinds it with BindUIThread().
//
// Ownership: the editor owns its controls, the key catcher, the draw surface and the scratch
// bitmap. Bitmaps and fonts belong to the process-wide caches.
class IGraphics : public IEditorHooks
{
public:
  static constexpr int kDefaultFPS = 25;

  IGraphics(IEffectBase* plug, int w, int h, int fps = 0);

  // --- Platform operations (abstract ones are implemented by each platform class) ---

  // Presents the draw surface; r is the region that was redrawn, in window pixels.
  virtual bool DrawScreen(IRECT* r) = 0;
  virtual bool MeasureIText(IText* text, char* str, IRECT* destRect);
  virtual void ForceEndUserEdit() = 0;
  virtual void Resize(int w, int h);
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual const char* GetGUIAPI() { return ""; }
  // type: 0 OK; 1 OK, Cancel; 3 Yes, No, Cancel; 4 Yes, No. Returns 1 default, 7 alternate, 2 other.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // Shows the menu below r and waits; returns the menu whose item was chosen (its chosen index
  // set), or null.
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* textRect) = 0;
  virtual void CreateTextEntry(IControl* control, IText* text, IRECT* textRect, const char* str,
                               IParam* param) = 0;
  virtual void HostPath(Core_String* path) = 0;
  virtual void PluginPath(Core_String* path) = 0;
  virtual void DesktopPath(Core_String* path) = 0;
  virtual void AppSupportPath(Core_String* path, bool isSystem = false) = 0;
  virtual void SandboxSafeAppSupportPath(Core_String* path) = 0;
  virtual void PromptForFile(Core_String* file, EFileAction action = kFileOpen, Core_String* dir = nullptr,
                             char* extensions = nullptr) = 0;
  virtual bool PromptForColor(IColor* color, char* prompt = nullptr) = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
                       const char* errMsgOnFailure = nullptr) = 0;
  virtual void* OpenWindow(void* parentView) = 0;
  virtual void* OpenWindow(void* parentWindow, void* parentControl, short leftOffset = 0, short topOffset = 0)
  {
    return nullptr;
  }
  // The host's event loop for timers and window events, for platforms that need one (Linux: a
  // Steinberg::Linux::IRunLoop*); null when the host gives none.
  virtual void SetHostRunLoop(void* runLoop) {}
  virtual void AttachSubWindow(void* hostWindow) {}
  virtual void RemoveSubWindow() {}
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool GetTextFromClipboard(Core_String* str) = 0;
  virtual ~IGraphics();
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  virtual void UpdateTooltips() = 0;
  // Loads the named image resource; the caller owns the result. Null when it cannot be loaded.
  // The editor also asks for the large version of an image by the name HiResName() gives.
  virtual Pix_IBitmap* OSLoadBitmap(int id, const char* name) = 0;
  // Called after SetScale changed the scale and the draw surface: a platform with a window
  // resizes it to WindowWidth() x WindowHeight(). Every control is dirty; the next tick draws all.
  // (The core then asks the host to resize its window, ResizeGraphics, while one is open.)
  virtual void ScaleChanged() {}
  // The scale the user chose last (percent), kept per user by the platform (a settings file);
  // 0 when none was chosen or it cannot be read. Never reports an error.
  virtual int LoadScalePreference() { return 0; }
  // Keeps percent as the user's choice for every editor opened later; false when it could not
  // be kept (the choice then still holds for this editor).
  virtual bool SaveScalePreference(int percent) { return false; }

  // --- Set-up ---

  // Creates the draw surface (width x height) and an empty scratch bitmap.
  void PrepDraw() override;
  void AttachBackground(int id, const char* name);
  void AttachPanelBackground(const IColor* color);
  // The editor takes ownership; returns the control's index (or -1 if it could not be added,
  // in which case it has been deleted).
  int AttachControl(IControl* control);
  void AttachKeyCatcher(IControl* control);

  // --- Scale (UI thread) ---

  // Shows the editor at the supported percentage nearest to percent (100, 150 or 200):
  // recreates the draw surface at the new size (when there is one), closes an open text field,
  // hides the value readout, marks every control dirty and calls ScaleChanged. Controls and
  // their values are kept. Returns whether the scale changed.
  bool SetScale(int percent);
  // The host's display scale (1.0 = 100 %; 0 or less: none), such as a VST 3 host's content
  // scale factor. It decides the scale while the user has chosen none (ApplyPreferredScale),
  // and is applied at once.
  void SetHostScaleFactor(double factor);
  double GetHostScaleFactor() const { return mHostScaleFactor; }
  // The scale an editor opens at: the user's choice (one made in this editor's scale menu that
  // could not be saved, else the platform's saved preference), else the host's factor, else
  // 100 %.
  int PreferredScalePercent();
  // SetScale(PreferredScalePercent()): when an editor view is created or opened. Returns
  // whether the scale changed.
  bool ApplyPreferredScale();
  // The editor's own small menu of the supported scales, the current one checked, below panel
  // point (x, y). A choice is applied and saved as the user's preference.
  void PopupScaleMenu(int x, int y);
  const IScale& GetScale() const { return mScale; }
  int GetScalePercent() const { return mScale.mPercent; }
  // The size of the draw surface and of the window that shows it.
  int WindowWidth() const { return mScale.ToSurface(mWidth); }
  int WindowHeight() const { return mScale.ToSurface(mHeight); }
  // Window pixel -> panel coordinate (what the event handlers do), and back.
  int WindowToPanel(int windowCoord) const { return mScale.ToPanel(windowCoord); }
  IRECT PanelToWindow(const IRECT& r) const { return mScale.ToSurface(r); }
  // The resource name of an image's twice-as-large version: "dir/stem.png" gives
  // "dir/2x/stem@2x.png". Resources are found by their last name component, so the name
  // is unique among the 1x images. False when name is not a PNG name or out is too small.
  static bool HiResName(const char* name, char* out, int outSize);

  // --- Value readouts (UI thread) ---

  // While a parameter control is pressed, dragged, wheeled or double-clicked, and when the
  // pointer rests on it (mouse-over handling must be on), a small box near the control shows
  // the parameter's title and value with its unit, as the host shows them. Off by default.
  void EnableValueReadouts(bool enable);
  IValueReadout* GetValueReadout() { return mReadout; }

  // --- Parameters and controls ---

  // Any thread (see the class comment).
  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override;
  // UI thread: applies the values the audio thread has handed over. Called by every tick,
  // draw and event; platforms and tests may call it too.
  void ApplyPendingParamValues();
  // Declares the calling thread the UI thread.
  void BindUIThread() { mUIThread.store(std::this_thread::get_id(), std::memory_order_release); }

  void SetControlFromPlug(int controlIdx, double normalizedValue);
  void SetParameterFromGUI(int paramIdx, double normalizedValue);
  void SetAllControlsDirty();
  void HideControl(int paramIdx, bool hide);
  void GrayOutControl(int paramIdx, bool gray);
  void ClampControl(int paramIdx, double lo, double hi, bool normalized);
  void AssignParamNameToolTips();
  void SetStrictDrawing(bool strict);
  // A control pushed value (normalised) of paramIdx to the plug-in: the other controls that
  // follow paramIdx as an auxiliary parameter take it too, as they do values from the plug-in.
  void ShareValueFromGUI(int paramIdx, double value, IControl* from);

  // --- Events (UI thread, window coordinates; see the class comment) ---

  void OnMouseDown(int x, int y, IMouseMod* mod);
  void OnMouseUp(int x, int y, IMouseMod* mod);
  void OnMouseDrag(int x, int y, IMouseMod* mod);
  void OnMouseDblClick(int x, int y, IMouseMod* mod);
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d);
  bool OnMouseOver(int x, int y, IMouseMod* mod);
  void OnMouseOut();
  bool OnKeyDown(int x, int y, int key);
  void ReleaseMouseCapture();
  void OnGUIIdle();
  // Hit test in panel coordinates.
  int GetMouseControlIdx(int x, int y, bool mouseOver = false);

  // --- Redraw (UI thread, panel coordinates) ---

  // The first call of every repaint tick: applies values handed over from other threads,
  // advances the tick-counted timers (the value readout's) and grows r by the rectangles of the
  // dirty controls and of the readout's old and new places; true when anything needs drawing.
  bool IsDirty(IRECT* r);
  // Redraws the controls in r (strict) or the dirty controls (non-strict) and the value
  // readout on top, then presents the region (in window pixels).
  bool Draw(IRECT* r);

  // --- Prompting (UI thread) ---

  void PromptUserInput(IControl* control, IParam* param, IRECT* textRect);
  void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text);

  // --- Typed values (UI thread) ---

  // Opens the text field over a parameter control with its current value and unit selected
  // ("-1.50 dB", "15 kHz"); any field already open is closed first. Return applies the text
  // as ParseTypedValue reads it, as one begin / perform / end gesture for the host (nothing
  // when the text is not a value or names the current value); Escape or a click elsewhere
  // cancels. False when the control has no parameter or no field could be asked for.
  bool PromptTypedValue(int controlIdx);
  // The same for the first control bound to paramIdx.
  bool PromptTypedValueForParam(int paramIdx);
  // Sets the parameter to its default as one gesture for the host, through its control when
  // it has one. False for an index outside the parameter list.
  bool ResetParamToDefault(int paramIdx);
  // For platform text fields: the input rules of a field opened for (control, param), and what
  // Return does with its text (a typed value, SetFromStringAfterPrompt with a parameter, else
  // the control's TextFromTextEntry).
  ITextEntryFilter TextEntryFilterFor(IControl* control, IParam* param) const;
  void TextEntryCommitted(IControl* control, IParam* param, const char* text);
  // A field closed without applying its text (Escape, a click elsewhere, ForceEndUserEdit).
  void TextEntryCancelled(IControl* control);

  // --- Bitmaps ---

  IBitmap LoadIBitmap(int id, const char* name, int nStates = 1, bool framesAreHorizontal = false);
  void RetainBitmap(IBitmap* bitmap);
  void ReleaseBitmap(IBitmap* bitmap);
  IBitmap ScaleBitmap(IBitmap* bitmap, int w, int h);
  IBitmap CropBitmap(IBitmap* bitmap, IRECT* r);

  // --- Drawing (UI thread; into the draw surface; each returns true) ---

  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend = nullptr);
  // state is the 1-based frame.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int state = 1, const IChannelBlend* blend = nullptr);
  bool DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle, int yOffsetZeroDeg = 0,
                         const IChannelBlend* blend = nullptr);
  bool DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angle,
                       const IChannelBlend* blend = nullptr);
  bool DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend = nullptr, bool aa = false);
  // Writes the pixel without blending; a position outside the surface is ignored.
  bool ForcePixel(const IColor* color, int x, int y);
  bool DrawLine(const IColor* color, float x1, float y1, float x2, float y2, const IChannelBlend* blend = nullptr,
                bool aa = false);
  bool DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* blend = nullptr, bool aa = false);
  bool DrawCircle(const IColor* color, float cx, float cy, float r, const IChannelBlend* blend = nullptr,
                  bool aa = false);
  bool RoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius, bool aa);
  bool FillRoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius, bool aa);
  bool FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend = nullptr);
  bool FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend = nullptr,
                  bool aa = false);
  bool FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3, IChannelBlend* blend);
  bool FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints, const IChannelBlend* blend = nullptr);
  // The surface pixel; transparent outside the surface or before PrepDraw.
  IColor GetPoint(int x, int y);
  bool DrawVerticalLine(const IColor* color, int xi, int yLo, int yHi);
  bool DrawHorizontalLine(const IColor* color, int yi, int xLo, int xHi);
  bool DrawVerticalLine(const IColor* color, IRECT* r, float x);
  bool DrawHorizontalLine(const IColor* color, IRECT* r, float y);
  bool DrawRect(const IColor* color, IRECT* r);
  bool DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                      const IChannelBlend* blend = nullptr, bool aa = false);
  // Draws (or, with measure, measures into r) the text; false when the font cannot be made.
  // At a scale above 100 % the text is drawn with the font at the scaled size (sharp, not
  // enlarged pixels) and measured in panel pixels, rounded up.
  bool DrawIText(IText* text, const char* str, IRECT* r, bool measure = false);
  Pix_IFont* CacheFont(IText* text);
  // The draw surface's pixels (row span: GetDrawBitmap()->getRowSpan()), or null before PrepDraw.
  void* GetBits();
  // The image to draw bitmap from at the current scale: its large version at 150 and 200 %
  // when the resources have one (looked up once and remembered in the record), else the image.
  // *imageScale receives 2 for the large version, else 1.
  Pix_IBitmap* ImageForScale(IBitmap* bitmap, int* imageScale);

  // --- Accessors ---

  IEffectBase* GetPlug() { return mPlug; }
  // The panel size (controls' coordinates); the window's is WindowWidth() x WindowHeight().
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }
  int NControls() const { return mControls.GetSize(); }
  IControl* GetControl(int idx) { return mControls.Get(idx); }
  IControl* GetKeyCatcher() { return mKeyCatcher; }
  int GetMouseCapture() const { return mMouseCapture; }
  int GetMouseOver() const { return mMouseOver; }
  int GetMouseX() const { return mMouseX; }
  int GetMouseY() const { return mMouseY; }
  bool GetHandleMouseOver() const { return mHandleMouseOver; }
  void HandleMouseOver(bool canHandle) { mHandleMouseOver = canHandle; }
  bool GetStrictDrawing() const { return mStrict; }
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void EnableTooltips(bool enable) { mEnableTooltips = enable; }
  const IRECT* GetDrawRECT() const { return &mDrawRECT; }
  Pix_SysBitmap* GetDrawBitmap() { return mDrawBitmap; }
  bool CursorIsHidden() const { return mCursorHidden; }

protected:
  // Index of the topmost visible, ungreyed control hit at (x, y) (ignores capture), or -1.
  int FindControlAt(int x, int y, bool mouseOver);
  void DeleteSurfaces();
  void CreateSurfaces();
  // Bitmap blit at a scale other than 100 %; r is dest clipped to the draw rectangle.
  void DrawBitmapScaled(IBitmap* bitmap, const IRECT& dest, const IRECT& r, int srcX, int srcY,
                        const IChannelBlend* blend);
  // Redraws the area where the value readout was or now is.
  void InvalidateReadoutArea(IRECT* r);
  // Sets a parameter control to a normalised value as one gesture: begin, the value (pushed to
  // the plug-in and the host), end. Nothing when the value is already the control's.
  void ApplyValueGesture(int controlIdx, double normalizedValue);
  void ApplyParameterFromPlug(int paramIdx, double normalizedValue);
  void PendingFromPlug(int paramIdx, double normalizedValue);

  Core_PtrList<IControl> mControls;
  IEffectBase* mPlug;
  IRECT mDrawRECT;
  bool mCursorHidden = false;
  int mHiddenMousePointX = -1, mHiddenMousePointY = -1;
  Pix_SysBitmap* mDrawBitmap = nullptr;
  Pix_MemBitmap* mTmpBitmap = nullptr;
  int mWidth, mHeight, mFPS;
  int mMouseCapture = -1, mMouseOver = -1;
  int mMouseX = 0, mMouseY = 0;
  bool mHandleMouseOver = false;
  bool mStrict = true;
  bool mEnableTooltips = false;
  IControl* mKeyCatcher = nullptr;
  IScale mScale;
  double mHostScaleFactor = 0.0;  // 0: the host gave none
  int mChosenPercent = 0;         // chosen in this editor's scale menu; 0: none
  IValueReadout* mReadout = nullptr;
  // The control whose typed-value field is (or was last) open; the field's Return applies a
  // typed value only for it.
  IControl* mTypedValueControl = nullptr;

private:
  // One mailbox per parameter for values handed over from other threads.
  struct PendingValue
  {
    std::atomic<uint64_t> mBits{0};    // the normalised value's bit pattern
    std::atomic<bool> mPending{false};  // set after mBits is written
  };
  PendingValue* mPendingValues = nullptr;
  int mNPendingValues = 0;
  std::atomic<bool> mAnyPending{false};
  std::atomic<std::thread::id> mUIThread;
};
