// Which scale the editor shows: the user's choice (the editor's scale menu, kept by the platform),
// else the host's display scale, else 100 %.

#include <cmath>
#include <cstdio>

#include "editor/IGraphics.h"

void IGraphics::SetHostScaleFactor(double factor)
{
  mHostScaleFactor = factor > 0.0 && std::isfinite(factor) ? factor : 0.0;
  ApplyPreferredScale();
}

int IGraphics::PreferredScalePercent()
{
  // A choice this editor could not save outlives whatever the settings say.
  if (mChosenPercent > 0) return mChosenPercent;
  const int saved = LoadScalePreference();
  if (saved > 0) return IScale(saved).mPercent;
  if (mHostScaleFactor > 0.0) return IScale::NearestPercent(mHostScaleFactor);
  return 100;
}

bool IGraphics::ApplyPreferredScale()
{
  return SetScale(PreferredScalePercent());
}

void IGraphics::PopupScaleMenu(int x, int y)
{
  IPopupMenu menu;
  menu.AddItem("Editor size", -1, IPopupMenuItem::kDisabled);
  for (int percent : IScale::kPercents)
  {
    char label[16];
    snprintf(label, sizeof(label), "%d %%", percent);
    menu.AddItem(label, -1, percent == mScale.mPercent ? IPopupMenuItem::kChecked : IPopupMenuItem::kNoFlags);
  }
  IRECT anchor(x, y, x + 1, y + 1);
  IPopupMenu* chosen = CreateIPopupMenu(&menu, &anchor);
  if (chosen != &menu) return;
  const int item = chosen->GetChosenItemIdx() - 1;
  if (item < 0 || item >= IScale::kNumPercents) return;
  const int percent = IScale::kPercents[item];
  mChosenPercent = SaveScalePreference(percent) ? 0 : percent;
  SetScale(percent);
}
