#include "editor/IPopupMenu.h"

#include <cstdio>

IPopupMenuItem::IPopupMenuItem(const char* text, int flags) : mFlags(flags)
{
  SetText(text);
}

IPopupMenuItem::IPopupMenuItem(const char* text, IPopupMenu* submenu) : mSubmenu(submenu)
{
  SetText(text);
}

void IPopupMenuItem::SetText(const char* text)
{
  mText.Set(text ? text : "", 0);
}

IPopupMenu::~IPopupMenu()
{
  mMenuItems.Empty(true);
}

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* item, int index)
{
  if (!item) return nullptr;
  int n = mMenuItems.GetSize();
  IPopupMenuItem* added;
  if (index == -1 || index >= n)
    added = mMenuItems.Add(item);
  else
  {
    added = mMenuItems.Insert(index < 0 ? 0 : index, item);
  }
  if (!added)
  {
    delete item;
    return nullptr;
  }
  return item;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int flags)
{
  return AddItem(new IPopupMenuItem(text, flags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* submenu)
{
  return AddItem(new IPopupMenuItem(text, submenu), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu)
{
  return AddItem(new IPopupMenuItem(text, submenu), -1);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index)
{
  return AddItem(new IPopupMenuItem("", IPopupMenuItem::kSeparator), index);
}

IPopupMenuItem* IPopupMenu::GetItem(int i) const
{
  if (i < 0 || i >= mMenuItems.GetSize()) return nullptr;
  return mMenuItems.Get(i);
}

const char* IPopupMenu::GetItemText(int i) const
{
  IPopupMenuItem* item = GetItem(i);
  return item ? item->GetText() : "";
}

void IPopupMenu::SetPrefix(int p)
{
  if (p >= kPrefixNone && p <= kPrefix3) mPrefix = p;
}

void IPopupMenu::GetItemLabel(int i, char* out, int outSize) const
{
  if (!out || outSize <= 0) return;
  out[0] = '\0';
  IPopupMenuItem* item = GetItem(i);
  if (!item) return;
  const char* text = item->GetText();
  switch (mPrefix)
  {
    case kPrefix1: snprintf(out, static_cast<size_t>(outSize), "%1d: %s", i + 1, text); break;
    case kPrefix2: snprintf(out, static_cast<size_t>(outSize), "%02d: %s", i + 1, text); break;
    case kPrefix3: snprintf(out, static_cast<size_t>(outSize), "%03d: %s", i + 1, text); break;
    default: snprintf(out, static_cast<size_t>(outSize), "%s", text); break;
  }
}

bool IPopupMenu::CheckItem(int i, bool checked)
{
  IPopupMenuItem* item = GetItem(i);
  if (!item) return false;
  item->SetChecked(checked);
  return true;
}

void IPopupMenu::CheckItemAlone(int i)
{
  for (int k = 0; k < mMenuItems.GetSize(); ++k)
    if (IPopupMenuItem* item = mMenuItems.Get(k)) item->SetChecked(k == i);
}

bool IPopupMenu::IsItemChecked(int i) const
{
  IPopupMenuItem* item = GetItem(i);
  return item && item->GetChecked();
}
