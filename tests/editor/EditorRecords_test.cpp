// Shared editor records, popup menus and the text-field input filter.
#include <gtest/gtest.h>

#include <cstring>

#include "editor/IChannelBlend.h"
#include "editor/IColor.h"
#include "editor/IPopupMenu.h"
#include "editor/IRECT.h"
#include "editor/IText.h"
#include "editor/ITextEntryFilter.h"
#include "framework/IParam.h"

TEST(IRECT, EmptinessIntersectionAndUnion)
{
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_FALSE(IRECT(5, 5, 5, 5).Empty());  // degenerate but not "empty"
  EXPECT_FALSE(IRECT().Contains(0, 0));
  EXPECT_TRUE(IRECT(0, 0, 10, 10).Contains(9, 9));
  EXPECT_FALSE(IRECT(0, 0, 10, 10).Contains(10, 5));

  // Touching along this rectangle's right edge intersects; the mirrored case does not.
  IRECT a(0, 0, 10, 10), b(10, 0, 20, 10);
  EXPECT_TRUE(a.Intersects(&b));
  EXPECT_FALSE(b.Intersects(&a));
  EXPECT_TRUE(a.Intersect(&b) == IRECT(10, 0, 10, 10));
  EXPECT_TRUE(b.Intersect(&a).Empty());
  EXPECT_FALSE(a.Intersects(IRECT()));

  EXPECT_TRUE(IRECT(10, 10, 20, 20).Union(IRECT(50, 0, 60, 5)) == IRECT(10, 0, 60, 20));
  EXPECT_TRUE(IRECT().Union(IRECT(1, 2, 3, 4)) == IRECT(1, 2, 3, 4));
  EXPECT_TRUE(IRECT(1, 2, 3, 4).Union(IRECT()) == IRECT(1, 2, 3, 4));
  EXPECT_FLOAT_EQ(IRECT(1, 2, 4, 8).MW(), 2.5f);
  EXPECT_FLOAT_EQ(IRECT(1, 2, 4, 8).MH(), 5.0f);
}

TEST(IColor, PixelsNamedColoursAndBlendModes)
{
  EXPECT_EQ(IColor(0x80, 0x12, 0x34, 0x56).ToPixel(), 0x80123456u);
  EXPECT_TRUE(IColor::FromPixel(0x80123456u) == IColor(0x80, 0x12, 0x34, 0x56));
  EXPECT_EQ(COLOR_ORANGE.ToPixel(), 0xFFFF7F00u);
  EXPECT_EQ(COLOR_TRANSPARENT.ToPixel(), 0u);

  EXPECT_EQ(IChannelBlend::ModeOf(nullptr), 0x10000);
  EXPECT_FLOAT_EQ(IChannelBlend::WeightOf(nullptr), 1.0f);
  IChannelBlend add(IChannelBlend::kBlendAdd, 0.5f), dodge(IChannelBlend::kBlendColorDodge),
    clobber(IChannelBlend::kBlendClobber), odd(static_cast<IChannelBlend::EBlendMethod>(9), 0.3f);
  EXPECT_EQ(IChannelBlend::ModeOf(&add), 0x10001);
  EXPECT_FLOAT_EQ(IChannelBlend::WeightOf(&add), 0.5f);
  EXPECT_EQ(IChannelBlend::ModeOf(&dodge), 0x10002);
  EXPECT_EQ(IChannelBlend::ModeOf(&clobber), 0);
  EXPECT_EQ(IChannelBlend::ModeOf(&odd), 0x10000);
}

TEST(IText, DefaultsAndBoundedFaceName)
{
  IText t;
  EXPECT_STREQ(t.mFont, "Monaco");
  EXPECT_EQ(t.mSize, 10);
  EXPECT_EQ(t.mAlign, IText::kAlignCenter);
  EXPECT_TRUE(t.mTextEntryBGColor == DEFAULT_TEXT_ENTRY_BGCOLOR);
  EXPECT_EQ(t.mCached, nullptr);

  const char* longName = "A face name that is far longer than thirty-one characters";
  IText cut(12, &COLOR_RED, longName);
  EXPECT_EQ(strlen(cut.mFont), 31u);
  EXPECT_EQ(strncmp(cut.mFont, longName, 31), 0);
}

TEST(IPopupMenu, InsertionPrefixesAndChecks)
{
  IPopupMenu menu;
  menu.AddItem("a");
  menu.AddItem("b");
  menu.AddItem("x", 99);  // beyond the end: appended
  menu.AddItem("top", -5);  // negative: inserted at the top
  ASSERT_EQ(menu.GetNItems(), 4);
  EXPECT_STREQ(menu.GetItemText(0), "top");
  EXPECT_STREQ(menu.GetItemText(3), "x");
  EXPECT_EQ(menu.GetItem(4), nullptr);
  EXPECT_EQ(menu.GetItem(-1), nullptr);
  EXPECT_FALSE(menu.IsItemChecked(-1));
  EXPECT_FALSE(menu.CheckItem(7, true));

  for (int i = 0; i < 4; ++i) menu.CheckItem(i, true);
  menu.CheckItemAlone(1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(menu.IsItemChecked(i), i == 1) << i;

  char label[64];
  menu.SetPrefix(3);
  menu.SetPrefix(4);  // ignored
  EXPECT_EQ(menu.GetPrefix(), 3);
  menu.GetItemLabel(1, label, sizeof(label));
  EXPECT_STREQ(label, "002: a");
  menu.SetPrefix(2);
  menu.GetItemLabel(3, label, sizeof(label));
  EXPECT_STREQ(label, "04: x");
  menu.GetItemLabel(3, label, 4);  // bounded
  EXPECT_STREQ(label, "04:");

  IPopupMenu sub;
  sub.AddItem("inner");
  IPopupMenuItem* holder = menu.AddItem("more", &sub);
  EXPECT_EQ(holder->GetSubmenu(), &sub);
  IPopupMenuItem* sep = menu.AddSeparator(0);
  EXPECT_TRUE(sep->GetIsSeparator());
  EXPECT_STREQ(sep->GetText(), "");
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
}

TEST(ITextEntryFilter, CharactersLengthAndValueByKind)
{
  IParam intParam, dblParam, enumParam, plain;
  intParam.InitInt("i", 0, 0, 100);
  dblParam.InitDouble("d", 0.0, -1.0, 1.0, 0.01);
  enumParam.InitEnum("e", 0, 2);

  ITextEntryFilter fi = ITextEntryFilter::ForParam(&intParam, 7);
  EXPECT_TRUE(fi.Accepts("12"));
  EXPECT_FALSE(fi.Accepts("12a"));
  EXPECT_FALSE(fi.Accepts("1.5"));
  EXPECT_TRUE(fi.Accepts("-+7"));
  EXPECT_TRUE(fi.Accepts("1234567"));
  EXPECT_FALSE(fi.Accepts("12345678"));  // an eighth character
  EXPECT_TRUE(fi.Accepts(""));

  ITextEntryFilter fd = ITextEntryFilter::ForParam(&dblParam, 7);
  EXPECT_TRUE(fd.Accepts("1.5"));
  EXPECT_FALSE(fd.Accepts("1,5"));

  EXPECT_FALSE(ITextEntryFilter::ForParam(&enumParam, 7).Accepts("Mid"));
  EXPECT_TRUE(ITextEntryFilter::ForParam(&plain, 7).Accepts("a b,c"));  // kind None: no set
  EXPECT_TRUE(ITextEntryFilter::ForParam(nullptr, 7).Accepts("anything at all, however long"));

  ITextEntryFilter limited;
  limited.mMaxValue = 50;
  EXPECT_TRUE(limited.Accepts("50"));
  EXPECT_FALSE(limited.Accepts("51abc"));
  EXPECT_FALSE(limited.Accepts("99999999999999999999999"));  // saturates, still above
}
