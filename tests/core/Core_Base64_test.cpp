#include "core/Core_Base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Encode(const std::string& in)
{
  std::vector<char> out(Core_Base64EncodedLength((int)in.size()) + 1);
  const int n = Core_Base64Encode((const unsigned char*)in.data(), (int)in.size(), out.data(), (int)out.size());
  EXPECT_EQ(n, (int)out.size() - 1);
  return std::string(out.data());
}

}  // namespace

TEST(Core_Base64, EncodesKnownVectors)
{
  EXPECT_EQ(Encode(""), "");
  EXPECT_EQ(Encode("f"), "Zg==");
  EXPECT_EQ(Encode("fo"), "Zm8=");
  EXPECT_EQ(Encode("foo"), "Zm9v");
  EXPECT_EQ(Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Encode(std::string("\xfb\xff\xbf", 3)), "+/+/");
}

TEST(Core_Base64, EncodeRefusesSmallBuffers)
{
  const unsigned char data[4] = {1, 2, 3, 4};
  char out[8];
  memset(out, 'x', sizeof(out));
  EXPECT_EQ(Core_Base64Encode(data, 4, out, 8), -1);  // needs 8 + terminator
  EXPECT_STREQ(out, "");
  EXPECT_EQ(Core_Base64Encode(nullptr, 4, out, 8), -1);
  EXPECT_EQ(Core_Base64Encode(data, 4, nullptr, 8), -1);
  char nine[9];
  EXPECT_EQ(Core_Base64Encode(data, 4, nine, 9), 8);
}

TEST(Core_Base64, DecodesKnownVectorsAndStopsOutsideAlphabet)
{
  unsigned char out[16];
  memset(out, 0, sizeof(out));
  EXPECT_EQ(Core_Base64Decode("Zm9vYmFy", out, 16), 6);
  EXPECT_EQ(memcmp(out, "foobar", 6), 0);

  memset(out, 0, sizeof(out));
  EXPECT_EQ(Core_Base64Decode("Zm8=", out, 16), 2);
  EXPECT_EQ(memcmp(out, "fo\0", 3), 0);
  EXPECT_EQ(Core_Base64Decode("Zg==", out, 16), 1);
  EXPECT_EQ(out[0], 'f');

  // Stops at the first character outside the alphabet.
  memset(out, 0, sizeof(out));
  EXPECT_EQ(Core_Base64Decode("Zm9v Zm9v", out, 16), 3);
  // Stops when the output is full and leaves the rest alone.
  memset(out, 0xAA, sizeof(out));
  EXPECT_EQ(Core_Base64Decode("Zm9vYmFy", out, 4), 4);
  EXPECT_EQ(memcmp(out, "foob", 4), 0);
  EXPECT_EQ(out[4], 0xAA);

  EXPECT_EQ(Core_Base64Decode(nullptr, out, 4), 0);
  EXPECT_EQ(Core_Base64Decode("Zm9v", nullptr, 4), 0);
  EXPECT_EQ(Core_Base64Decode("Zm9v", out, 0), 0);
}

TEST(Core_Base64, RandomRoundTrips)
{
  std::mt19937 rng(1234);
  for (int size = 0; size < 200; ++size)
  {
    std::vector<unsigned char> data(size);
    for (auto& b : data) b = (unsigned char)rng();
    std::vector<char> text(Core_Base64EncodedLength(size) + 1);
    ASSERT_EQ(Core_Base64Encode(data.data(), size, text.data(), (int)text.size()), (int)text.size() - 1);
    std::vector<unsigned char> back(size + 3, 0);
    ASSERT_EQ(Core_Base64Decode(text.data(), back.data(), (int)back.size()), size);
    ASSERT_TRUE(std::equal(data.begin(), data.end(), back.begin())) << size;
  }
}
