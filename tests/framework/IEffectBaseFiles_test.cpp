#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/support/FileBytes.h"
#include "framework/support/TestPlug.h"

namespace
{
const uint32_t kID = 0x54657374;

// Everything a failed load must leave as it was.
struct Snapshot
{
  std::vector<unsigned char> state, presets;
  int current = 0, programChanges = 0;

  explicit Snapshot(TestPlug& plug)
  {
    ByteChunk s, p;
    plug.SerializeState(&s);
    plug.SerializePresets(&p);
    state.assign(s.GetBytes(), s.GetBytes() + s.Size());
    presets.assign(p.GetBytes(), p.GetBytes() + p.Size());
    current = plug.GetCurrentPresetIdx();
    programChanges = plug.programChanges;
  }
  bool operator==(const Snapshot& o) const
  {
    return state == o.state && presets == o.presets && current == o.current && programChanges == o.programChanges;
  }
};

TestPlug::Options Opts(bool chunks, int nPresets = 2)
{
  TestPlug::Options o;
  o.doesChunks = chunks;
  o.nPresets = nPresets;
  return o;
}

void SetValues(TestPlug& plug, double gain, double sw, double floor)
{
  plug.GetParam(0)->SetValue(gain);
  plug.GetParam(1)->SetValue(sw);
  plug.GetParam(2)->SetValue(floor);
}

class Files : public ::testing::Test
{
protected:
  void TearDown() override
  {
    remove(path.Get());
    remove(other.Get());
  }
  Core_String path{TempPath("file.fx").c_str()};
  Core_String other{TempPath("other.fx").c_str()};

  // Expects every load of bytes to fail without a change.
  void ExpectRejected(TestPlug& plug, const std::vector<unsigned char>& bytes, bool bank, const char* what)
  {
    ASSERT_TRUE(WriteFileBytes(other.Get(), bytes));
    const Snapshot before(plug);
    EXPECT_FALSE(bank ? plug.LoadBankFromFXB(&other) : plug.LoadProgramFromFXP(&other)) << what;
    EXPECT_TRUE(Snapshot(plug) == before) << what;
  }

  // Every header field that the loaders check, broken one at a time, and every
  // truncation of the file.
  void ExpectBrokenFilesRejected(TestPlug& plug, const std::vector<unsigned char>& good, bool bank)
  {
    for (size_t n = 0; n < good.size(); ++n)
    {
      std::vector<unsigned char> cut(good.begin(), good.begin() + (long)n);
      ExpectRejected(plug, cut, bank, ("truncated to " + std::to_string(n)).c_str());
    }
    std::vector<unsigned char> b = good;
    b[0] = 'X';
    ExpectRejected(plug, b, bank, "chunk magic");
    b = good;
    b[11] = '?';
    ExpectRejected(plug, b, bank, "form magic");
    b = good;
    SetBE32At(b, 12, bank ? 1 : 2);
    ExpectRejected(plug, b, bank, "format version");
    b = good;
    SetBE32At(b, 16, kID + 1);
    ExpectRejected(plug, b, bank, "unique ID");
  }
};
}  // namespace

TEST_F(Files, ProgramParameterFormLayout)
{
  TestPlug plug(Opts(false));
  plug.MakeDefaultPreset("Warm", 1);
  SetValues(plug, 9.0, 0.0, -30.0);
  ASSERT_TRUE(plug.SaveProgramAsFXP(&path));
  const std::vector<unsigned char> b = ReadFileBytes(path.Get());
  ASSERT_EQ(b.size(), 56u + 12u);
  EXPECT_EQ(TextAt(b, 0, 4), "CcnK");
  EXPECT_EQ(BE32At(b, 4), 60u);  // bytes after this field
  EXPECT_EQ(TextAt(b, 8, 4), "FxCk");
  EXPECT_EQ(BE32At(b, 12), 1u);
  EXPECT_EQ(BE32At(b, 16), kID);
  EXPECT_EQ(BE32At(b, 20), 30102u);
  EXPECT_EQ(BE32At(b, 24), 3u);
  EXPECT_EQ(TextAt(b, 28, 5), std::string("Warm\0", 5));
  for (int i = 33; i < 56; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(BEFloatAt(b, 56), 0.75f);
  EXPECT_EQ(BEFloatAt(b, 60), 0.0f);
  EXPECT_EQ(BEFloatAt(b, 64), 0.75f);
}

TEST_F(Files, ProgramParameterFormRoundTrip)
{
  TestPlug plug(Opts(false));
  plug.MakeDefaultPreset("Warm", 1);
  SetValues(plug, 9.0, 0.0, -30.0);
  ASSERT_TRUE(plug.SaveProgramAsFXP(&path));

  TestPlug back(Opts(false));
  back.MakeDefaultPreset("-", 1);
  back.paramChanges.clear();
  ASSERT_TRUE(back.LoadProgramFromFXP(&path));
  EXPECT_EQ(back.GetParam(0)->GetValue(), 9.0);
  EXPECT_EQ(back.GetParam(1)->GetValue(), 0.0);
  EXPECT_EQ(back.GetParam(2)->GetValue(), -30.0);
  EXPECT_STREQ(back.GetPresetName(0), "Warm");
  ByteChunk state;
  back.SerializeState(&state);
  EXPECT_TRUE(back.GetPreset(0)->mChunk.IsEqual(&state));
  EXPECT_EQ(back.programChanges, 1);
  EXPECT_EQ(back.paramChanges.size(), 3u);

  // A 28-character name fills the field without a terminator.
  std::vector<unsigned char> b = ReadFileBytes(path.Get());
  memcpy(&b[28], "ABCDEFGHIJKLMNOPQRSTUVWXYZ01", 28);
  ASSERT_TRUE(WriteFileBytes(other.Get(), b));
  ASSERT_TRUE(back.LoadProgramFromFXP(&other));
  EXPECT_STREQ(back.GetPresetName(0), "ABCDEFGHIJKLMNOPQRSTUVWXYZ01");

  // Non-finite values fall back to the defaults; values outside 0..1 are limited.
  SetBE32At(b, 56, 0x7fc00000u);  // NaN
  SetBE32At(b, 64, 0x40000000u);  // 2.0
  ASSERT_TRUE(WriteFileBytes(other.Get(), b));
  ASSERT_TRUE(back.LoadProgramFromFXP(&other));
  EXPECT_EQ(back.GetParam(0)->GetValue(), 1.5);
  EXPECT_EQ(back.GetParam(2)->GetValue(), -20.0);
}

TEST_F(Files, ProgramChunkFormLayoutAndRoundTrip)
{
  TestPlug plug(Opts(true));
  plug.MakeDefaultPreset("Chunky", 1);
  SetValues(plug, -3.33, 0.0, -47.5);
  ASSERT_TRUE(plug.SaveProgramAsFXP(&path));
  const std::vector<unsigned char> b = ReadFileBytes(path.Get());
  ASSERT_EQ(b.size(), 60u + 8u + 24u);
  EXPECT_EQ(TextAt(b, 0, 4), "CcnK");
  EXPECT_EQ(BE32At(b, 4), 84u);
  EXPECT_EQ(TextAt(b, 8, 4), "FPCh");
  EXPECT_EQ(BE32At(b, 12), 1u);
  EXPECT_EQ(BE32At(b, 16), kID);
  EXPECT_EQ(BE32At(b, 20), 30102u);
  EXPECT_EQ(BE32At(b, 24), 3u);
  EXPECT_EQ(TextAt(b, 28, 7), std::string("Chunky\0", 7));
  EXPECT_EQ(BE32At(b, 56), 32u);
  EXPECT_EQ(TextAt(b, 60, 4), "tffp");
  ByteChunk state;
  plug.SerializeState(&state);
  EXPECT_EQ(memcmp(&b[68], state.GetBytes(), 24), 0);

  TestPlug back(Opts(true));
  ASSERT_TRUE(back.LoadProgramFromFXP(&path));
  EXPECT_EQ(back.GetParam(0)->GetValue(), -3.33);
  EXPECT_EQ(back.GetParam(2)->GetValue(), -47.5);
  EXPECT_STREQ(back.GetPresetName(0), "Chunky");
  EXPECT_EQ(back.GetCurrentPresetIdx(), 0);

  // The version header is optional.
  std::vector<unsigned char> bare(b.begin(), b.begin() + 56);
  bare.resize(60);
  SetBE32At(bare, 56, 24);
  bare.insert(bare.end(), b.begin() + 68, b.end());
  ASSERT_TRUE(WriteFileBytes(other.Get(), bare));
  TestPlug bareBack(Opts(true));
  ASSERT_TRUE(bareBack.LoadProgramFromFXP(&other));
  EXPECT_EQ(bareBack.GetParam(0)->GetValue(), -3.33);

  // A chunk program needs a plug-in that does chunks.
  TestPlug noChunks(Opts(false));
  ExpectRejected(noChunks, b, false, "chunk form without chunks");
}

TEST_F(Files, BankParameterFormLayoutAndRoundTrip)
{
  TestPlug plug(Opts(false, 3));
  SetValues(plug, 9.0, 1.0, -60.0);
  plug.MakeDefaultPreset("A", 1);
  plug.MakePreset("B", -9.0, 0, -20.0);
  plug.SetCurrentPresetIdx(1);
  ASSERT_TRUE(plug.SaveBankAsFXB(&path));
  const std::vector<unsigned char> b = ReadFileBytes(path.Get());
  const size_t programSize = 56 + 12;
  ASSERT_EQ(b.size(), 156 + 3 * programSize);
  EXPECT_EQ(TextAt(b, 0, 4), "CcnK");
  EXPECT_EQ(BE32At(b, 4), 148 + 3 * programSize);
  EXPECT_EQ(TextAt(b, 8, 4), "FxBk");
  EXPECT_EQ(BE32At(b, 12), 2u);
  EXPECT_EQ(BE32At(b, 16), kID);
  EXPECT_EQ(BE32At(b, 20), 30102u);
  EXPECT_EQ(BE32At(b, 24), 3u);  // programs
  EXPECT_EQ(BE32At(b, 28), 1u);  // current program
  for (int i = 32; i < 156; ++i) EXPECT_EQ(b[i], 0) << i;
  const size_t p1 = 156 + programSize;
  EXPECT_EQ(TextAt(b, p1, 4), "CcnK");
  EXPECT_EQ(BE32At(b, p1 + 4), programSize - 8);
  EXPECT_EQ(TextAt(b, p1 + 8, 4), "FxCk");
  EXPECT_EQ(BE32At(b, p1 + 12), 1u);
  EXPECT_EQ(BE32At(b, p1 + 24), 3u);
  EXPECT_EQ(TextAt(b, p1 + 28, 2), std::string("B\0", 2));
  EXPECT_EQ(BEFloatAt(b, p1 + 56), 0.25f);
  EXPECT_EQ(BEFloatAt(b, p1 + 60), 0.0f);
  EXPECT_EQ(BEFloatAt(b, p1 + 64), 1.0f);
  EXPECT_EQ(BEFloatAt(b, 156 + 56), 0.75f);  // preset A

  TestPlug back(Opts(false, 3));
  SetValues(back, 0.0, 1.0, -40.0);
  ASSERT_TRUE(back.LoadBankFromFXB(&path));
  EXPECT_STREQ(back.GetPresetName(0), "A");
  EXPECT_STREQ(back.GetPresetName(1), "B");
  EXPECT_STREQ(back.GetPresetName(2), "empty");  // an empty slot travels under its own name
  for (int p = 0; p < 2; ++p) EXPECT_TRUE(back.GetPreset(p)->mChunk.IsEqual(&plug.GetPreset(p)->mChunk)) << p;
  EXPECT_EQ(back.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(back.GetParam(0)->GetValue(), -9.0);
  EXPECT_EQ(back.GetParam(2)->GetValue(), -20.0);
}

TEST_F(Files, BankChunkFormLayoutAndRoundTrip)
{
  TestPlug plug(Opts(true, 2));
  SetValues(plug, 4.5, 0.0, -22.0);
  plug.MakeDefaultPreset("one", 1);
  ASSERT_TRUE(plug.SaveBankAsFXB(&path));
  const std::vector<unsigned char> b = ReadFileBytes(path.Get());
  ByteChunk presets;
  plug.SerializePresets(&presets);
  ASSERT_EQ(b.size(), 160u + 8u + (size_t)presets.Size());
  EXPECT_EQ(TextAt(b, 0, 4), "CcnK");
  EXPECT_EQ(BE32At(b, 4), 152u + 8u + (uint32_t)presets.Size());
  EXPECT_EQ(TextAt(b, 8, 4), "FBCh");
  EXPECT_EQ(BE32At(b, 12), 2u);
  EXPECT_EQ(BE32At(b, 16), kID);
  EXPECT_EQ(BE32At(b, 24), 2u);
  EXPECT_EQ(BE32At(b, 28), 0u);
  for (int i = 32; i < 156; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(BE32At(b, 156), 8u + (uint32_t)presets.Size());
  EXPECT_EQ(TextAt(b, 160, 4), "tffp");
  EXPECT_EQ(memcmp(&b[168], presets.GetBytes(), presets.Size()), 0);

  TestPlug back(Opts(true, 2));
  ASSERT_TRUE(back.LoadBankFromFXB(&path));
  EXPECT_STREQ(back.GetPresetName(0), "one");
  EXPECT_FALSE(back.GetPreset(1)->mInitialized);
  EXPECT_EQ(back.GetParam(0)->GetValue(), 4.5);
  EXPECT_EQ(back.GetParam(2)->GetValue(), -22.0);
}

TEST_F(Files, BrokenFilesAreRejectedWithoutChanges)
{
  for (bool chunks : {false, true})
  {
    TestPlug plug(Opts(chunks, 2));
    plug.MakeDefaultPreset("keep", 2);
    SetValues(plug, 3.0, 0.0, -25.0);
    ASSERT_TRUE(plug.SaveProgramAsFXP(&path));
    const std::vector<unsigned char> program = ReadFileBytes(path.Get());
    ASSERT_TRUE(plug.SaveBankAsFXB(&path));
    const std::vector<unsigned char> bank = ReadFileBytes(path.Get());

    TestPlug target(Opts(chunks, 2));
    target.MakeDefaultPreset("mine", 2);
    ExpectBrokenFilesRejected(target, program, false);
    ExpectBrokenFilesRejected(target, bank, true);

    // Counts that do not fit the file.
    std::vector<unsigned char> b = program;
    if (chunks)
      SetBE32At(b, 56, 0x7fffffff);
    else
      SetBE32At(b, 24, 0x40000000);
    ExpectRejected(target, b, false, "program count");
    b = bank;
    if (chunks)
      SetBE32At(b, 156, (uint32_t)(b.size() - 159));
    else
      SetBE32At(b, 24, 3);
    ExpectRejected(target, b, true, "bank count");
    if (!chunks)
    {
      b = bank;
      SetBE32At(b, 28, 2);  // current program beyond the bank
      ExpectRejected(target, b, true, "current program");
      b = bank;
      SetBE32At(b, 156 + 68 + 16, kID + 1);  // second program of another plug-in
      ExpectRejected(target, b, true, "inner ID");
    }
    else
    {
      // A bank chunk whose presets are cut short inside a state.
      b = bank;
      SetBE32At(b, 156, BE32At(b, 156) - 4);
      b.resize(b.size() - 4);
      ExpectRejected(target, b, true, "short presets chunk");
    }

    // Wrong kind of file for each loader.
    ExpectRejected(target, bank, false, "bank as program");
    ExpectRejected(target, program, true, "program as bank");
  }

  TestPlug plug;
  Core_String empty("");
  EXPECT_FALSE(plug.LoadProgramFromFXP(&empty));
  EXPECT_FALSE(plug.LoadBankFromFXB(nullptr));
  EXPECT_FALSE(plug.SaveProgramAsFXP(&empty));
  EXPECT_FALSE(plug.SaveBankAsFXB(nullptr));
  Core_String missing("/nonexistent-dir/none.fxp");
  EXPECT_FALSE(plug.LoadProgramFromFXP(&missing));
  EXPECT_FALSE(plug.SaveProgramAsFXP(&missing));
}

namespace
{
// Limits the size of files this process writes while in scope; a write past it fails
// (with the signal it would raise ignored), as on a full disk.
class FileSizeLimit
{
public:
  explicit FileSizeLimit(rlim_t bytes)
  {
    getrlimit(RLIMIT_FSIZE, &mOld);
    mOldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = mOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit()
  {
    setrlimit(RLIMIT_FSIZE, &mOld);
    signal(SIGXFSZ, mOldHandler);
  }

private:
  rlimit mOld;
  void (*mOldHandler)(int);
};

// Names in the folder of path that start with its file name (temporary files included).
std::vector<std::string> Siblings(const std::string& path)
{
  const size_t slash = path.rfind('/');
  const std::string dir = path.substr(0, slash), name = path.substr(slash + 1);
  std::vector<std::string> found;
  if (DIR* d = opendir(dir.c_str()))
  {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name).compare(0, name.size(), name) == 0) found.push_back(e->d_name);
    closedir(d);
  }
  return found;
}
}  // namespace

TEST_F(Files, AFailedSaveLeavesTheOldFileWhole)
{
  for (bool chunks : {false, true})
  {
    for (int kind = 0; kind < 2; ++kind)
    {
      SCOPED_TRACE(std::string(chunks ? "chunks " : "params ") + (kind == 0 ? "program" : "bank"));
      TestPlug plug(Opts(chunks));
      auto save = [&] { return kind == 0 ? plug.SaveProgramAsFXP(&path) : plug.SaveBankAsFXB(&path); };
      ASSERT_TRUE(save());
      const std::vector<unsigned char> good = ReadFileBytes(path.Get());
      ASSERT_GT(good.size(), 60u);
      chmod(path.Get(), 0640);

      // The disk fills up half way through the next save.
      SetValues(plug, 3.0, 0.0, -22.0);
      plug.ModifyCurrentPreset();
      {
        FileSizeLimit limit(40);
        EXPECT_FALSE(save());
      }
      EXPECT_EQ(ReadFileBytes(path.Get()), good);
      const std::string name = std::string(path.Get()).substr(std::string(path.Get()).rfind('/') + 1);
      EXPECT_EQ(Siblings(path.Get()), std::vector<std::string>{name});  // no temporary file left

      // A save that succeeds replaces the file and keeps its permissions.
      ASSERT_TRUE(save());
      EXPECT_NE(ReadFileBytes(path.Get()), good);
      struct stat st;
      ASSERT_EQ(stat(path.Get(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0640u);
      EXPECT_EQ(Siblings(path.Get()), std::vector<std::string>{name});
      TestPlug other(Opts(chunks));
      EXPECT_TRUE(kind == 0 ? other.LoadProgramFromFXP(&path) : other.LoadBankFromFXB(&path));
      remove(path.Get());
    }
  }
  // A folder is not replaced by a file.
  const std::string file = path.Get();
  Core_String folder(file.substr(0, file.rfind('/')).c_str());
  TestPlug plug(Opts(false));
  EXPECT_FALSE(plug.SaveProgramAsFXP(&folder));
}
