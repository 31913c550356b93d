#include "core/Core_StringKeyedArray.h"

#include <gtest/gtest.h>

TEST(Core_StringKeyedArray, SortedInsertReplaceAndLookup)
{
  Core_StringKeyedArray<const char*> map;
  EXPECT_EQ(map.Get("x"), nullptr);
  EXPECT_EQ(map.Insert("Monaco", "DejaVu Sans Mono"), 0);
  EXPECT_EQ(map.Insert("Arial", "Liberation Sans"), 0);
  EXPECT_EQ(map.Insert("arial", "lower"), 2);  // strcmp: uppercase sorts first
  EXPECT_EQ(map.Insert("Helvetica", "H"), 1);
  ASSERT_EQ(map.GetSize(), 4);
  EXPECT_STREQ(map.GetKeyAtIdx(0), "Arial");
  EXPECT_STREQ(map.GetKeyAtIdx(1), "Helvetica");
  EXPECT_STREQ(map.GetKeyAtIdx(2), "Monaco");
  EXPECT_STREQ(map.GetKeyAtIdx(3), "arial");

  EXPECT_EQ(map.Insert("Monaco", "replaced"), 2);  // keeps its position
  EXPECT_EQ(map.GetSize(), 4);
  EXPECT_STREQ(map.Get("Monaco"), "replaced");
  EXPECT_STREQ(map.Get("arial"), "lower");
  EXPECT_EQ(map.Get("ARIAL"), nullptr);
  EXPECT_EQ(map.Get(nullptr), nullptr);
  EXPECT_EQ(map.Insert(nullptr, "x"), -1);
}

TEST(Core_StringKeyedArray, KeysAreCopied)
{
  Core_StringKeyedArray<int> map;
  char key[8] = "abc";
  map.Insert(key, 7);
  key[0] = 'z';
  EXPECT_EQ(map.Get("abc"), 7);
  EXPECT_EQ(map.Get("zbc"), 0);
  for (int i = 0; i < 300; ++i)
  {
    char k[16];
    snprintf(k, sizeof(k), "k%03d", (i * 7919) % 300);
    map.Insert(k, i);
  }
  EXPECT_EQ(map.GetSize(), 301);
  for (int i = 1; i < map.GetSize(); ++i)
    EXPECT_LT(strcmp(map.GetKeyAtIdx(i - 1), map.GetKeyAtIdx(i)), 0);
}
