#include "framework/ByteChunk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

TEST(ByteChunk, FixedValuesAreLittleEndianAndReadBack)
{
  ByteChunk c;
  const int32_t i = 0x01020304;
  const double d = -2.5;
  EXPECT_EQ(c.Put(&i), 4);
  EXPECT_EQ(c.Put(&d), 12);
  EXPECT_EQ(c.PutBool(true), 13);
  EXPECT_EQ(c.PutBool(false), 14);
  const unsigned char* b = c.GetBytes();
  EXPECT_EQ(b[0], 0x04);
  EXPECT_EQ(b[3], 0x01);
  EXPECT_EQ(b[12], 1);
  EXPECT_EQ(b[13], 0);

  int32_t i2 = 0;
  double d2 = 0;
  bool t = false, f = true;
  int pos = c.Get(&i2, 0);
  pos = c.Get(&d2, pos);
  pos = c.GetBool(&t, pos);
  pos = c.GetBool(&f, pos);
  EXPECT_EQ(pos, 14);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(d2, d);
  EXPECT_TRUE(t);
  EXPECT_FALSE(f);
}

TEST(ByteChunk, ReadsOutsideTheChunkFailAndLeaveTheTarget)
{
  ByteChunk c;
  const int32_t i = 7;
  c.Put(&i);
  double d = 3.0;
  EXPECT_EQ(c.Get(&d, 0), -1);  // 8 bytes do not fit in 4
  EXPECT_EQ(d, 3.0);
  int32_t v = 9;
  EXPECT_EQ(c.Get(&v, -1), -1);
  EXPECT_EQ(c.Get(&v, 1), -1);
  EXPECT_EQ(c.Get(&v, 4), -1);
  EXPECT_EQ(c.Get(&v, 0x7fffffff), -1);
  EXPECT_EQ(v, 9);
  bool b = true;
  EXPECT_EQ(c.GetBool(&b, 4), -1);
  EXPECT_TRUE(b);
  // A non-zero byte other than 1 reads as true.
  ByteChunk c2;
  const unsigned char x = 0x80;
  c2.PutBytes(&x, 1);
  b = false;
  EXPECT_EQ(c2.GetBool(&b, 0), 1);
  EXPECT_TRUE(b);
}

TEST(ByteChunk, Strings)
{
  ByteChunk c;
  EXPECT_EQ(c.PutStr("abc"), 7);
  EXPECT_EQ(c.PutStr(""), 11);
  EXPECT_EQ(c.PutStr(nullptr), 15);
  const unsigned char expected[] = {3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(c.Size(), (int)sizeof(expected));
  EXPECT_EQ(memcmp(c.GetBytes(), expected, sizeof(expected)), 0);

  Core_String s("old");
  int pos = c.GetStr(&s, 0);
  EXPECT_EQ(pos, 7);
  EXPECT_STREQ(s.Get(), "abc");
  pos = c.GetStr(&s, pos);
  EXPECT_EQ(pos, 11);
  EXPECT_STREQ(s.Get(), "");
}

TEST(ByteChunk, MalformedStringsFailCleanly)
{
  // Length beyond the chunk: the end is returned, the string untouched, the next
  // read fails.
  ByteChunk c;
  const int32_t len = 100;
  c.Put(&len);
  c.PutBytes("xy", 2);
  Core_String s("keep");
  const int end = c.GetStr(&s, 0);
  EXPECT_EQ(end, 104);
  EXPECT_STREQ(s.Get(), "keep");
  int32_t v;
  EXPECT_EQ(c.Get(&v, end), -1);

  // An embedded zero ends the text.
  ByteChunk z;
  const int32_t four = 4;
  z.Put(&four);
  z.PutBytes("a\0bc", 4);
  EXPECT_EQ(z.GetStr(&s, 0), 8);
  EXPECT_STREQ(s.Get(), "a");

  // Negative and overflowing lengths are failed reads.
  for (int32_t bad : {-1, -4, INT32_MIN, INT32_MAX})
  {
    ByteChunk n;
    n.Put(&bad);
    n.PutBytes("abcdefgh", 8);
    s.Set("keep");
    EXPECT_EQ(n.GetStr(&s, 0), -1) << bad;
    EXPECT_STREQ(s.Get(), "keep");
  }
  // A missing length.
  ByteChunk shortChunk;
  shortChunk.PutBytes("ab", 2);
  EXPECT_EQ(shortChunk.GetStr(&s, 0), -1);
}

TEST(ByteChunk, ChunksResizeClearAndCompare)
{
  ByteChunk a, b;
  a.PutStr("hello");
  b.PutBool(true);
  EXPECT_EQ(b.PutChunk(&a), 1 + a.Size());
  EXPECT_EQ(b.PutChunk(nullptr), 1 + a.Size());
  EXPECT_EQ(memcmp(b.GetBytes() + 1, a.GetBytes(), a.Size()), 0);

  ByteChunk copy;
  copy.PutChunk(&a);
  EXPECT_TRUE(copy.IsEqual(&a));
  EXPECT_FALSE(copy.IsEqual(&b));

  EXPECT_EQ(a.Resize(20), 20);
  for (int i = 9; i < 20; ++i) EXPECT_EQ(a.GetBytes()[i], 0) << i;
  a.Clear();
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.GetBytes(), nullptr);
  EXPECT_EQ(a.Resize(-3), 0);
  EXPECT_TRUE(a.IsEqual(&copy) == false);
  ByteChunk empty;
  EXPECT_TRUE(a.IsEqual(&empty));
}
