// Tesk's factory presets through both ways a host gets them (the program list and the
// .vstpreset files tesk-render exports), preset files saved and loaded by tesk-render,
// and damaged preset files.

#include "effect/support/RenderTool.h"
#include "effect/support/TeskParams.h"

#include "ByteStream.h"
#include "VstPresetFile.h"
#include "effect/TeskPresetData.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>

using namespace tesk_test;
using Steinberg::Vst::ParameterInfo;

namespace {

using TeskRenderPresets = RenderToolTest;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
  const std::string s = ReadText(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& b)
{
  WriteText(path, std::string(b.begin(), b.end()));
}

// Every effect parameter's normalised value after one processed block of silence.
std::vector<double> ValuesAfterABlock(VstHost& host)
{
  Render(host, Planar(2, std::vector<double>(64, 0.0)), 64);
  std::vector<double> v;
  for (unsigned p = 0; p < kNumParams; ++p)
    v.push_back(host.CurrentNormalized(p));
  return v;
}

} // namespace

TEST_F(TeskRenderPresets, EveryFactoryPresetLoadsIdenticallyThroughBothWays)
{
  ASSERT_EQ(mkdir(Path("presets").c_str(), 0755), 0);
  RunResult r = Run("--export-presets " + Q("presets"));
  ASSERT_EQ(r.status, 0) << r.err;

  auto probe = OpenTesk();
  ASSERT_TRUE(probe);
  const std::vector<std::string> names = probe->ProgramNames();
  const std::vector<TeskPresetSpec>& specs = TeskPresetData::Factory();
  ASSERT_GE(specs.size(), 8u);
  ASSERT_EQ(names.size(), specs.size() + 1);
  EXPECT_EQ(names[0], "-");
  ParameterInfo program{};
  ASSERT_TRUE(probe->ParamInfoById(kProgramId, program));
  ASSERT_GT(program.stepCount, 0);

  for (size_t i = 1; i < names.size(); ++i) {
    const TeskPresetSpec& spec = specs[i - 1];
    SCOPED_TRACE(spec.name);
    EXPECT_EQ(names[i], spec.name);
    EXPECT_FALSE(spec.about.empty());

    // As a host selects a program: the program-change parameter.
    auto byProgram = OpenTesk();
    ASSERT_TRUE(byProgram);
    byProgram->QueueChange(kProgramId, static_cast<double>(i) / program.stepCount);
    const std::vector<double> programValues = ValuesAfterABlock(*byProgram);

    // As a host loads the exported file: component and controller state.
    std::string fileName = spec.name;
    for (char& c : fileName)
      c = c == '/' ? '-' : c;
    VstPresetContents contents;
    std::string error;
    ASSERT_TRUE(ReadVstPreset(ReadBytes(Path("presets/" + fileName + ".vstpreset")), contents, error)) << error;
    EXPECT_EQ(contents.classId, PresetClassIdText(probe->ClassId()));
    EXPECT_NE(contents.metaInfo.find("value=\"" + spec.name + "\""), std::string::npos);
    EXPECT_NE(contents.metaInfo.find(spec.about.substr(0, 20)), std::string::npos);
    auto byFile = OpenTesk();
    ASSERT_TRUE(byFile);
    ASSERT_TRUE(byFile->SetStateParts(contents.component, contents.controller, error)) << error;
    EXPECT_EQ(ValuesAfterABlock(*byFile), programValues);

    // Both hold what the data file says: its settings, every other parameter's default,
    // and nothing the channel link had to change.
    for (unsigned p = 0; p < kNumParams; ++p) {
      double expected = kParamSpecs[p].def;
      for (const TeskPresetSetting& s : spec.settings)
        if (s.code == kParamSpecs[p].name)
          expected = s.value;
      EXPECT_DOUBLE_EQ(byProgram->NormalizedToPlain(p, programValues[p]), expected) << kParamSpecs[p].name;
    }
  }
  // Only the factory presets were written; "-" is every host's fresh instance.
  int files = 0;
  DIR* d = opendir(Path("presets").c_str());
  ASSERT_TRUE(d);
  while (dirent* e = readdir(d))
    files += std::strstr(e->d_name, ".vstpreset") != nullptr;
  closedir(d);
  EXPECT_EQ(files, static_cast<int>(specs.size()));
}

TEST_F(TeskRenderPresets, SaveThenLoadIsByteIdentical)
{
  ASSERT_EQ(mkdir(Path("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("b").c_str(), 0755), 0);
  RunResult r = Run("--set DRIVE=-22 --set MS=0 --set LINK=1 --set HGAINR=-3.25 --bypass --save-preset " +
                    Q("a/p.vstpreset"));
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("--preset " + Q("a/p.vstpreset") + "--save-preset " + Q("b/p.vstpreset") + "--save-state " + Q("b.state"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> saved = ReadBytes(Path("a/p.vstpreset"));
  EXPECT_EQ(ReadBytes(Path("b/p.vstpreset")), saved);

  // The file holds the state twice (component and controller), as the plug-in gives it.
  VstPresetContents c;
  std::string error;
  ASSERT_TRUE(ReadVstPreset(saved, c, error)) << error;
  EXPECT_EQ(c.component, ReadBytes(Path("b.state")));
  EXPECT_EQ(c.controller, ReadBytes(Path("b.state")));

  // Rendering with the preset is rendering with the settings.
  WriteInput("in.wav", TestSignal(2, 3000));
  r = Run("--preset " + Q("a/p.vstpreset") + Q("in.wav") + Q("by-preset.wav"));
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("--set DRIVE=-22 --set MS=0 --set LINK=1 --set HGAINR=-3.25 --bypass " + Q("in.wav") + Q("by-set.wav"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadOutput("by-preset.wav"), ReadOutput("by-set.wav"));
}

TEST_F(TeskRenderPresets, DamagedAndForeignPresetFilesAreRejected)
{
  RunResult r = Run("--set HGAINL=2 --save-preset " + Q("good.vstpreset"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> good = ReadBytes(Path("good.vstpreset"));
  ASSERT_GT(good.size(), 48u);
  int64_t listOffset = 0;
  std::memcpy(&listOffset, good.data() + 40, 8);
  const size_t firstEntry = static_cast<size_t>(listOffset) + 8; // 'Comp': id, offset, size
  auto patched = [&](size_t at, int64_t value) {
    std::vector<uint8_t> b = good;
    std::memcpy(b.data() + at, &value, 8);
    return b;
  };
  std::vector<uint8_t> foreign = good;
  foreign[8] = foreign[8] == 'A' ? 'B' : 'A'; // another class ID

  struct Case
  {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"foreign", foreign, "a preset of another plug-in"},
      {"short-header", std::vector<uint8_t>(good.begin(), good.begin() + 30), "truncated header"},
      {"short-list", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(firstEntry) + 6),
       "truncated chunk list"},
      {"list-past-end", patched(40, static_cast<int64_t>(good.size()) + 10), "the chunk list lies past the end"},
      {"chunk-past-end", patched(firstEntry + 4, listOffset - 4), "chunk 'Comp' lies past the end"},
      {"chunk-too-long", patched(firstEntry + 12, 1 << 20), "chunk 'Comp' lies past the end"},
      {"zero-length", patched(firstEntry + 12, 0), "zero-length 'Comp' chunk"},
      {"not-a-preset", std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0}, "not a VST 3 preset file"},
      {"empty", {}, "not a VST 3 preset file"},
  };
  WriteInput("in.wav", TestSignal(2, 500));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = std::string(c.name) + ".vstpreset";
    WriteBytes(Path(file), c.bytes);
    r = Run("--preset " + Q(file) + Q("in.wav") + Q("out.wav"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(file + ": " + c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    EXPECT_FALSE(std::ifstream(Path("out.wav")).good());
  }
  // The class ID in lower case is the same plug-in.
  std::vector<uint8_t> lower = good;
  for (size_t i = 8; i < 40; ++i)
    lower[i] = static_cast<uint8_t>(std::tolower(lower[i]));
  WriteBytes(Path("lower.vstpreset"), lower);
  r = Run("--preset " + Q("lower.vstpreset") + Q("in.wav") + Q("out.wav"));
  EXPECT_EQ(r.status, 0) << r.err;

  r = Run("--preset " + Q("missing.vstpreset") + Q("in.wav") + Q("out2.wav"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot read preset file"), std::string::npos) << r.err;
}
