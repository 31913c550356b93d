// Random and mutated input for every reader of state, presets and files: nothing may
// crash (the sanitizer builds check memory), and parameters always stay finite and
// within their ranges. Seeds are fixed and the rounds bounded.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "framework/support/FileBytes.h"
#include "framework/support/TestPlug.h"

namespace
{
void ExpectSaneParams(TestPlug& plug)
{
  for (int i = 0; i < plug.NParams(); ++i)
  {
    const IParam* p = plug.GetParam(i);
    ASSERT_TRUE(std::isfinite(p->GetValue())) << i;
    ASSERT_GE(p->GetValue(), p->GetMin()) << i;
    ASSERT_LE(p->GetValue(), p->GetMax()) << i;
  }
}

std::vector<unsigned char> Mutate(std::vector<unsigned char> b, std::mt19937& rng)
{
  const int edits = 1 + (int)(rng() % 4);
  for (int e = 0; e < edits; ++e)
  {
    switch (rng() % 5)
    {
      case 0:  // flip a byte
        if (!b.empty()) b[rng() % b.size()] ^= (unsigned char)(1 + rng() % 255);
        break;
      case 1:  // cut
        b.resize(b.empty() ? 0 : rng() % b.size());
        break;
      case 2:  // extend with junk
        for (int n = (int)(rng() % 16); n > 0; --n) b.push_back((unsigned char)rng());
        break;
      case 3:  // an extreme 32-bit field, as a big- or little-endian count
        if (b.size() >= 4)
        {
          const size_t pos = rng() % (b.size() - 3);
          const uint32_t values[] = {0u, 1u, 0x7fffffffu, 0x80000000u, 0xffffffffu, (uint32_t)b.size()};
          const uint32_t v = values[rng() % 6];
          if (rng() % 2)
            SetBE32At(b, pos, v);
          else
            memcpy(&b[pos], &v, 4);
        }
        break;
      default:  // a NaN double somewhere
        if (b.size() >= 8)
        {
          const double nan = std::nan("");
          memcpy(&b[rng() % (b.size() - 7)], &nan, 8);
        }
        break;
    }
  }
  return b;
}

ByteChunk ToChunk(const std::vector<unsigned char>& b)
{
  ByteChunk c;
  c.PutBytes(b.data(), (int)b.size());
  return c;
}
}  // namespace

TEST(Fuzz, StateAndPresetChunks)
{
  std::mt19937 rng(1234);
  TestPlug::Options o;
  o.nPresets = 3;
  TestPlug source(o);
  source.MakePreset("a", 2.0, 0, -33.0);
  source.MakePreset("bb", -7.0, 1, -58.5);
  ByteChunk state, presets;
  source.SerializeState(&state);
  source.SerializePresets(&presets);
  const std::vector<unsigned char> seeds[] = {
    {state.GetBytes(), state.GetBytes() + state.Size()},
    {presets.GetBytes(), presets.GetBytes() + presets.Size()},
  };

  TestPlug plug(o);
  for (int round = 0; round < 3000; ++round)
  {
    std::vector<unsigned char> b;
    if (round % 3 == 0)
    {
      b.resize(rng() % 80);
      for (auto& x : b) x = (unsigned char)rng();
    }
    else
    {
      b = Mutate(seeds[round % 2], rng);
    }
    ByteChunk c = ToChunk(b);
    const int start = (int)(rng() % 8) - 2;
    plug.UnserializeState(&c, start);
    ExpectSaneParams(plug);
    plug.UnserializePresets(&c, start);
    ExpectSaneParams(plug);

    Core_String s;
    for (int pos = start; pos >= 0 && pos <= c.Size();) pos = c.GetStr(&s, pos);
    plug.CompareState(c.Size() >= 24 ? c.GetBytes() : state.GetBytes(), 0);
  }
  // The presets always hold whole states the parameters accept.
  for (int i = 0; i < plug.NPresets(); ++i)
    if (plug.GetPreset(i)->mInitialized && plug.RestorePreset(i)) ExpectSaneParams(plug);
}

TEST(Fuzz, Base64Blobs)
{
  std::mt19937 rng(99);
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=!\n";
  for (int round = 0; round < 500; ++round)
  {
    TestPlug plug;
    std::string text(rng() % 200, 'A');
    for (char& ch : text) ch = alphabet[rng() % (sizeof(alphabet) - 1)];
    const int size = (int)(rng() % 300) - 20;
    plug.MakePresetFromBlob("fuzz", text.c_str(), size);
    EXPECT_EQ(plug.GetPreset(0)->mChunk.Size(), size < 0 ? 0 : size);
    plug.RestorePreset(0);
    ExpectSaneParams(plug);
  }
}

TEST(Fuzz, ProgramAndBankFiles)
{
  std::mt19937 rng(4321);
  const Core_String path(TempPath("fuzz.fx").c_str());
  Core_String file(path);
  std::vector<std::vector<unsigned char>> seeds;
  for (bool chunks : {false, true})
  {
    TestPlug::Options o;
    o.doesChunks = chunks;
    o.nPresets = 2;
    TestPlug source(o);
    source.MakeDefaultPreset("seed", 2);
    ASSERT_TRUE(source.SaveProgramAsFXP(&file));
    seeds.push_back(ReadFileBytes(path.Get()));
    ASSERT_TRUE(source.SaveBankAsFXB(&file));
    seeds.push_back(ReadFileBytes(path.Get()));
  }

  for (bool chunks : {false, true})
  {
    TestPlug::Options o;
    o.doesChunks = chunks;
    o.nPresets = 2;
    TestPlug plug(o);
    for (int round = 0; round < 600; ++round)
    {
      const std::vector<unsigned char> b = Mutate(seeds[rng() % seeds.size()], rng);
      ASSERT_TRUE(WriteFileBytes(path.Get(), b));
      if (round % 2)
        plug.LoadBankFromFXB(&file);
      else
        plug.LoadProgramFromFXP(&file);
      ExpectSaneParams(plug);
    }
  }
  remove(path.Get());
}
