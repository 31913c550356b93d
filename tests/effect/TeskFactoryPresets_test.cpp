// The factory presets' text format and the presets Tesk builds from it.

#include "effect/Tesk.h"
#include "effect/TeskFactoryPresets.h"
#include "effect/TeskPresetData.h"
#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TeskPresetData, ParsesPresetsInOrder)
{
  const char* text = "# comment\n"
                     "[First]\n"
                     "about = what it is for  # trailing comment\n"
                     "HGAINL = 2.5\r\n"
                     "  MS=0\n"
                     "\n"
                     "[ Second ]\n"
                     "DRIVE = -30";
  std::vector<TeskPresetSpec> specs;
  std::string error;
  ASSERT_TRUE(TeskPresetData::Parse(text, specs, error)) << error;
  ASSERT_EQ(specs.size(), 2u);
  EXPECT_EQ(specs[0].name, "First");
  EXPECT_EQ(specs[0].about, "what it is for");
  ASSERT_EQ(specs[0].settings.size(), 2u);
  EXPECT_EQ(specs[0].settings[0].code, "HGAINL");
  EXPECT_EQ(specs[0].settings[0].value, 2.5);
  EXPECT_EQ(specs[0].settings[1].code, "MS");
  EXPECT_EQ(specs[0].settings[1].value, 0.0);
  EXPECT_EQ(specs[1].name, "Second");
  EXPECT_EQ(specs[1].settings[0].value, -30.0);
}

TEST(TeskPresetData, RejectsMalformedTextWithTheLine)
{
  struct Case
  {
    const char* text;
    const char* error;
    size_t kept; // complete presets before the bad line
  } cases[] = {
      {"HGAINL = 1\n", "line 1: a setting before the first [Name]", 0},
      {"[A]\nHGAINL = 1\n[B\n", "line 3: a preset name needs a closing ']'", 1},
      {"[A]\nHGAINL = 1\n[]\n", "line 3: bad preset name", 1},
      {"[A]\nHGAINL = 1\n[A]\nMS = 0\n", "line 3: preset \"A\" is defined twice", 1},
      {"[A]\n[B]\nMS = 0\n", "line 2: preset \"A\" sets no parameter", 0},
      {"[A]\nabout = x\n", "line 3: preset \"A\" sets no parameter", 0},
      {"[A]\nHGAINL 1\n", "line 2: expected [Name] or KEY = value", 0},
      {"[A]\nHGAIN L = 1\n", "line 2: bad parameter code \"HGAIN L\"", 0},
      {"[A]\nHGAINL = loud\n", "line 2: the value of HGAINL is not a number: \"loud\"", 0},
      {"[A]\nHGAINL = 1e999\n", "line 2: the value of HGAINL is not a number", 0},
      {"[A]\nHGAINL = nan\n", "line 2: the value of HGAINL is not a number", 0},
      {"[A]\nHGAINL =\n", "line 2: the value of HGAINL is not a number", 0},
      {"[A]\nHGAINL = 1\nHGAINL = 2\n", "line 3: HGAINL is set twice in \"A\"", 0},
      {"[A]\nMS = 0\n[0123456789012345678901234567890123456789012345678901234567890123]\n",
       "line 3: preset name longer than 63 characters", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<TeskPresetSpec> specs;
    std::string error;
    EXPECT_FALSE(TeskPresetData::Parse(c.text, specs, error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(specs.size(), c.kept);
  }
}

TEST(TeskFactoryPresets, EveryPresetIsValidAndStableOnTheEffect)
{
  const std::vector<TeskPresetSpec>& specs = TeskPresetData::Factory();
  ASSERT_GE(specs.size(), 8u); // the compiled data file parsed
  Tesk* t = static_cast<Tesk*>(MakePlug());
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->NPresets(), TeskFactoryPresets::Count());
  EXPECT_STREQ(t->GetPresetName(0), "-");
  double in[2][64] = {}, out[2][64];
  double* ins[2] = {in[0], in[1]};
  double* outs[2] = {out[0], out[1]};
  for (int i = 0; i < t->NPresets(); ++i) {
    SCOPED_TRACE(t->GetPresetName(i));
    ASSERT_TRUE(t->RestorePreset(i));
    std::vector<double> expected;
    for (int p = 0; p < t->NParams(); ++p)
      expected.push_back(t->GetParam(p)->GetDefault());
    if (i > 0) {
      const TeskPresetSpec& spec = specs[static_cast<size_t>(i - 1)];
      EXPECT_EQ(spec.name, t->GetPresetName(i));
      for (const TeskPresetSetting& s : spec.settings) {
        const int p = TeskFactoryPresets::FindParamByCode(s.code.c_str());
        ASSERT_GE(p, 0) << "unknown code " << s.code;
        EXPECT_GE(s.value, t->GetParam(p)->GetMin()) << s.code;
        EXPECT_LE(s.value, t->GetParam(p)->GetMax()) << s.code;
        expected[static_cast<size_t>(p)] = s.value;
      }
    }
    // The preset holds exactly its settings, and processing (which applies the channel
    // link) changes none of them: linked presets give both channels the same values.
    t->ProcessDoubleReplacing(ins, outs, 64);
    for (int p = 0; p < t->NParams(); ++p)
      EXPECT_EQ(t->GetParam(p)->GetValue(), expected[static_cast<size_t>(p)]) << t->GetParam(p)->GetNameForHost();
  }
  t->release();
}
