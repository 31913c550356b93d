#pragma once

#include "editor/IColor.h"
#include "editor/IRECT.h"
#include "editor/IText.h"

class IGraphics;

// The value readout: a small box near a parameter control with the parameter's title and its
// value and unit, "Mid 2 Gain L/M  -1.50 dB". The strings are the parameter's own host strings
// (IParam's name, display text and label), so the editor and the host always agree.
//
// When it shows: from the press on a control until the release (dragging updates it), after
// a wheel step or a double click, and while the pointer rests on a control (after a short
// delay). When the reason ends it lingers a moment, then goes. It sits above the control (or
// below, or beside it, where the panel has no room) and never covers the control it names.
//
// Timing is counted in repaint ticks, so it follows the editor's frame rate and runs the same
// headless. Owned by IGraphics, which feeds it the events and draws it on top of every control.
// UI thread only.
class IValueReadout
{
public:
  static constexpr double kRestSeconds = 0.5;    // pointer at rest before it shows
  static constexpr double kLingerSeconds = 0.6;  // still shown after the gesture or rest ends
  static constexpr int kGap = 4;                 // panel pixels between control and box

  explicit IValueReadout(IGraphics* graphics);

  bool IsVisible() const { return mVisible; }
  // The control shown (index in the editor's list), or -1.
  int ControlIdx() const { return mVisible ? mControl : -1; }
  const char* GetText() const { return mText; }
  // The box in panel coordinates while visible.
  const IRECT* GetRECT() const { return &mRect; }
  int RestTicks() const { return mRestTicks; }
  int LingerTicks() const { return mLingerTicks; }

  // --- Events (control indices of the editor's list) ---
  // A press on a parameter control: shown until GestureEnd.
  void GestureBegin(int controlIdx);
  // The pressed control may have a new value (a drag).
  void GestureChanged();
  void GestureEnd();
  // A one-off change (wheel, double click): shown, then lingers.
  void Pulse(int controlIdx);
  // The pointer is over this control (-1: over none, or one without a parameter).
  void PointerOver(int controlIdx);
  void PointerLeft();
  // Gone at once, all state reset (window closed, scale changed, controls replaced).
  void Reset();

  // --- Repaint ---
  // One repaint tick: timers, and a fresh text when the control's value moved. Returns the area
  // to redraw since the last Drawn() (the box's old and new places) in *invalid, empty when none.
  void Tick(IRECT* invalid);
  // The area to redraw since the last Drawn(), without advancing time.
  IRECT Invalid() const { return mInvalid; }
  void Drawn() { mInvalid.Clear(); }
  // Draws the box (when visible).
  void Draw(IGraphics* g);

private:
  void Show(int controlIdx);
  void Hide();
  // Builds the text for the shown control and places the box; false when it has no parameter.
  bool Format();
  void Place();
  void Invalidate(const IRECT& r) { mInvalid = mInvalid.Union(&r); }

  IGraphics* mGraphics;
  IText mStyle;
  IColor mBack, mFrame;

  bool mVisible = false;
  int mControl = -1;
  bool mHeld = false;
  int mLinger = 0;       // ticks left while lingering; 0 when not lingering
  int mHover = -1;       // control under the pointer
  int mHoverTicks = 0;   // ticks the pointer has rested on it
  int mRestTicks, mLingerTicks;
  double mShownValue = 0.0;
  int mShownControlForPlace = -1;  // the control the box was last placed for
  char mText[160] = "";
  IRECT mRect;
  IRECT mInvalid;
};
