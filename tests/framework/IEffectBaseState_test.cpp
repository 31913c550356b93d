#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "framework/support/TestPlug.h"

namespace
{
ByteChunk StateOf(IEffectBase& plug)
{
  ByteChunk c;
  EXPECT_TRUE(plug.SerializeState(&c));
  return c;
}

ByteChunk Doubles(std::initializer_list<double> values)
{
  ByteChunk c;
  for (double v : values) c.Put(&v);
  return c;
}

std::string ReadText(const std::string& path)
{
  std::vector<unsigned char> b = ReadFileBytes(path.c_str());
  return std::string(b.begin(), b.end());
}

bool Same(const ByteChunk& a, const ByteChunk& b)
{
  return a.IsEqual(&b);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(State, ExactBytesOfTheThreeParameterState)
{
  TestPlug plug;
  ByteChunk c = StateOf(plug);
  // 1.5, 1.0 and -40.0 as little-endian IEEE-754 doubles.
  const unsigned char expected[24] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,  //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x44, 0xC0};
  ASSERT_EQ(c.Size(), 24);
  EXPECT_EQ(memcmp(c.GetBytes(), expected, 24), 0);
}

TEST(State, RoundTripReproducesEveryValue)
{
  TestPlug a, b;
  a.GetParam(0)->SetValue(-3.21);
  a.GetParam(1)->SetValue(0.0);
  a.GetParam(2)->SetValue(-59.5);
  ByteChunk c = StateOf(a);
  b.paramChanges.clear();
  EXPECT_EQ(b.UnserializeState(&c, 0), 24);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(b.GetParam(i)->GetValue(), a.GetParam(i)->GetValue());
  EXPECT_EQ(b.paramChanges, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(b.CompareState(c.GetBytes(), 0));

  // From an offset inside a larger chunk.
  ByteChunk wrapped;
  const int32_t header = 5;
  wrapped.Put(&header);
  wrapped.PutChunk(&c);
  TestPlug d;
  EXPECT_EQ(d.UnserializeState(&wrapped, 4), 28);
  EXPECT_EQ(d.GetParam(2)->GetValue(), -59.5);
}

TEST(State, ValuesAreLimitedAndTruncatedStatesStop)
{
  TestPlug plug;
  ByteChunk big = Doubles({100.0, 5.0, 0.0});
  EXPECT_EQ(plug.UnserializeState(&big, 0), 24);
  EXPECT_EQ(plug.GetParam(0)->GetValue(), 18.0);
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 1.0);
  EXPECT_EQ(plug.GetParam(2)->GetValue(), -20.0);

  // 20 bytes: two values, then the third takes 0 limited to -60..-20.
  TestPlug t;
  t.GetParam(2)->SetValue(-50.0);
  ByteChunk cut = Doubles({2.0, 0.0});
  const int32_t tail = 0;
  cut.Put(&tail);
  t.paramChanges.clear();
  EXPECT_EQ(t.UnserializeState(&cut, 0), -1);
  EXPECT_EQ(t.GetParam(0)->GetValue(), 2.0);
  EXPECT_EQ(t.GetParam(1)->GetValue(), 0.0);
  EXPECT_EQ(t.GetParam(2)->GetValue(), -20.0);
  EXPECT_EQ(t.paramChanges.size(), 3u);

  EXPECT_EQ(t.UnserializeState(&cut, -1), -1);
  EXPECT_EQ(t.UnserializeParams(nullptr, 0), -1);
}

TEST(State, NonFiniteValuesLeaveDefaults)
{
  TestPlug plug;
  plug.GetParam(0)->SetValue(5.0);
  plug.GetParam(2)->SetValue(-30.0);
  ByteChunk c = Doubles({kNaN, 0.0, -kInf});
  EXPECT_EQ(plug.UnserializeState(&c, 0), 24);
  EXPECT_EQ(plug.GetParam(0)->GetValue(), 1.5);
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 0.0);  // reading went on
  EXPECT_EQ(plug.GetParam(2)->GetValue(), -40.0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(plug.GetParam(i)->GetValue()));
}

TEST(State, RandomBytesNeverLeaveValuesOutsideTheRanges)
{
  TestPlug plug;
  unsigned seed = 12345;
  for (int round = 0; round < 200; ++round)
  {
    ByteChunk c;
    const int n = (int)(seed % 40);
    for (int i = 0; i < n; ++i)
    {
      seed = seed * 1103515245u + 12345u;
      const unsigned char b = (unsigned char)(seed >> 16);
      c.PutBytes(&b, 1);
    }
    plug.UnserializeState(&c, 0);
    for (int i = 0; i < 3; ++i)
    {
      IParam* p = plug.GetParam(i);
      EXPECT_TRUE(p->GetValue() >= p->GetMin() && p->GetValue() <= p->GetMax());
    }
  }
}

TEST(State, CompareStateUsesSinglePrecision)
{
  TestPlug plug;
  ByteChunk c = Doubles({0.0, 0.0, 1.5 + 1e-9, 1.0, -40.0});
  EXPECT_TRUE(plug.CompareState(c.GetBytes(), 2));
  EXPECT_FALSE(plug.CompareState(c.GetBytes(), 0));
  EXPECT_FALSE(plug.CompareState(nullptr, 0));
}

TEST(State, FrameworkVersionHeader)
{
  TestPlug plug;
  ByteChunk c;
  c.PutStr("junk");
  plug.InitChunkWithFrameworkVer(&c);
  const unsigned char expected[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  ASSERT_EQ(c.Size(), 8);
  EXPECT_EQ(memcmp(c.GetBytes(), expected, 8), 0);
  EXPECT_EQ(memcmp(c.GetBytes(), "tffp", 4), 0);
  int pos = 0;
  EXPECT_EQ(plug.GetFrameworkVerFromChunk(&c, &pos), 0x10000);
  EXPECT_EQ(pos, 8);

  ByteChunk none = Doubles({1.0});
  pos = 0;
  EXPECT_EQ(plug.GetFrameworkVerFromChunk(&none, &pos), 0);
  EXPECT_EQ(pos, 0);

  ByteChunk cut;
  cut.PutBytes(expected, 6);
  pos = 0;
  EXPECT_EQ(plug.GetFrameworkVerFromChunk(&cut, &pos), 0);
  EXPECT_EQ(pos, -1);
}

TEST(Presets, DefaultAndMadePresets)
{
  TestPlug::Options o;
  o.nPresets = 4;
  TestPlug plug(o);
  plug.MakeDefaultPreset("-", 1);
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  EXPECT_TRUE(plug.GetPreset(0)->mInitialized);
  EXPECT_TRUE(Same(plug.GetPreset(0)->mChunk, StateOf(plug)));

  plug.MakePreset("made", -6.0, 0, -55.5);
  const ByteChunk made = Doubles({-6.0, 0.0, -55.5});
  EXPECT_TRUE(plug.GetPreset(1)->mChunk.IsEqual(&made));

  plug.GetParam(0)->SetValue(2.0);
  plug.MakePresetFromNamedParams("x", 1, 2, -30.5);
  const ByteChunk named = Doubles({2.0, 1.0, -30.5});
  EXPECT_TRUE(plug.GetPreset(2)->mChunk.IsEqual(&named));

  // An unknown index ends the reading of the arguments.
  plug.MakePresetFromNamedParams("bad", 2, 7, 1.0, 0, 3.0);
  EXPECT_TRUE(Same(plug.GetPreset(3)->mChunk, StateOf(plug)));

  // No slot left: nothing happens.
  EXPECT_FALSE(plug.MakePreset("none", 1.0, 1, -40.0));
  plug.MakeDefaultPreset(nullptr, 1);
  EXPECT_STREQ(plug.GetPresetName(3), "bad");
  EXPECT_STREQ(plug.GetPresetName(-1), "");
  EXPECT_STREQ(plug.GetPresetName(4), "");
}

TEST(Presets, ChunkAndBlobPresets)
{
  TestPlug::Options o;
  o.nPresets = 4;
  TestPlug plug(o);
  ByteChunk state = Doubles({1.0, 0.0, -21.0});
  plug.MakePresetFromChunk("chunk", &state);
  EXPECT_TRUE(plug.GetPreset(0)->mChunk.IsEqual(&state));

  // "AQID" decodes to 01 02 03; the rest of the size stays zero.
  plug.MakePresetFromBlob("blob", "AQID", 6);
  const unsigned char bytes[6] = {1, 2, 3, 0, 0, 0};
  ASSERT_EQ(plug.GetPreset(1)->mChunk.Size(), 6);
  EXPECT_EQ(memcmp(plug.GetPreset(1)->mChunk.GetBytes(), bytes, 6), 0);

  // A blob longer than the size is cut; a large size is no problem.
  plug.MakePresetFromBlob("short", "AQIDBAUG", 2);
  EXPECT_EQ(plug.GetPreset(2)->mChunk.Size(), 2);
  plug.MakePresetFromBlob("large", "AQID", 100000);
  EXPECT_EQ(plug.GetPreset(3)->mChunk.Size(), 100000);
  EXPECT_EQ(plug.GetPreset(3)->mChunk.GetBytes()[99999], 0);
}

TEST(Presets, RestoreFillsEmptySlotsWithUserPresets)
{
  TestPlug::Options o;
  o.nPresets = 3;
  TestPlug plug(o);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(plug.GetPresetName(i), "empty");
  plug.GetParam(0)->SetValue(4.0);
  EXPECT_TRUE(plug.RestorePreset(2));
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 1");
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_TRUE(Same(plug.GetPreset(2)->mChunk, StateOf(plug)));

  plug.GetParam(0)->SetValue(-4.0);
  EXPECT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(plug.GetParam(0)->GetValue(), 4.0);

  EXPECT_TRUE(plug.RestorePreset(0));
  EXPECT_STREQ(plug.GetPresetName(0), "user preset 2");
  EXPECT_FALSE(plug.RestorePreset(3));
  EXPECT_FALSE(plug.RestorePreset(-1));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);

  EXPECT_TRUE(plug.RestorePreset("user preset 1"));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_FALSE(plug.RestorePreset("nothing"));
  EXPECT_FALSE(plug.RestorePreset(""));
  EXPECT_FALSE(plug.RestorePreset((const char*)nullptr));

  // An unreadable preset state is reported and the current index stays.
  plug.GetPreset(0)->mChunk.Clear();
  EXPECT_FALSE(plug.RestorePreset(0));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);

  char name[32];
  MakeDefaultUserPresetName(nullptr, name);
  EXPECT_STREQ(name, "user preset 1");
}

TEST(Presets, RestoreRedrawsTheEditor)
{
  TestPlug plug;
  plug.MakeDefaultPreset("-", 1);
  auto* editor = new RecordingEditor;
  plug.AttachGraphics(editor);
  editor->calls.clear();
  EXPECT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(editor->calls.size(), 3u);
}

TEST(Presets, EnsureModifyAndPrune)
{
  TestPlug::Options o;
  o.nPresets = 3;
  TestPlug plug(o);
  plug.MakeDefaultPreset("first", 1);
  plug.PruneUninitializedPresets();
  EXPECT_EQ(plug.NPresets(), 1);

  TestPlug other(o);
  other.MakePreset("one", 1.0, 1, -40.0);
  other.EnsureDefaultPreset();
  EXPECT_STREQ(other.GetPresetName(1), "Empty");
  EXPECT_TRUE(other.GetPreset(2)->mInitialized);

  other.GetParam(0)->SetValue(7.0);
  other.ModifyCurrentPreset("renamed");
  EXPECT_STREQ(other.GetPresetName(0), "renamed");
  EXPECT_TRUE(Same(other.GetPreset(0)->mChunk, StateOf(other)));
  other.ModifyCurrentPreset("");
  EXPECT_STREQ(other.GetPresetName(0), "renamed");

  std::string longName(400, 'n');
  other.ModifyCurrentPreset(longName.c_str());
  EXPECT_EQ(strlen(other.GetPresetName(0)), 263u);
}

TEST(Presets, SerializedPresetsLayoutAndRoundTrip)
{
  TestPlug plug;
  plug.MakeDefaultPreset("-", 1);
  ByteChunk c;
  EXPECT_TRUE(plug.SerializePresets(&c));
  ASSERT_EQ(c.Size(), 4 + 1 + 1 + 24);
  const unsigned char head[6] = {1, 0, 0, 0, '-', 1};
  EXPECT_EQ(memcmp(c.GetBytes(), head, 6), 0);
  EXPECT_EQ(memcmp(c.GetBytes() + 6, StateOf(plug).GetBytes(), 24), 0);

  TestPlug::Options o;
  o.nPresets = 3;
  TestPlug a(o);
  a.MakePreset("one", 3.0, 0, -50.0);
  a.MakePreset("two", 100.0, 1, -45.0);  // 100 is limited to 18 when read
  ByteChunk all;
  EXPECT_TRUE(a.SerializePresets(&all));

  TestPlug b(o);
  b.SetCurrentPresetIdx(1);
  EXPECT_EQ(b.UnserializePresets(&all, 0), all.Size());
  EXPECT_STREQ(b.GetPresetName(0), "one");
  EXPECT_STREQ(b.GetPresetName(1), "two");
  EXPECT_FALSE(b.GetPreset(2)->mInitialized);
  EXPECT_TRUE(b.GetPreset(0)->mChunk.IsEqual(&a.GetPreset(0)->mChunk));
  // The stored values are those the parameters accepted, and the current preset is live.
  EXPECT_TRUE(Same(b.GetPreset(1)->mChunk, Doubles({18.0, 1.0, -45.0})));
  EXPECT_EQ(b.GetParam(0)->GetValue(), 18.0);

  // A truncated list stops with -1.
  ByteChunk cut;
  cut.PutBytes(all.GetBytes(), all.Size() - 10);
  TestPlug c2(o);
  EXPECT_EQ(c2.UnserializePresets(&cut, 0), -1);
  EXPECT_STREQ(c2.GetPresetName(0), "one");
}

TEST(Presets, DeveloperDumps)
{
  TestPlug::Options o;
  o.nPresets = 2;
  TestPlug plug(o);
  plug.GetParam(0)->SetValue(-2.5);
  plug.MakeDefaultPreset("first", 1);
  plug.MakePresetFromChunk("second", nullptr);

  const std::string src = TempPath("src.txt");
  const char* ids[] = {"kGain", "kSwitch", "kFloor"};
  EXPECT_TRUE(plug.DumpPresetSrcCode(src.c_str(), ids));
  EXPECT_EQ(ReadText(src),
            "  MakePresetFromNamedParams(\"name\", 3,\n    kGain, -2.500000,\n    kSwitch, true,\n"
            "    kFloor, -40.000000);\n");

  const std::string blob = TempPath("blob.txt");
  EXPECT_TRUE(plug.DumpPresetBlob(blob.c_str()));
  EXPECT_EQ(ReadText(blob), "MakePresetFromBlob(\"name\", \"AAAAAAAABMAAAAAAAADwPwAAAAAAAETA\", 24);\n");

  const std::string bank = TempPath("bank.txt");
  EXPECT_TRUE(plug.DumpBankBlob(bank.c_str()));
  EXPECT_EQ(ReadText(bank),
            "MakePresetFromBlob(\"first\", \"AAAAAAAABMAAAAAAAADwPwAAAAAAAETA\", 24);\n"
            "MakePresetFromBlob(\"second\", \"\", 0);\n");

  // The blob text reads back into the same state, whatever its size.
  TestPlug back(o);
  back.MakePresetFromBlob("b", "AAAAAAAABMAAAAAAAADwPwAAAAAAAETA", 24);
  EXPECT_TRUE(back.GetPreset(0)->mChunk.IsEqual(&plug.GetPreset(0)->mChunk));

  EXPECT_FALSE(plug.DumpBankBlob("/nonexistent-dir/x.txt"));
  EXPECT_FALSE(plug.DumpPresetSrcCode("/nonexistent-dir/x.txt", ids));
  remove(src.c_str());
  remove(blob.c_str());
  remove(bank.c_str());
}

TEST(Presets, BlobDumpOfALargeChunk)
{
  TestPlug::Options o;
  o.nParams = 400;  // a 3200-byte state
  TestPlug plug(o);
  plug.MakeDefaultPreset("big", 1);
  const std::string path = TempPath("bigblob.txt");
  EXPECT_TRUE(plug.DumpPresetBlob(path.c_str()));
  const std::string text = ReadText(path);
  const size_t open = text.find(", \"") + 3;
  const size_t close = text.find('"', open);
  const std::string b64 = text.substr(open, close - open);
  EXPECT_EQ(b64.size(), 4u * ((3200 + 2) / 3));
  EXPECT_NE(text.find("\", 3200);\n"), std::string::npos);

  TestPlug back(o);
  back.MakePresetFromBlob("b", b64.c_str(), 3200);
  EXPECT_TRUE(back.GetPreset(0)->mChunk.IsEqual(&plug.GetPreset(0)->mChunk));
  remove(path.c_str());
}
