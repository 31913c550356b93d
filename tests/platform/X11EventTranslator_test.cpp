// GoogleTest comes first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "platform/linux/X11EventTranslator.h"

#include <X11/keysym.h>

namespace {

XEvent Button(int type, unsigned button, int x, int y, unsigned state = 0, Time time = 1000) {
  XEvent e{};
  e.xbutton.type = type;
  e.xbutton.button = button;
  e.xbutton.x = x;
  e.xbutton.y = y;
  e.xbutton.state = state;
  e.xbutton.time = time;
  return e;
}

XEvent Motion(int x, int y, unsigned state) {
  XEvent e{};
  e.xmotion.type = MotionNotify;
  e.xmotion.x = x;
  e.xmotion.y = y;
  e.xmotion.state = state;
  return e;
}

using T = EditorEvent::Type;

}  // namespace

TEST(X11EventTranslator, PositionsAreEditorCoordinatesAsTheyCome) {
  X11EventTranslator tr;
  EditorEvent e = tr.Translate(Button(ButtonPress, Button1, 102, 153));
  EXPECT_EQ(e.type, T::MouseDown);
  EXPECT_EQ(e.x, 102);
  EXPECT_EQ(e.y, 153);
  EXPECT_TRUE(e.mods.left);
  EXPECT_FALSE(e.mods.right);
}

TEST(X11EventTranslator, ModifiersComeFromTheStateMask) {
  X11EventTranslator tr;
  EditorEvent e = tr.Translate(Button(ButtonPress, Button1, 0, 0, ShiftMask | ControlMask | Mod1Mask));
  EXPECT_TRUE(e.mods.shift);
  EXPECT_TRUE(e.mods.control);
  EXPECT_TRUE(e.mods.alt);
  EXPECT_FALSE(e.mods.right);

  // Super plays the command key: a left click with it carries the right-button flag.
  X11EventTranslator tr2;
  e = tr2.Translate(Button(ButtonPress, Button1, 0, 0, Mod4Mask));
  EXPECT_TRUE(e.mods.left);
  EXPECT_TRUE(e.mods.right);
}

TEST(X11EventTranslator, RightButtonPressAndReleaseCarryOnlyTheRightFlag) {
  X11EventTranslator tr;
  EditorEvent down = tr.Translate(Button(ButtonPress, Button3, 5, 6));
  EditorEvent up = tr.Translate(Button(ButtonRelease, Button3, 5, 6));
  EXPECT_EQ(down.type, T::MouseDown);
  EXPECT_EQ(up.type, T::MouseUp);
  EXPECT_FALSE(down.mods.left);
  EXPECT_TRUE(down.mods.right);
  EXPECT_TRUE(up.mods.right);
}

TEST(X11EventTranslator, DoubleClickNeedsTimeAndDistance) {
  X11EventTranslator tr;
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button1, 10, 10, 0, 1000)).type, T::MouseDown);
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button1, 12, 9, 0, 1300)).type, T::MouseDoubleClick);
  // A third quick click still counts as a double click (click count 3).
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button1, 12, 9, 0, 1500)).type, T::MouseDoubleClick);
  // Too late.
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button1, 12, 9, 0, 2500)).type, T::MouseDown);
  // Too far.
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button1, 30, 9, 0, 2600)).type, T::MouseDown);
  // A right click in between breaks the sequence.
  tr.Translate(Button(ButtonPress, Button3, 30, 9, 0, 2700));
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button1, 30, 9, 0, 2800)).type, T::MouseDown);
}

TEST(X11EventTranslator, WheelButtonsScrollAndSideButtonsAreIgnored) {
  X11EventTranslator tr;
  EditorEvent up = tr.Translate(Button(ButtonPress, Button4, 1, 2));
  EditorEvent down = tr.Translate(Button(ButtonPress, Button5, 1, 2));
  EXPECT_EQ(up.type, T::MouseWheel);
  EXPECT_EQ(up.wheel, 1);
  EXPECT_EQ(down.wheel, -1);
  EXPECT_EQ(tr.Translate(Button(ButtonPress, 6, 1, 2)).type, T::Nothing);
  EXPECT_EQ(tr.Translate(Button(ButtonPress, 7, 1, 2)).type, T::Nothing);
  EXPECT_EQ(tr.Translate(Button(ButtonPress, Button2, 1, 2)).type, T::Nothing);
  EXPECT_EQ(tr.Translate(Button(ButtonRelease, Button4, 1, 2)).type, T::Nothing);
}

TEST(X11EventTranslator, MotionIsDragWithAButtonHeldAndMouseOverOtherwise) {
  X11EventTranslator tr;
  EditorEvent drag = tr.Translate(Motion(7, 8, Button1Mask | ShiftMask));
  EXPECT_EQ(drag.type, T::MouseDrag);
  EXPECT_TRUE(drag.mods.left);
  EXPECT_TRUE(drag.mods.shift);
  EditorEvent rightDrag = tr.Translate(Motion(7, 8, Button3Mask));
  EXPECT_EQ(rightDrag.type, T::MouseDrag);
  EXPECT_TRUE(rightDrag.mods.right);
  EXPECT_FALSE(rightDrag.mods.left);
  EXPECT_EQ(tr.Translate(Motion(7, 8, 0)).type, T::MouseOver);
}

TEST(X11EventTranslator, KeysMapToEditorCodesAndTheRestGoToTheHost) {
  EXPECT_EQ(EditorKeyFromKeySym(XK_Up), 1);
  EXPECT_EQ(EditorKeyFromKeySym(XK_Down), 2);
  EXPECT_EQ(EditorKeyFromKeySym(XK_Left), 3);
  EXPECT_EQ(EditorKeyFromKeySym(XK_Right), 4);
  EXPECT_EQ(EditorKeyFromKeySym(XK_space), 0);
  EXPECT_EQ(EditorKeyFromKeySym(XK_7), 12);
  EXPECT_EQ(EditorKeyFromKeySym(XK_0), 5);
  EXPECT_EQ(EditorKeyFromKeySym(XK_a), 15);
  EXPECT_EQ(EditorKeyFromKeySym(XK_Z), 40);
  EXPECT_EQ(EditorKeyFromKeySym(XK_period), -1);
  EXPECT_EQ(EditorKeyFromKeySym(XK_Return), -1);

  X11EventTranslator tr;
  XEvent e{};
  e.xkey.type = KeyPress;
  e.xkey.x = 3;
  e.xkey.y = 4;
  EditorEvent seven = tr.Translate(e, XK_7);
  EXPECT_EQ(seven.type, T::KeyDown);
  EXPECT_EQ(seven.key, 12);
  EXPECT_EQ(tr.Translate(e, XK_period).type, T::KeyUnmapped);
}

TEST(X11EventTranslator, WindowStateEvents) {
  const struct {
    int type;
    T expected;
  } cases[] = {{VisibilityNotify, T::Shown}, {MapNotify, T::Shown}, {UnmapNotify, T::Hidden},
               {LeaveNotify, T::PointerLeft}, {ConfigureNotify, T::Nothing}, {FocusIn, T::Nothing}};
  X11EventTranslator tr;
  for (const auto& c : cases) {
    XEvent e{};
    e.type = c.type;
    EXPECT_EQ(tr.Translate(e).type, c.expected) << c.type;
  }
}

TEST(X11EventTranslator, ExposeGivesTheUncoveredArea) {
  X11EventTranslator tr;
  XEvent e{};
  e.xexpose.type = Expose;
  e.xexpose.x = 10;
  e.xexpose.y = 20;
  e.xexpose.width = 30;
  e.xexpose.height = 40;
  EditorEvent out = tr.Translate(e);
  EXPECT_EQ(out.type, T::Exposed);
  EXPECT_EQ(out.x, 10);
  EXPECT_EQ(out.y, 20);
  EXPECT_EQ(out.width, 30);
  EXPECT_EQ(out.height, 40);
}
