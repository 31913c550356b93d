#include "platform/linux/X11EventTranslator.h"

#include <X11/keysym.h>

#include <cstdlib>

int EditorKeyFromKeySym(unsigned long keysym) {
  switch (keysym) {
    case XK_Up:
    case XK_KP_Up:
      return 1;
    case XK_Down:
    case XK_KP_Down:
      return 2;
    case XK_Left:
    case XK_KP_Left:
      return 3;
    case XK_Right:
    case XK_KP_Right:
      return 4;
    case XK_space:
      return 0;
    default:
      break;
  }
  if (keysym >= XK_0 && keysym <= XK_9) return 5 + static_cast<int>(keysym - XK_0);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return 5 + static_cast<int>(keysym - XK_KP_0);
  if (keysym >= XK_A && keysym <= XK_Z) return 15 + static_cast<int>(keysym - XK_A);
  if (keysym >= XK_a && keysym <= XK_z) return 15 + static_cast<int>(keysym - XK_a);
  return -1;
}

EditorMouseMods X11EventTranslator::ModsFromState(unsigned int state, bool rightButton) {
  EditorMouseMods m;
  m.left = !rightButton;
  m.right = rightButton || (state & Mod4Mask) != 0;
  m.shift = (state & ShiftMask) != 0;
  m.control = (state & ControlMask) != 0;
  m.alt = (state & Mod1Mask) != 0;
  return m;
}

EditorEvent X11EventTranslator::Translate(const XEvent& event, unsigned long keysym) {
  EditorEvent out;
  switch (event.type) {
    case ButtonPress: {
      const XButtonEvent& b = event.xbutton;
      out.x = b.x;
      out.y = b.y;
      if (b.button == Button1) {
        const bool near = std::abs(b.x - mLastPressX) <= kDoubleClickDistance &&
                          std::abs(b.y - mLastPressY) <= kDoubleClickDistance;
        const bool soon = mClickCount > 0 && b.time >= mLastPressTime && b.time - mLastPressTime <= kDoubleClickMs;
        mClickCount = (near && soon) ? mClickCount + 1 : 1;
        mLastPressTime = b.time;
        mLastPressX = b.x;
        mLastPressY = b.y;
        out.mods = ModsFromState(b.state, false);
        out.type = mClickCount >= 2 ? EditorEvent::Type::MouseDoubleClick : EditorEvent::Type::MouseDown;
      } else if (b.button == Button3) {
        mClickCount = 0;
        out.mods = ModsFromState(b.state, true);
        out.type = EditorEvent::Type::MouseDown;
      } else if (b.button == Button4 || b.button == Button5) {
        out.mods = ModsFromState(b.state, false);
        out.wheel = b.button == Button4 ? 1 : -1;
        out.type = EditorEvent::Type::MouseWheel;
      }
      // Buttons 2, 6 and 7 (middle, horizontal scroll) are ignored.
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      if (b.button == Button1 || b.button == Button3) {
        out.x = b.x;
        out.y = b.y;
        out.mods = ModsFromState(b.state, b.button == Button3);
        out.type = EditorEvent::Type::MouseUp;
      }
      break;
    }
    case MotionNotify: {
      const XMotionEvent& m = event.xmotion;
      out.x = m.x;
      out.y = m.y;
      if (m.state & Button1Mask) {
        out.mods = ModsFromState(m.state, false);
        out.type = EditorEvent::Type::MouseDrag;
      } else if (m.state & Button3Mask) {
        out.mods = ModsFromState(m.state, true);
        out.type = EditorEvent::Type::MouseDrag;
      } else {
        out.mods = ModsFromState(m.state, false);
        out.type = EditorEvent::Type::MouseOver;
      }
      break;
    }
    case KeyPress: {
      const XKeyEvent& k = event.xkey;
      out.x = k.x;
      out.y = k.y;
      out.key = EditorKeyFromKeySym(keysym);
      out.type = out.key >= 0 ? EditorEvent::Type::KeyDown : EditorEvent::Type::KeyUnmapped;
      break;
    }
    case Expose:
    case GraphicsExpose: {
      const XExposeEvent& e = event.xexpose;
      out.x = e.x;
      out.y = e.y;
      out.width = e.width;
      out.height = e.height;
      out.type = EditorEvent::Type::Exposed;
      break;
    }
    case LeaveNotify:
      out.type = EditorEvent::Type::PointerLeft;
      break;
    case VisibilityNotify:
    case MapNotify:
      out.type = EditorEvent::Type::Shown;
      break;
    case UnmapNotify:
      out.type = EditorEvent::Type::Hidden;
      break;
    default:
      break;
  }
  return out;
}
