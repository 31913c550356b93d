#include "core/Core_String.h"

#include <gtest/gtest.h>

#include <string>

TEST(Core_String, SetAndAppend)
{
  Core_String s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
  s.Set("abc", 2);
  EXPECT_STREQ(s.Get(), "ab");
  s.Append("cdef", 1);
  EXPECT_STREQ(s.Get(), "abc");
  s.Append("xyz");
  EXPECT_STREQ(s.Get(), "abcxyz");
  EXPECT_EQ(s.GetLength(), 6);
  s.Set("", 0);
  EXPECT_STREQ(s.Get(), "");
  s.Set(nullptr);
  EXPECT_STREQ(s.Get(), "");
  s.Set("hello", 99);  // maxLen beyond the text stops at the terminator
  EXPECT_STREQ(s.Get(), "hello");
  s.Set("hi");  // shorter text after a longer one
  EXPECT_STREQ(s.Get(), "hi");
  EXPECT_EQ(s.GetLength(), 2);
}

TEST(Core_String, AppendOfOwnTextAcrossStorageMoves)
{
  Core_String s;
  s.Set("0123456789");
  std::string expected = "0123456789";
  for (int i = 0; i < 12; ++i)
  {
    // Appending the string to itself doubles it and forces the storage to move.
    const int half = s.GetLength() / 2;
    s.Append(s.Get() + half);
    expected += expected.substr(half);
    ASSERT_EQ(std::string(s.Get()), expected) << i;
  }
  s.Set(s.Get() + 3, 4);
  EXPECT_STREQ(s.Get(), "3456");
}

TEST(Core_String, DoSetInsertsAndRejectsBadRanges)
{
  Core_String s("held");
  EXPECT_TRUE(s.__doSet(2, "XY", 2, 2));  // insert, keeping "ld" after it
  EXPECT_STREQ(s.Get(), "heXYld");
  EXPECT_FALSE(s.__doSet(-1, "a", 1, 0));
  EXPECT_FALSE(s.__doSet(1, "a", 0, 0));
  EXPECT_FALSE(s.__doSet(10, "a", 1, 0));  // past the end of the text
  EXPECT_FALSE(s.__doSet(5, "a", 1, 3));   // keeping characters that do not exist
  EXPECT_STREQ(s.Get(), "heXYld");
  EXPECT_TRUE(s.__doSet(0, nullptr, 0, 0));
  EXPECT_STREQ(s.Get(), "");
}

TEST(Core_String, CopiesAreIndependent)
{
  Core_String a("one");
  Core_String b(a);
  b.Append("two");
  EXPECT_STREQ(a.Get(), "one");
  a = b;
  EXPECT_STREQ(a.Get(), "onetwo");
}
