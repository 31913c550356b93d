// The clipboard: text asked from the CLIPBOARD selection's owner, with a bounded wait that
// leaves the editor's other events queued.

#include <X11/Xatom.h>
#include <poll.h>

#include <string>

#include "platform/linux/IGraphicsLinuxImpl.h"

namespace
{
// How long a clipboard request may take before it counts as empty.
constexpr int kClipboardTimeoutMs = 500;
}  // namespace

bool IGraphicsLinux::GetTextFromClipboard(Core_String* str)
{
  if (str) str->Set("");
  if (!str || !mImpl->mWindow.IsOpen()) return false;
  Display* d = mImpl->D();
  const Window w = mImpl->mWindow.GetWindow();
  const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  const Atom property = XInternAtom(d, "TESK_CLIPBOARD", False);
  if (XGetSelectionOwner(d, clipboard) == None) return false;
  XConvertSelection(d, clipboard, utf8, property, w, CurrentTime);
  XFlush(d);

  // Wait (bounded) for the owner's answer; other events stay queued for the editor.
  XEvent e;
  bool answered = false;
  for (int waited = 0; waited < kClipboardTimeoutMs && !answered; waited += 10)
  {
    if (XCheckTypedWindowEvent(d, w, SelectionNotify, &e))
    {
      answered = true;
      break;
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 10);
  }
  if (!answered || e.xselection.property == None) return false;

  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const long kMaxLongs = 1 << 18;  // 1 MiB of text at most
  bool ok = false;
  if (XGetWindowProperty(d, w, property, 0, kMaxLongs, True, AnyPropertyType, &type, &format, &count, &remaining,
                         &data) == Success &&
      data && format == 8 && count > 0)
  {
    const std::string text(reinterpret_cast<const char*>(data), count);
    str->Set(text.c_str());
    ok = true;
  }
  if (data) XFree(data);
  return ok;
}
