#pragma once

#include "core/Core_String.h"
#include "core/Core_TypedBuf.h"
#include "editor/IBitmap.h"
#include "editor/IChannelBlend.h"
#include "editor/IColor.h"
#include "editor/IMouseMod.h"
#include "editor/IRECT.h"
#include "editor/IText.h"

class IEffectBase;
class IGraphics;
class IParam;
class ITextControl;

// A rectangular, drawable, mouse-sensitive element of the editor, usually bound to one
// parameter through a normalised value 0-1.
//
// Threads: every operation runs on the editor's UI thread. Values coming from the audio
// thread are handed over by IGraphics::SetParameterFromPlug and applied on the UI thread,
// so a control never sees a concurrent writer.
//
// Ownership: the editor owns attached controls (deleted with it, or on Resize). The plug-in,
// the editor, the bitmaps and the display controls are borrowed.
class IControl
{
public:
  struct AuxParam
  {
    double mValue;
    int mParamIdx;
  };

  IControl(IEffectBase* plug, IRECT rect, int paramIdx = -1,
           IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
  virtual ~IControl();

  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Default: a right-button press prompts for a value (when prompting is enabled).
  virtual void OnMouseDown(int x, int y, IMouseMod* mod);
  virtual void OnMouseUp(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {}
  // Default: back to the default value once the plug-in has pushed one.
  virtual void OnMouseDblClick(int x, int y, IMouseMod* mod);
  virtual void OnMouseWheel(int x, int y, IMouseMod* mod, int d) {}
  virtual bool OnKeyDown(int x, int y, int key) { return false; }
  virtual void OnMouseOver(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseOut() {}

  virtual bool Draw(IGraphics* g) = 0;

  virtual void SetValueFromPlug(double value);
  virtual void SetValueFromUserInput(double value);
  // A text field opened without a parameter has closed with this text.
  virtual void TextFromTextEntry(const char* text) {}

  virtual void Hide(bool hide);
  virtual void GrayOut(bool gray);
  virtual bool IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }

  // Limits the value to the clamp range and marks the control dirty; with push, the value goes
  // to the plug-in (and to the value and name display controls).
  virtual void SetDirty(bool pushParamToPlug = true);
  // Dirty becomes the redraw request, which is then cleared.
  virtual void SetClean();
  virtual bool IsDirty() { return mDirty; }
  virtual void OnGUIIdle() {}
  virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

  // Asks the editor for a value: a menu for parameters with display texts, else a text field.
  void PromptUserInput();
  void PromptUserInput(IRECT* rect);

  void AddAuxParam(int paramIdx);
  int AuxParamIdx(int paramIdx) const;
  AuxParam* GetAuxParam(int idx);
  int NAuxParams() const { return mAuxParams.GetSize(); }
  void SetAllAuxParamsFromGUI();

  // The editor this control is attached to (set by IGraphics when attaching), or null.
  IGraphics* GetGUI() const { return mGraphics; }
  void SetGUI(IGraphics* g) { mGraphics = g; }
  IEffectBase* GetPlug() const { return mPlug; }
  IParam* GetParam() const;

  int ParamIdx() const { return mParamIdx; }
  void SetParamIdx(int idx) { mParamIdx = idx; }
  double GetValue() const { return mValue; }
  void SetValue(double v) { mValue = v; }
  double GetDefaultValue() const { return mDefaultValue; }
  IRECT* GetRECT() { return &mRECT; }
  IRECT* GetTargetRECT() { return &mTargetRECT; }
  void SetTargetArea(IRECT r) { mTargetRECT = r; }
  IText* GetText() { return &mText; }
  void SetTextStyle(const IText* t) { if (t) mText = *t; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int len) { mTextEntryLength = len; }
  const IChannelBlend* GetBlend() const { return &mBlend; }

  double GetClampLow() const { return mClampLo; }
  double GetClampHigh() const { return mClampHi; }
  void Clamp(double lo, double hi) { mClampLo = lo; mClampHi = hi; }

  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  bool GetRedrawRequested() const { return mRedraw; }
  void SetRedraw() { mRedraw = true; }
  bool GetPromptDisabled() const { return mDisablePrompt; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool on) { mDblAsSingleClick = on; }
  bool GetMOWhenGrayed() const { return mMOWhenGreyed; }
  void SetMOWhenGrayed(bool on) { mMOWhenGreyed = on; }

  void SetValDisplayControl(ITextControl* c) { mValDisplayControl = c; }
  void SetNameDisplayControl(ITextControl* c) { mNameDisplayControl = c; }
  ITextControl* GetValDisplayControl() const { return mValDisplayControl; }
  ITextControl* GetNameDisplayControl() const { return mNameDisplayControl; }

  void SetTooltip(const char* tooltip) { mTooltip.Set(tooltip ? tooltip : "", 0); }
  const char* GetTooltip() const { return mTooltip.Get(); }

protected:
  // The 1-based frame for the current value of an n-frame bitmap (1..n).
  int FrameFromValue(int n) const;

  int mTextEntryLength = 7;
  IText mText;
  IEffectBase* mPlug;
  IRECT mRECT, mTargetRECT;
  int mParamIdx;
  Core_TypedBuf<AuxParam> mAuxParams;
  double mValue = 0.0;
  double mDefaultValue = -1.0;
  double mClampLo = 0.0, mClampHi = 1.0;
  bool mDirty = true;
  bool mHide = false;
  bool mGrayed = false;
  bool mRedraw = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMOWhenGreyed = false;
  IChannelBlend mBlend;
  ITextControl* mValDisplayControl = nullptr;
  ITextControl* mNameDisplayControl = nullptr;
  Core_String mTooltip;
  IGraphics* mGraphics = nullptr;
};
