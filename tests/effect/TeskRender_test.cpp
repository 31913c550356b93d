// tesk-render on the built bundle: rendering, settings, state files, batches, progress
// and errors.

#include "effect/support/RenderTool.h"
#include "effect/support/TeskParams.h"

#include "dsp/TeskChain.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_PNG.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <sstream>

using namespace tesk_test;

namespace {

using TeskRender = RenderToolTest;

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
  RunResult r = Run("'" + Path("in.wav") + "' '" + Path("out.wav") + "'");
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
  RunResult r = Run("--bypass --precision 32 --block 100 --format f32 '" + Path("in.wav") + "' '" + Path("by.wav") + "'");
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

  // A mono file feeds both channels; the output is stereo.
  WriteInput("mono.wav", Planar{in[0]});
  r = Run("'" + Path("mono.wav") + "' '" + Path("mono-out.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadOutput("mono-out.wav"), Reference(Planar{in[0], in[0]}, 0, 0.0));
}

TEST_F(TeskRender, StateFilesRoundTrip)
{
  Planar in = TestSignal(2, 2000);
  WriteInput("in.wav", in);
  RunResult r = Run("--set DRIVE=-22 --set MS=0 --save-state '" + Path("a.state") + "' '" + Path("in.wav") + "' '" +
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
  RunResult r = Run("--list --set DRIVE=-22 --set hgainl=3.5");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream text(r.out);
  for (std::string line; std::getline(text, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u + 35u);
  for (const char* column : {"id", "short title", "title", "unit", "default", "value"})
    EXPECT_NE(lines[0].find(column), std::string::npos) << column;
  EXPECT_NE(r.out.find("Bypass"), std::string::npos);
  EXPECT_NE(r.out.find("OVER"), std::string::npos);
  // Default and current value as the plug-in shows them (a case-insensitive name works).
  for (const std::string& line : lines) {
    if (line.find("DRIVE") != std::string::npos) {
      EXPECT_TRUE(line.find("-40.00") != std::string::npos && line.find("-22.00") != std::string::npos) << line;
    }
    if (line.find("HGAINL") != std::string::npos) {
      EXPECT_NE(line.find("3.50"), std::string::npos) << line;
    }
  }

  r = Run("--info");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("name: Tesk"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("subCategories: Fx|EQ"), std::string::npos);
  EXPECT_NE(r.out.find("vendor: Quillfen"), std::string::npos);

  r = Run("--help", false);
  ASSERT_EQ(r.status, 0);
  for (const char* option : {"--plugin", "--state", "--preset", "--set", "--bypass", "--out-dir", "--force", "--format",
                             "--block", "--precision", "--quiet", "--bench", "--list", "--info", "--save-state",
                             "--save-preset", "--screenshot", "--scale", "--plot", "--plot-scale", "--plot-data",
                             "--export-presets", "--make-demo", "--levels", "--help"})
    EXPECT_NE(r.out.find(std::string(option) + ' '), std::string::npos) << option;
}

TEST_F(TeskRender, BenchPrintsOneLineAndWritesNothing)
{
  WriteInput("in.wav", TestSignal(2, 4800));
  RunResult r = Run("--bench 2 --set OVER=1 '" + Path("in.wav") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" ns per frame, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("x real time"), std::string::npos);
}

TEST_F(TeskRender, DemoInputAndLevels)
{
  RunResult r = Run("--make-demo '" + Path("demo.wav") + "'", false);
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

TEST_F(TeskRender, ErrorsAreOneLineAndWriteNothing)
{
  WriteInput("in.wav", TestSignal(2, 100));
  WriteText(Path("junk.wav"), "not audio");
  WriteText(Path("fake.so"), "not a module");
  AudioData three;
  three.sampleRate = 48000;
  three.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  three.channels.assign(3, std::vector<double>(10, 0.0));
  std::string error;
  ASSERT_TRUE(WriteAudioFile(Path("three.wav"), three, "", error));

  const std::string in = Q("in.wav"), out = Q("o.wav");
  struct Case
  {
    std::string args;
    const char* message;
    bool withPlugin;
  } cases[] = {
      {Q("missing.wav") + out, "no such file: ", true},
      {Q("junk.wav") + out, "cannot read audio file", true},
      {Q("three.wav") + out, "unsupported channel count: 3", true},
      {in + in, "refusing to overwrite the input", true},
      {"--set NOPE=1 " + in + out, "unknown parameter: NOPE (valid: Preset, Bypass, HGAINL, HGAINR,", true},
      {"--set HGAINL=25 " + in + out, "value 25 for HGAINL is out of range: -18 .. 18", true},
      {"--set HFREQL=3 " + in + out, "value 3 for HFREQL is out of range: 0 .. 2", true},
      {"--set HGAINL=loud " + in + out, "bad value for HGAINL: \"loud\" (a number in -18 .. 18", true},
      {"--set HGAINL= " + in + out, "bad value for HGAINL", true},
      {"--set HGAINL=nan " + in + out, "bad value for HGAINL", true},
      {"--state " + Q("missing.state") + in + out, "cannot read state file", true},
      {"--state '" + dir + "' " + in + out, ": not a file", true},
      {"--format f64 " + in + Q("o.flac"), "cannot hold f64 samples", true},
      {"--plugin '" + dir + "' " + in + out, "not a VST 3 bundle", false},
      {"--plugin " + Q("nothing.vst3") + in + out, "no such plug-in", false},
      {"--plugin " + Q("fake.so") + "--list", "not a VST 3 bundle", false},
  };
  for (const Case& c : cases) {
    RunResult r = Run(c.args, c.withPlugin);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    EXPECT_FALSE(std::ifstream(Path("o.wav")).good()) << c.args;
    EXPECT_FALSE(std::ifstream(Path("o.flac")).good()) << c.args;
  }
  // Usage errors: status 2 and the usage text.
  for (const char* args : {"--bogus", "--block 0 in.wav o.wav", "--plot-scale 9 --plot x.png", "in.wav",
                           "--scale 3 --screenshot x.png", "--scale 2 --list"}) {
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("usage: tesk-render"), std::string::npos) << args;
  }
}

TEST_F(TeskRender, EveryLibsndfileFormatAndTheExtensionsContainer)
{
  Planar in = TestSignal(2, 4000, 48000, 0.3);
  struct Case
  {
    const char* name;
    int format;
  } cases[] = {{"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
               {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
               {"in.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
               {"in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteInput(c.name, in, c.format);
    const std::string out = std::string("out-") + c.name;
    RunResult r = Run(Q(c.name) + Q(out));
    ASSERT_EQ(r.status, 0) << r.err;
    AudioFileInfo info;
    std::string error;
    ASSERT_TRUE(ProbeAudioFile(Path(out), info, error)) << error;
    EXPECT_EQ(info.format, c.format); // same container and sample format as the input
    EXPECT_EQ(info.channels, 2);
    AudioData decoded;
    ASSERT_TRUE(ReadAudioFile(Path(c.name), decoded, error));
    EXPECT_EQ(info.frames, decoded.Frames());
  }
  // Lossless input, float output: exactly what the chain makes of the decoded input.
  RunResult r = Run("--format f64 " + Q("in.flac") + Q("flac.wav"));
  ASSERT_EQ(r.status, 0) << r.err;
  AudioData decoded;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(Path("in.flac"), decoded, error));
  EXPECT_EQ(ReadOutput("flac.wav"), Reference(decoded.channels, 0, 0.0));
}

TEST_F(TeskRender, BatchNamesOutputsAfterInputsAndNeverOverwritesThem)
{
  ASSERT_EQ(mkdir(Path("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("out").c_str(), 0755), 0);
  Planar one = TestSignal(2, 3000), two = TestSignal(1, 2000);
  WriteInput("one.wav", one);
  WriteInput("a/two.flac", two, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  RunResult r = Run("--set HGAINL=4 " + Q("one.wav") + Q("a/two.flac") + "--out-dir " + Q("out"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadOutput("out/one.wav"), Reference(one, 0, 4.0));
  AudioFileInfo info;
  std::string error;
  ASSERT_TRUE(ProbeAudioFile(Path("out/two.flac"), info, error)) << error;
  EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(info.frames, 2000);
  EXPECT_EQ(info.channels, 2); // mono in, both channels out

  struct Case
  {
    std::string args;
    const char* message; // null: succeeds
  } cases[] = {
      {Q("one.wav") + "--out-dir " + Q("out"), "out/one.wav exists (use --force to replace it)"},
      {Q("one.wav") + "--out-dir " + Q(""), "refusing to overwrite the input"},
      {Q("one.wav") + Q("out/one.wav") + "--out-dir " + Q("out") + "--force", "refusing to overwrite the input"},
      {Q("one.wav") + Q("a/one.wav") + "--out-dir " + Q("out") + "--force", "two inputs would both be written to"},
      {Q("one.wav") + "--out-dir " + Q("nowhere"), "no such folder"},
      {Q("one.wav") + "--out-dir " + Q("out") + "--force", nullptr},
  };
  WriteInput("a/one.wav", one);
  for (const Case& c : cases) {
    r = Run(c.args);
    if (!c.message) {
      EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
  }
  // The inputs are untouched.
  EXPECT_EQ(ReadOutput("one.wav"), one);
}

TEST_F(TeskRender, ProgressShowsOnlyOnATerminalAndNotWhenQuiet)
{
  // 10 s rendered one frame per block: the render takes well over a second.
  WriteInput("in.wav", TestSignal(2, 10 * 48000), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  const std::string args = "--block 1 " + Q("in.wav") + Q("out.wav");
  RunResult r = Run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, ""); // standard error is a file: no bar

  // The same under a pseudo-terminal (script(1)): the bar appears, then is wiped.
  auto underTerminal = [&](const std::string& extra) {
    const std::string inner = std::string(TESK_RENDER_PATH) + " --plugin " + TESK_BUNDLE_PATH + " " + extra + args;
    const std::string cmd = "script -qefc \"" + inner + "\" '" + Path("typescript") + "' >/dev/null 2>&1 </dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadText(Path("typescript"));
  };
  const std::string shown = underTerminal("");
  EXPECT_NE(shown.find("%  "), std::string::npos) << shown;
  EXPECT_NE(shown.find("x real time"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" left"), std::string::npos) << shown;
  const std::string quiet = underTerminal("--quiet ");
  EXPECT_EQ(quiet.find("real time"), std::string::npos) << quiet;
}

TEST_F(TeskRender, ScreenshotShowsTheEditorWithTheSettings)
{
  RunResult r = Run("--set OVER=1 --set HFREQL=2 --screenshot '" + Path("shot.png") + "'");
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

  // Larger: the panel drawn at the scale, from the large images.
  const struct
  {
    const char* scale;
    int w, h;
  } scales[] = {{"1.5", 1734, 684}, {"2", 2312, 912}};
  for (const auto& s : scales)
  {
    r = Run(std::string("--set OVER=1 --scale ") + s.scale + " --screenshot '" + Path("big.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::unique_ptr<Pix_IBitmap> big(Pix_LoadPNG(Path("big.png").c_str()));
    ASSERT_TRUE(big);
    EXPECT_EQ(big->getWidth(), s.w);
    EXPECT_EQ(big->getHeight(), s.h);
  }
  // At 2x the OVER switch is its large image's "on" frame, pixel for pixel.
  std::unique_ptr<Pix_IBitmap> large(Pix_LoadPNG((std::string(TESK_IMAGE_DIR) + "/2x/OVER@2x.png").c_str()));
  std::unique_ptr<Pix_IBitmap> big(Pix_LoadPNG(Path("big.png").c_str()));
  ASSERT_TRUE(large && big);
  const int h = large->getHeight() / 2;
  int mismatches = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < large->getWidth(); ++x)
      mismatches += (Pix_GetPixel(large.get(), x, h + y) & 0xFFFFFF) != (Pix_GetPixel(big.get(), x, 2 * 429 + y) & 0xFFFFFF);
  EXPECT_EQ(mismatches, 0);
}
