// tesk-render on the built bundle: rendering, parameter settings, state files, errors.

#include "effect/support/BundleHost.h"
#include "effect/support/TeskParams.h"

#include "AudioFile.h"
#include "dsp/TeskChain.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_PNG.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

using namespace tesk_test;

namespace {

struct Result
{
  int status = -1;
  std::string out, err;
};

std::string ReadText(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class TeskRender : public testing::Test
{
protected:
  void SetUp() override
  {
    char tmpl[] = "/tmp/tesk-render-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override
  {
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
  }

  std::string Path(const std::string& name) const { return dir + "/" + name; }

  // Runs the tool with --plugin set to the built bundle unless `withPlugin` is false.
  Result Run(const std::string& args, bool withPlugin = true) const
  {
    std::string cmd = std::string("'") + TESK_RENDER_PATH + "' " +
                      (withPlugin ? std::string("--plugin '") + TESK_BUNDLE_PATH + "' " : std::string()) + args +
                      " >'" + Path("stdout") + "' 2>'" + Path("stderr") + "'";
    Result r;
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadText(Path("stdout"));
    r.err = ReadText(Path("stderr"));
    return r;
  }

  void WriteInput(const std::string& name, const Planar& audio, int format = SF_FORMAT_WAV | SF_FORMAT_DOUBLE)
  {
    AudioData a;
    a.sampleRate = 48000;
    a.format = format;
    a.channels = audio;
    std::string error;
    ASSERT_TRUE(WriteAudioFile(Path(name), a, "", error)) << error;
  }

  Planar ReadOutput(const std::string& name)
  {
    AudioData a;
    std::string error;
    EXPECT_TRUE(ReadAudioFile(Path(name), a, error)) << error;
    return a.channels;
  }

  std::string dir;
};

Planar Reference(const Planar& in, int over, double hgain)
{
  auto chain = std::make_unique<TeskChain>();
  chain->SetSampleRate(48000);
  chain->SetStoredValue(HGAINL, hgain);
  chain->SetStoredValue(HGAINR, hgain);
  Planar out(2, std::vector<double>(in[0].size()));
  for (size_t pos = 0; pos < in[0].size(); pos += 512) {
    int n = static_cast<int>(std::min<size_t>(512, in[0].size() - pos));
    chain->Process(in[0].data() + pos, in[1].data() + pos, out[0].data() + pos, out[1].data() + pos, n, 0, 1,
                   over);
  }
  return out;
}

} // namespace

TEST_F(TeskRender, RendersThroughTheSoundPathWithSettings)
{
  Planar in = TestSignal(2, 5000);
  WriteInput("in.wav", in);
  Result r = Run("'" + Path("in.wav") + "' '" + Path("out.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadOutput("out.wav"), Reference(in, 0, 0.0));

  r = Run("--set OVER=1 --set HGAINL=7.5 '" + Path("in.wav") + "' '" + Path("set.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadOutput("set.wav"), Reference(in, 1, 7.5));

  // The same by numeric id.
  r = Run("--set 32=1 --set 0=7.5 '" + Path("in.wav") + "' '" + Path("set2.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadOutput("set2.wav"), Reference(in, 1, 7.5));
}

TEST_F(TeskRender, BypassAndOutputFormats)
{
  Planar in = TestSignal(2, 3000, 48000, 0.3);
  WriteInput("in.wav", in);
  Result r = Run("--bypass --precision 32 --block 100 --format f32 '" + Path("in.wav") + "' '" + Path("by.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  Planar out = ReadOutput("by.wav");
  // The input, delayed by the plug-in's latency so that it lines up with processed sound.
  const size_t latency = 3;
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i < in[c].size(); ++i)
      ASSERT_EQ(out[c][i], i < latency ? 0.0 : static_cast<double>(static_cast<float>(in[c][i - latency])));

  r = Run("--format s16 '" + Path("in.wav") + "' '" + Path("s16.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  AudioData a;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(Path("s16.wav"), a, error));
  EXPECT_EQ(a.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
  EXPECT_EQ(a.Frames(), 3000);

  // Mono files run on the mono layout.
  WriteInput("mono.wav", Planar{in[0]});
  r = Run("'" + Path("mono.wav") + "' '" + Path("mono-out.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadOutput("mono-out.wav").size(), 1u);
}

TEST_F(TeskRender, StateFilesRoundTrip)
{
  Planar in = TestSignal(2, 2000);
  WriteInput("in.wav", in);
  Result r = Run("--set DRIVE=-22 --set MS=0 --save-state '" + Path("a.state") + "' '" + Path("in.wav") + "' '" +
                 Path("a.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string saved = ReadText(Path("a.state"));
  ASSERT_EQ(saved.size(), 268u);
  r = Run("--state '" + Path("a.state") + "' --save-state '" + Path("b.state") + "' '" + Path("in.wav") + "' '" +
          Path("b.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(Path("b.state")), saved);
  EXPECT_EQ(ReadOutput("b.wav"), ReadOutput("a.wav"));

  r = Run("--state '" + Path("a.state") + "' --list");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Drive"), std::string::npos);
  EXPECT_NE(r.out.find("-22.00"), std::string::npos) << r.out;
}

TEST_F(TeskRender, ListAndInfoNeedNoFiles)
{
  Result r = Run("--list");
  ASSERT_EQ(r.status, 0) << r.err;
  int lines = 0;
  for (char c : r.out)
    lines += c == '\n';
  EXPECT_EQ(lines, 1 + 34);
  EXPECT_NE(r.out.find("Bypass"), std::string::npos);
  EXPECT_NE(r.out.find("Oversampled Saturation"), std::string::npos);

  r = Run("--info");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("name: Tesk"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("subCategories: Fx|EQ"), std::string::npos);
  EXPECT_NE(r.out.find("vendor: Quillfen"), std::string::npos);
}

TEST_F(TeskRender, BenchPrintsOneLineAndWritesNothing)
{
  WriteInput("in.wav", TestSignal(2, 4800));
  Result r = Run("--bench 2 --set OVER=1 '" + Path("in.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" ns per frame, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("x real time"), std::string::npos);
}

TEST_F(TeskRender, DemoInputAndLevels)
{
  Result r = Run("--make-demo '" + Path("demo.wav") + "'", false);
  ASSERT_EQ(r.status, 0) << r.err;
  AudioData demo;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(Path("demo.wav"), demo, error)) << error;
  EXPECT_EQ(demo.Channels(), 2);
  EXPECT_EQ(demo.sampleRate, 48000);
  EXPECT_EQ(demo.Frames(), 6 * 48000);
  for (const auto& ch : demo.channels) {
    double peak = 0, rms = 0;
    ChannelLevels(ch, peak, rms);
    EXPECT_GT(peak, 0.25);  // well above silence, with headroom below full scale
    EXPECT_LT(peak, 0.9);
    EXPECT_GT(rms, 0.01);
  }
  r = Run("--levels '" + Path("demo.wav") + "'", false);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("channel 2: peak"), std::string::npos) << r.out;
}

TEST_F(TeskRender, ErrorsAreOneLineAndFail)
{
  WriteInput("in.wav", TestSignal(2, 100));
  auto expectError = [&](const std::string& args, const std::string& text, bool withPlugin = true) {
    Result r = Run(args, withPlugin);
    EXPECT_NE(r.status, 0) << args;
    EXPECT_NE(r.err.find(text), std::string::npos) << args << "\n" << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  };
  const std::string in = "'" + Path("in.wav") + "' ";
  expectError("'" + Path("missing.wav") + "' '" + Path("o.wav") + "'", "no such file");
  expectError(in + in, "same file as INPUT");
  std::ofstream(Path("junk.wav")) << "not audio";
  expectError("'" + Path("junk.wav") + "' '" + Path("o.wav") + "'", "cannot read audio file");
  expectError("--set NOPE=1 " + in + "'" + Path("o.wav") + "'", "unknown parameter: NOPE");
  expectError("--set HGAINL=loud " + in + "'" + Path("o.wav") + "'", "bad value");
  expectError("--state '" + Path("missing.state") + "' " + in + "'" + Path("o.wav") + "'", "cannot read state file");
  expectError("--plugin '" + dir + "' " + in + "'" + Path("o.wav") + "'", "not a VST 3 bundle", false);
  expectError("--plugin '" + Path("nothing.vst3") + "' " + in + "'" + Path("o.wav") + "'", "no such plug-in", false);
  std::ofstream(Path("fake.so")) << "not a module";
  expectError("--plugin '" + Path("fake.so") + "' --list", "not a VST 3 bundle", false);

  AudioData three;
  three.sampleRate = 48000;
  three.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  three.channels.assign(3, std::vector<double>(10, 0.0));
  std::string error;
  ASSERT_TRUE(WriteAudioFile(Path("three.wav"), three, "", error));
  expectError("'" + Path("three.wav") + "' '" + Path("o.wav") + "'", "unsupported channel count: 3");
  EXPECT_FALSE(std::ifstream(Path("o.wav")).good());  // no output after any error
}

TEST_F(TeskRender, ScreenshotShowsTheEditorWithTheSettings)
{
  Result r = Run("--set OVER=1 --set HFREQL=2 --screenshot '" + Path("shot.png") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  std::unique_ptr<Pix_IBitmap> shot(Pix_LoadPNG(Path("shot.png").c_str()));
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->getWidth(), 1156);
  EXPECT_EQ(shot->getHeight(), 456);

  // The OVER switch (at 0, 429) shows its "on" frame, HFREQL (at 862, 124) its third.
  struct Probe
  {
    const char* stem;
    int frames, frame, x, y;
  } probes[] = {{"OVER", 2, 1, 0, 429}, {"HFREQL", 3, 2, 862, 124}};
  for (const Probe& p : probes)
  {
    std::unique_ptr<Pix_IBitmap> strip(Pix_LoadPNG((std::string(TESK_IMAGE_DIR) + "/" + p.stem + ".png").c_str()));
    ASSERT_TRUE(strip);
    const int h = strip->getHeight() / p.frames;
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < strip->getWidth(); ++x)
        if ((Pix_GetPixel(strip.get(), x, p.frame * h + y) & 0xFFFFFF) !=
            (Pix_GetPixel(shot.get(), p.x + x, p.y + y) & 0xFFFFFF))
          ++mismatches;
    EXPECT_EQ(mismatches, 0) << p.stem;
  }

  r = Run("--screenshot '" + Path("no/such/folder/shot.png") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write screenshot"), std::string::npos) << r.err;
}
