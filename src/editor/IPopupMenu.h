#pragma once

#include "core/Core_PtrList.h"
#include "core/Core_String.h"

class IPopupMenu;

// One entry of a popup menu. The text is owned; the submenu is not (whoever built it frees it).
class IPopupMenuItem
{
public:
  enum Flags
  {
    kNoFlags = 0,
    kDisabled = 1 << 0,   // greyed, cannot be chosen
    kTitle = 1 << 1,      // indented one level, a title look
    kChecked = 1 << 2,    // shows a check mark
    kSeparator = 1 << 3   // a divider line
  };

  IPopupMenuItem(const char* text, int flags = kNoFlags);
  IPopupMenuItem(const char* text, IPopupMenu* submenu);

  const char* GetText() const { return mText.Get(); }
  void SetText(const char* text);
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  int GetFlags() const { return mFlags; }

  bool GetEnabled() const { return !(mFlags & kDisabled); }
  bool GetChecked() const { return (mFlags & kChecked) != 0; }
  bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
  bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }

  void SetEnabled(bool enabled) { SetFlag(kDisabled, !enabled); }
  void SetChecked(bool checked) { SetFlag(kChecked, checked); }
  void SetTitle(bool title) { SetFlag(kTitle, title); }

private:
  void SetFlag(int flag, bool on) { mFlags = on ? (mFlags | flag) : (mFlags & ~flag); }

  Core_String mText;
  IPopupMenu* mSubmenu = nullptr;
  int mFlags = kNoFlags;
};

// A menu model the platform presents. It owns its items (deleted last to first) but not the
// submenus they point to. The platform sets the chosen item index of the menu the user picked from.
class IPopupMenu
{
public:
  enum EPrefix { kPrefixNone = 0, kPrefix1 = 1, kPrefix2 = 2, kPrefix3 = 3 };

  IPopupMenu() = default;
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // index -1 appends; other negative indices insert at the top; an index at or beyond the end
  // appends. The menu takes ownership of the item. Returns the item (null if it could not be added,
  // in which case it has been deleted).
  IPopupMenuItem* AddItem(IPopupMenuItem* item, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int flags = IPopupMenuItem::kNoFlags);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* submenu);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  int GetNItems() const { return mMenuItems.GetSize(); }
  IPopupMenuItem* GetItem(int i) const;
  // i must be a valid index; an invalid one gives "".
  const char* GetItemText(int i) const;

  // 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: "; other values are ignored.
  void SetPrefix(int p);
  int GetPrefix() const { return mPrefix; }
  // The label as a platform shows it: the 1-based position with the prefix style, then the text.
  // Writes at most outSize bytes including the terminator.
  void GetItemLabel(int i, char* out, int outSize) const;

  bool CheckItem(int i, bool checked);
  void CheckItemAlone(int i);
  bool IsItemChecked(int i) const;

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int i) { mChosenItemIdx = i; }

private:
  int mPrefix = kPrefixNone;
  int mChosenItemIdx = -1;
  Core_PtrList<IPopupMenuItem> mMenuItems;
};
