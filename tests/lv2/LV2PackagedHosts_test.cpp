// The packaged LV2 hosts render Tesk.lv2 as the liblilv test host does, bit for bit:
// lv2file in blocks of 512 frames, lv2apply frame by frame.

#include "LV2TestUtil.h"

#include "AudioFile.h"
#include "effect/support/BundleHost.h"

#include <gtest/gtest.h>

using namespace tesk_lv2;

TEST(LV2PackagedHosts, RenderTheTestHostsBits)
{
  const std::vector<std::pair<const char*, double>> setting = {
      {"OVER", 1}, {"DRIVE", -30}, {"HGAINL", 7.5}, {"MS", 0}, {"LINK", 1}, {"LGAINR", -6}, {"LFREQR", 2}};
  TempDir dir;
  auto path = LV2PathWithTheBuild();
  tesk_test::Planar in = tesk_test::TestSignal(2, 6000, 48000.0, 0.4);
  Planar32 in32;
  for (auto& channel : in)
  {
    for (double& s : channel) s = static_cast<double>(static_cast<float>(s));
    in32.emplace_back(channel.begin(), channel.end());
  }
  AudioData a;
  a.channels = in;
  std::string error;
  ASSERT_TRUE(WriteAudioFile(dir.File("in.wav"), a, "f32", error)) << error;

  const struct
  {
    const char* name;
    int block;
    std::string command;
  } hosts[] = {
      {"lv2file", 512,
       "lv2file --ignore-clipping -b 512 -i " + Quote(dir.File("in.wav")) + " -o " + Quote(dir.File("lv2file.wav"))},
      {"lv2apply", 1, "lv2apply -i " + Quote(dir.File("in.wav")) + " -o " + Quote(dir.File("lv2apply.wav"))},
  };
  for (const auto& h : hosts)
  {
    SCOPED_TRACE(h.name);
    std::string command = "LV2_PATH=" + Quote(path->Path()) + " " + h.command;
    for (const auto& s : setting)
      command += std::string(h.block == 512 ? " -p " : " -c ") + s.first + (h.block == 512 ? ":" : " ") +
                 std::to_string(s.second);
    command += std::string(" ") + kTeskURI;
    std::string log;
    ASSERT_EQ(RunCommand(command, &log), 0) << command << "\n" << log;

    auto host = OpenTeskLV2();
    ASSERT_TRUE(host);
    for (const auto& s : setting) host->Control(s.first) = static_cast<float>(s.second);
    const Planar32 expected = host->Render(in32, h.block);

    AudioData out;
    ASSERT_TRUE(ReadAudioFile(dir.File(std::string(h.name) + ".wav"), out, error)) << error;
    ASSERT_EQ(out.Channels(), 2);
    ASSERT_EQ(out.Frames(), static_cast<long>(expected[0].size()));
    long mismatches = 0;
    for (int c = 0; c < 2; ++c)
      for (size_t i = 0; i < expected[c].size(); ++i)
        if (out.channels[c][i] != static_cast<double>(expected[c][i])) ++mismatches;
    EXPECT_EQ(mismatches, 0);
  }
}
