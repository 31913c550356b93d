#pragma once

#include <X11/Xlib.h>

// Turns X11 events of the editor's window into editor events, framework-free so
// that the rules can be tested without a server.
//
// X11 reports pointer positions in window pixels with the origin at the top left, as the
// editor takes them (it maps window pixels to its panel): no offset or flip is applied.
//
// Visibility: the server reports a window becoming viewable (VisibilityNotify, also when an
// ancestor is mapped) but not becoming unviewable through an ancestor; only the window's own
// unmapping arrives (Hidden). The editor asks the server when it needs to know.
//
// Modifier rules: shift, control and alt come from the event's state mask (alt is
// Mod1). Super (Mod4) plays the role of the command key: a left click with Super held
// sets the right-button flag, so it opens the host's parameter menu like a right click.

struct EditorMouseMods {
  bool left = false;
  bool right = false;
  bool shift = false;
  bool control = false;
  bool alt = false;
};

struct EditorEvent {
  enum class Type {
    Nothing,
    MouseDown,
    MouseDoubleClick,
    MouseUp,
    MouseDrag,
    MouseOver,
    MouseWheel,
    KeyDown,      // key holds the editor's key code
    KeyUnmapped,  // a key the editor has no code for: left to the host
    Exposed,      // x, y, width, height: the uncovered window area
    PointerLeft,
    Shown,        // the window became viewable (it, or an ancestor, was mapped)
    Hidden,       // the window itself was unmapped
  };
  Type type = Type::Nothing;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int wheel = 0;  // +1 up, -1 down
  int key = -1;
  EditorMouseMods mods;
};

// The editor's key code for an X key symbol: up 1, down 2, left 3, right 4, space 0,
// '0'..'9' 5..14, letters 15..40 (case-insensitive); -1 for every other key.
int EditorKeyFromKeySym(unsigned long keysym);

class X11EventTranslator {
 public:
  // Presses of the left button within this time (server milliseconds) and distance
  // (pixels on each axis) of the previous one count as a double click.
  static constexpr unsigned long kDoubleClickMs = 400;
  static constexpr int kDoubleClickDistance = 4;

  // Translates one event. Key events need the key symbol, which the caller looks
  // up (XLookupKeysym) and passes in; it is ignored for other events.
  EditorEvent Translate(const XEvent& event, unsigned long keysym = 0);

  // Forgets the click history (after the window closes).
  void Reset() { mClickCount = 0; }

 private:
  static EditorMouseMods ModsFromState(unsigned int state, bool rightButton);

  int mClickCount = 0;
  Time mLastPressTime = 0;
  int mLastPressX = 0;
  int mLastPressY = 0;
};
