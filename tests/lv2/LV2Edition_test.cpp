// The built Tesk.lv2 through a liblilv host, against the built Tesk.vst3 through
// tesk-render: the same sound bit for bit and the same state stream; and the DSP
// library's own rules for control ports, state and block lengths.

#include "LV2TestUtil.h"

#include "AudioFile.h"
#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"

#include <gtest/gtest.h>

#include <lv2/atom/atom.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>

using namespace tesk_lv2;

namespace {

struct Setting
{
  const char* symbol;
  double value;
};

struct Case
{
  const char* name;
  std::vector<Setting> settings;
  bool bypass;  // the host's bypass: VST 3 "Bypass" on, LV2 "enabled" 0
};

// Settings exact in 32-bit float (the LV2 ports' type) and in the VST 3 edition's
// normalised values.
const Case kCases[] = {
    {"defaults", {}, false},
    {"oversampled drive, linked",
     {{"OVER", 1}, {"DRIVE", -30}, {"HGAINL", 7.5}, {"HFREQL", 1}, {"MGAIN2L", -1.5}, {"MFREQ2L", 2},
      {"LGAINL", 2.5}, {"LFREQL", 1}, {"LCUTL", 0}, {"LGAINR", -6}},
     false},
    {"mid/side, independent",
     {{"MS", 0}, {"LINK", 1}, {"HGAINR", -6}, {"OUTL", 3.5}, {"MGAIN3R", 4.25}, {"MFREQ3R", 2}, {"HFREQL", 2},
      {"MGAIN1L", -9}, {"OUTR", -12}, {"MFREQ4R", 1}, {"LCUTR", 0}},
     false},
    {"host bypass, oversampled", {{"OVER", 1}, {"HGAINL", 9}, {"MS", 0}}, true},
};

constexpr long kFrames = 2 * 8192 + 333;  // every block size ends in a partial block

tesk_test::Planar FloatSignal()
{
  tesk_test::Planar in = tesk_test::TestSignal(2, kFrames);
  for (auto& channel : in)
    for (double& s : channel) s = static_cast<double>(static_cast<float>(s));
  return in;
}

Planar32 ToFloat(const tesk_test::Planar& in)
{
  Planar32 out;
  for (const auto& channel : in) out.emplace_back(channel.begin(), channel.end());
  return out;
}

void Apply(LilvHost& host, const Case& c)
{
  for (const Setting& s : c.settings) host.Control(s.symbol) = static_cast<float>(s.value);
  host.Control("enabled") = c.bypass ? 0.0f : 1.0f;
}

// Frames whose samples differ in any bit; the first one in `first`.
long Mismatches(const Planar32& lv2, const tesk_test::Planar& vst3, long* first)
{
  long n = 0;
  *first = -1;
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i < lv2[c].size() && i < vst3[c].size(); ++i)
    {
      const float v = static_cast<float>(vst3[c][i]);
      if (std::memcmp(&lv2[c][i], &v, sizeof v) != 0 || static_cast<double>(v) != vst3[c][i])
      {
        if (*first < 0) *first = static_cast<long>(i);
        ++n;
      }
    }
  return n;
}

std::vector<uint8_t> LV2State(LilvHost& host)
{
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(host.SaveState(bytes));
  return bytes;
}

double StoredValue(LilvHost& host, int param)
{
  const StateValues v = ReadStateValues(LV2State(host), tesk_test::kNumParams);
  return v.params.empty() ? std::numeric_limits<double>::quiet_NaN() : v.params[static_cast<size_t>(param)];
}

void RunSilence(LilvHost& host, uint32_t frames)
{
  std::vector<float> in(frames), out(2 * frames);
  host.Run(in.data(), in.data(), out.data(), out.data() + frames, frames);
}

}  // namespace

TEST(LV2Edition, RendersTheVST3EditionsBitsAndSavesItsState)
{
  TempDir dir;
  const tesk_test::Planar in = FloatSignal();
  {
    AudioData a;
    a.channels = in;
    std::string error;
    ASSERT_TRUE(WriteAudioFile(dir.File("in.wav"), a, "f32", error)) << error;
  }
  for (const Case& c : kCases)
  {
    for (int block : {1, 37, 512, 8192})
    {
      SCOPED_TRACE(std::string(c.name) + ", block " + std::to_string(block));
      std::string args = " --precision 32 --block " + std::to_string(block);
      for (const Setting& s : c.settings) args += " --set " + std::string(s.symbol) + "=" + std::to_string(s.value);
      if (c.bypass) args += " --bypass";
      std::string log;
      ASSERT_EQ(RunCommand(Quote(TESK_RENDER_PATH) + " --plugin " + Quote(TESK_BUNDLE_PATH) + args +
                               " --save-state " + Quote(dir.File("vst3.state")) + " " + Quote(dir.File("in.wav")) +
                               " " + Quote(dir.File("vst3.wav")),
                           &log),
                0)
          << log;
      AudioData vst3;
      std::string error;
      ASSERT_TRUE(ReadAudioFile(dir.File("vst3.wav"), vst3, error)) << error;

      LilvHost::Features features;
      features.maxBlock = block;
      auto host = OpenTeskLV2(features);
      ASSERT_TRUE(host);
      Apply(*host, c);
      const Planar32 lv2 = host->Render(ToFloat(in), block);
      long first = 0;
      EXPECT_EQ(Mismatches(lv2, vst3.channels, &first), 0) << "first differing frame " << first;
      EXPECT_EQ(LV2State(*host), ReadFileBytes(dir.File("vst3.state")));
    }
  }
}

TEST(LV2Edition, LatencyPortFollowsOversampling)
{
  auto host = OpenTeskLV2();
  ASSERT_TRUE(host);
  // Written by every run, also one of no frames (hosts ask that way).
  host->Control("latency") = -1.0f;
  RunSilence(*host, 0);
  EXPECT_EQ(host->Control("latency"), 3.0f);
  host->Control("OVER") = 1.0f;
  RunSilence(*host, 16);
  EXPECT_EQ(host->Control("latency"), 10.0f);
  host->Control("OVER") = 0.0f;
  RunSilence(*host, 16);
  EXPECT_EQ(host->Control("latency"), 3.0f);
}

TEST(LV2Edition, ControlPortsAreLimitedRoundedAndNaNIgnored)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct
  {
    const char* symbol;
    int param;
    float before, written;
    double expected;
  } cases[] = {
      {"LFREQL", tesk_test::LFREQL, 0, 1.4f, 1.0},     // rounded to the nearest value
      {"LFREQL", tesk_test::LFREQL, 0, 1.5f, 2.0},     // halves upward
      {"LFREQL", tesk_test::LFREQL, 0, 7.0f, 2.0},     // limited to the last value
      {"LFREQL", tesk_test::LFREQL, 2, -3.0f, 0.0},    // and to the first
      {"LINK", tesk_test::LINK, 1, 0.49f, 0.0},
      {"OVER", tesk_test::OVER, 0, 0.6f, 1.0},
      {"HGAINL", tesk_test::HGAINL, 0, 25.0f, 18.0},   // continuous: limited, not stepped
      {"HGAINL", tesk_test::HGAINL, 0, -inf, -18.0},
      {"HGAINL", tesk_test::HGAINL, 0, 2.37f, static_cast<double>(2.37f)},
      {"HGAINL", tesk_test::HGAINL, 1, nan, 1.0},      // ignored: the value stays
      {"LFREQL", tesk_test::LFREQL, 1, nan, 1.0},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(std::string(c.symbol) + " <- " + std::to_string(c.written));
    auto host = OpenTeskLV2();
    ASSERT_TRUE(host);
    host->Control("LINK") = 1.0f;
    host->Control(c.symbol) = c.before;
    RunSilence(*host, 8);
    host->Control(c.symbol) = c.written;
    RunSilence(*host, 8);
    EXPECT_EQ(StoredValue(*host, c.param), c.expected);
  }

  // The host's bypass: below one half is bypassed; NaN changes nothing.
  auto host = OpenTeskLV2();
  ASSERT_TRUE(host);
  for (const auto& step : {std::pair<float, int32_t>{0.3f, 1}, {nan, 1}, {0.5f, 0}, {nan, 0}, {0.0f, 1}})
  {
    host->Control("enabled") = step.first;
    RunSilence(*host, 8);
    EXPECT_EQ(ReadStateValues(LV2State(*host), tesk_test::kNumParams).bypass, step.second) << step.first;
  }
}

TEST(LV2Edition, RestoreGivesTheSameValuesInEitherOrder)
{
  // A session: linked, with a second-channel port the link overrides and a value a float
  // port cannot carry exactly (restored from a VST 3 stream, for instance).
  auto saved = OpenTeskLV2();
  ASSERT_TRUE(saved);
  Apply(*saved, kCases[1]);
  saved->Control("HGAINR") = 3.0f;
  RunSilence(*saved, 64);
  saved->Control("enabled") = 0.0f;
  RunSilence(*saved, 64);
  std::vector<uint8_t> chunk = LV2State(*saved);
  ASSERT_EQ(chunk.size(), 268u);
  const double exactTenth = 0.1;
  for (int param : {tesk_test::MGAIN4L, tesk_test::MGAIN4R})  // linked: both hold it
    std::memcpy(chunk.data() + sizeof(double) * param, &exactTenth, sizeof exactTenth);
  std::vector<float> ports;
  for (int i = 0; i < saved->PortCount(); ++i) ports.push_back(saved->ControlAt(i));
  ports[static_cast<size_t>(saved->PortIndex("MGAIN4L"))] = static_cast<float>(exactTenth);

  for (bool restoreFirst : {true, false})
  {
    SCOPED_TRACE(restoreFirst ? "restore, then ports" : "ports, then restore");
    auto host = OpenTeskLV2();
    ASSERT_TRUE(host);
    host->Control("HGAINL") = -4.0f;
    host->Control("LINK") = 1.0f;
    host->Control("OVER") = 1.0f;
    RunSilence(*host, 64);

    if (restoreFirst)
    {
      EXPECT_EQ(host->RestoreState(chunk), LV2_STATE_SUCCESS);
    }
    for (int i = 0; i < host->PortCount(); ++i)
      if (host->PortIndex("latency") != i) host->ControlAt(i) = ports[static_cast<size_t>(i)];
    if (!restoreFirst)
    {
      EXPECT_EQ(host->RestoreState(chunk), LV2_STATE_SUCCESS);
    }
    RunSilence(*host, 64);
    EXPECT_EQ(LV2State(*host), chunk);
    EXPECT_EQ(host->Control("latency"), 10.0f);
  }
}

TEST(LV2Edition, StateRefusesWhatItCannotRead)
{
  auto host = OpenTeskLV2();
  ASSERT_TRUE(host);
  host->Control("HGAINL") = 5.0f;
  host->Control("enabled") = 0.0f;
  RunSilence(*host, 8);
  const std::vector<uint8_t> before = LV2State(*host);
  std::vector<uint8_t> other = before;
  const double six = 6.0;
  std::memcpy(other.data(), &six, sizeof six);

  EXPECT_EQ(host->RestoreState(other, host->Map().Map(LV2_ATOM__String)), LV2_STATE_ERR_BAD_TYPE);
  EXPECT_NE(host->RestoreState(std::vector<uint8_t>(other.begin(), other.begin() + 100)), LV2_STATE_SUCCESS);
  EXPECT_EQ(LV2State(*host), before);

  // The values alone: restored, the bypass kept.
  EXPECT_EQ(host->RestoreState(std::vector<uint8_t>(other.begin(), other.begin() + 264)), LV2_STATE_SUCCESS);
  const StateValues v = ReadStateValues(LV2State(*host), tesk_test::kNumParams);
  EXPECT_EQ(v.params[tesk_test::HGAINL], 6.0);
  EXPECT_EQ(v.bypass, 1);
}

TEST(LV2Edition, WorksWithoutFeaturesInPlaceAndAtAnyBlockLength)
{
  const Planar32 in = ToFloat(FloatSignal());
  auto reference = OpenTeskLV2();
  ASSERT_TRUE(reference);
  Apply(*reference, kCases[1]);
  const Planar32 expected = reference->Render(in, 512);

  // No urid:map and no options: the sound is the same, the state answers an error.
  LilvHost::Features none;
  none.map = false;
  none.options = false;
  auto bare = OpenTeskLV2(none);
  ASSERT_TRUE(bare);
  Apply(*bare, kCases[1]);
  EXPECT_EQ(bare->Render(in, 700), expected);
  std::vector<uint8_t> bytes;
  LV2_State_Status status = LV2_STATE_SUCCESS;
  EXPECT_FALSE(bare->SaveState(bytes, &status));
  EXPECT_EQ(status, LV2_STATE_ERR_NO_FEATURE);
  EXPECT_EQ(bare->RestoreState(LV2State(*reference)), LV2_STATE_ERR_NO_FEATURE);

  // Blocks far longer than the announced maximum, outputs over the inputs.
  LilvHost::Features small;
  small.maxBlock = 64;
  auto host = OpenTeskLV2(small);
  ASSERT_TRUE(host);
  Apply(*host, kCases[1]);
  Planar32 work = in;
  const size_t frames = work[0].size();
  for (size_t pos = 0; pos < frames; pos += 1000)
  {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(1000, frames - pos));
    host->Run(work[0].data() + pos, work[1].data() + pos, work[0].data() + pos, work[1].data() + pos, n);
  }
  EXPECT_EQ(work, expected);
}

TEST(LV2Edition, FactoryPresetsRecallWhatTheVST3PresetsRecall)
{
  // The VST 3 edition's program list, exported as preset files and restored one by one.
  TempDir dir;
  std::string listing;
  ASSERT_EQ(RunCommand(Quote(TESK_RENDER_PATH) + " --plugin " + Quote(TESK_BUNDLE_PATH) + " --export-presets " +
                           Quote(dir.Path()),
                       &listing, false),
            0);
  std::map<std::string, std::vector<uint8_t>> vst3;  // by file stem
  std::istringstream files(listing);
  for (std::string file; std::getline(files, file);)
  {
    std::string log;
    ASSERT_EQ(RunCommand(Quote(TESK_RENDER_PATH) + " --plugin " + Quote(TESK_BUNDLE_PATH) + " --preset " + Quote(file) +
                             " --save-state " + Quote(dir.File("preset.state")),
                         &log),
              0)
        << log;
    const size_t slash = file.rfind('/'), dot = file.rfind(".vstpreset");
    vst3[file.substr(slash + 1, dot - slash - 1)] = ReadFileBytes(dir.File("preset.state"));
  }
  ASSERT_GE(vst3.size(), 10u);

  auto host = OpenTeskLV2();
  ASSERT_TRUE(host);
  const std::vector<LilvHost::PresetInfo> presets = host->Presets();
  EXPECT_EQ(presets.size(), vst3.size());
  for (const LilvHost::PresetInfo& preset : presets)
  {
    SCOPED_TRACE(preset.label);
    // Loaded over a different setting: a preset sets every parameter.
    host->Control("HGAINL") = -7.0f;
    host->Control("LINK") = 1.0f;
    RunSilence(*host, 8);
    ASSERT_TRUE(host->ApplyPreset(preset.uri));
    RunSilence(*host, 8);
    std::string stem = preset.label;
    for (char& c : stem)
      if (c == '/') c = '-';
    ASSERT_EQ(vst3.count(stem), 1u);
    EXPECT_EQ(LV2State(*host), vst3[stem]);
  }
}
