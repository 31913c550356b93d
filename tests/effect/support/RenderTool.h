#pragma once
// Runs the built tesk-render (TESK_RENDER_PATH) on the built bundle (TESK_BUNDLE_PATH) in
// a private temporary folder, for the tool's integration tests.

#include "effect/support/BundleHost.h"

#include "AudioFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tesk_test {

struct RunResult
{
  int status = -1;
  std::string out, err;
};

inline std::string ReadText(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text)
{
  std::ofstream(path, std::ios::binary) << text;
}

class RenderToolTest : public testing::Test
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
    const std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
  }

  std::string Path(const std::string& name) const { return dir + "/" + name; }
  // A path quoted for the shell.
  std::string Q(const std::string& name) const { return "'" + Path(name) + "' "; }

  // Runs the tool with --plugin set to the built bundle unless `withPlugin` is false;
  // standard output and error go to files.
  RunResult Run(const std::string& args, bool withPlugin = true) const
  {
    const std::string cmd = std::string("'") + TESK_RENDER_PATH + "' " +
                            (withPlugin ? std::string("--plugin '") + TESK_BUNDLE_PATH + "' " : std::string()) +
                            args + " >'" + Path("stdout") + "' 2>'" + Path("stderr") + "' </dev/null";
    RunResult r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadText(Path("stdout"));
    r.err = ReadText(Path("stderr"));
    return r;
  }

  void WriteInput(const std::string& name, const Planar& audio, int format = SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
                  int rate = 48000)
  {
    AudioData a;
    a.sampleRate = rate;
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

} // namespace tesk_test
