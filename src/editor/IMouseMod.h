#pragma once

// Mouse buttons and modifier keys of an event. The platform also sets R for a
// command-click, so every right-button test is also a command-click test.
struct IMouseMod
{
  bool L = false, R = false, S = false, C = false, A = false;

  IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false)
    : L(l), R(r), S(s), C(c), A(a) {}
};
