// Parts of tesk-render that need no plug-in: the progress bar and the preset file codec.

#include "Progress.h"
#include "VstPresetFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// What a Progress wrote to a temporary file.
std::string Written(std::FILE* f)
{
  std::fflush(f);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;)
    s += static_cast<char>(c);
  return s;
}

} // namespace

TEST(Progress, DrawsOnlyWhenEnabledAndAfterTheDelay)
{
  // Wall-clock seconds at each update, and the audio seconds done by then (of 60 s).
  struct Step
  {
    double now, done;
    bool drawsNow;
  };
  struct Case
  {
    const char* name;
    bool enabled;
    std::vector<Step> steps;
  } cases[] = {
      {"short work stays silent", true, {{0.2, 20.0, false}, {0.9, 60.0, false}}},
      {"disabled never draws", false, {{0.5, 10.0, false}, {3.0, 30.0, false}, {6.0, 60.0, false}}},
      {"long work draws after a second, ten times a second at most",
       true,
       {{0.5, 5.0, false}, {1.0, 10.0, true}, {1.05, 10.5, false}, {1.2, 12.0, true}, {5.9, 59.0, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    double now = 0.0;
    Progress p(f, c.enabled, 60.0, [&] { return now; });
    size_t before = 0;
    for (const Step& s : c.steps) {
      now = s.now;
      p.Update(s.done);
      const size_t size = Written(f).size();
      EXPECT_EQ(size > before, s.drawsNow) << "at " << s.now << " s";
      before = size;
    }
    p.Finish();
    const std::string all = Written(f);
    EXPECT_EQ(p.Drawn(), all.find('%') != std::string::npos);
    if (p.Drawn()) {
      // The last line drawn (10 s of audio per wall second: 59 of 60 s done) and the wipe.
      EXPECT_NE(all.find(Progress::Line(59.0 / 60.0, 59.0 / 5.9, 1.0 / 10.0)), std::string::npos) << all;
      EXPECT_EQ(all.back(), '\r');
    } else {
      EXPECT_EQ(all, "");
    }
    std::fclose(f);
  }
}

TEST(Progress, LineShowsPercentSpeedAndTimeLeft)
{
  EXPECT_EQ(Progress::Line(0.0, 0.0, 0.0), "[..............................]   0%  0.0x real time  0:00 left");
  EXPECT_EQ(Progress::Line(0.5, 150.26, 75.4), "[###############...............]  50%  150.3x real time  1:15 left");
  EXPECT_EQ(Progress::Line(1.5, 2.0, -3.0), "[##############################] 100%  2.0x real time  0:00 left");
}

TEST(VstPresetFile, WriteThenReadGivesTheParts)
{
  const Steinberg::TUID cid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const std::vector<uint8_t> component = {1, 2, 3, 4, 5}, controller = {9, 8, 7};
  const std::string meta = PresetMetaInfo("A & B", "Tesk", "Fx|EQ", "say \"hi\" <loud>");
  std::vector<uint8_t> file;
  std::string error;
  ASSERT_TRUE(WriteVstPreset(cid, component, controller, meta, file, error)) << error;
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "VST3");
  VstPresetContents c;
  ASSERT_TRUE(ReadVstPreset(file, c, error)) << error;
  EXPECT_EQ(c.classId, PresetClassIdText(cid));
  EXPECT_EQ(c.component, component);
  EXPECT_EQ(c.controller, controller);
  EXPECT_EQ(c.metaInfo, meta);
  EXPECT_NE(meta.find("value=\"A &amp; B\""), std::string::npos);
  EXPECT_NE(meta.find("say &quot;hi&quot; &lt;loud&gt;"), std::string::npos);

  // Without a controller part or meta information.
  ASSERT_TRUE(WriteVstPreset(cid, component, {}, "", file, error)) << error;
  ASSERT_TRUE(ReadVstPreset(file, c, error)) << error;
  EXPECT_EQ(c.component, component);
  EXPECT_TRUE(c.controller.empty());
  EXPECT_TRUE(c.metaInfo.empty());
  EXPECT_FALSE(WriteVstPreset(cid, {}, controller, "", file, error));
}
