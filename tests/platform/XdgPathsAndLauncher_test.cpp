#include "platform/linux/ProcessLauncher.h"
#include "platform/linux/XdgPaths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : mName(name) {
    const char* old = std::getenv(name);
    mHad = old != nullptr;
    if (mHad) mOld = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (mHad)
      setenv(mName.c_str(), mOld.c_str(), 1);
    else
      unsetenv(mName.c_str());
  }

 private:
  std::string mName, mOld;
  bool mHad = false;
};

std::string MakeTempDir() {
  char tmpl[] = "/tmp/tesk-xdg-XXXXXX";
  return mkdtemp(tmpl);
}

}  // namespace

TEST(XdgPaths, FollowTheUserDirsFileAndFallBackToHome) {
  const std::string dir = MakeTempDir();
  ScopedEnv home("HOME", "/home/someone");
  ScopedEnv config("XDG_CONFIG_HOME", dir.c_str());
  ScopedEnv data("XDG_DATA_HOME", nullptr);
  ScopedEnv dataDirs("XDG_DATA_DIRS", "/opt/share:/usr/share");

  EXPECT_EQ(XdgPaths::Desktop(), "/home/someone/Desktop");
  EXPECT_EQ(XdgPaths::SandboxSafeAppSupport(), "/home/someone/Music");
  {
    std::ofstream f(dir + "/user-dirs.dirs");
    f << "# written by a test\n"
      << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
      << "XDG_MUSIC_DIR=\"/srv/music\"\n"
      << "XDG_VIDEOS_DIR=\"relative/is/ignored\"\n";
  }
  EXPECT_EQ(XdgPaths::Desktop(), "/home/someone/Schreibtisch");
  EXPECT_EQ(XdgPaths::SandboxSafeAppSupport(), "/srv/music");
  EXPECT_EQ(XdgPaths::AppSupport(false), "/home/someone/.local/share");
  EXPECT_EQ(XdgPaths::AppSupport(true), "/opt/share");
  {
    ScopedEnv dataHome("XDG_DATA_HOME", "/data/home");
    EXPECT_EQ(XdgPaths::AppSupport(false), "/data/home");
  }
  EXPECT_EQ(XdgPaths::FolderOf("/a/b/c.so"), "/a/b/");
  EXPECT_EQ(XdgPaths::FolderOf("plain"), "");
  unlink((dir + "/user-dirs.dirs").c_str());
  rmdir(dir.c_str());
}

TEST(ProcessLauncher, RunsProgramsWithoutAShell) {
  EXPECT_TRUE(ProcessLauncher::IsAvailable("sh"));
  EXPECT_FALSE(ProcessLauncher::IsAvailable("no-such-program-tesk"));
  EXPECT_FALSE(ProcessLauncher::IsAvailable(""));

  std::string out;
  // Shell syntax in an argument stays a plain argument.
  EXPECT_EQ(ProcessLauncher::RunAndCapture({"echo", "a; echo b $(id)"}, &out), 0);
  EXPECT_EQ(out, "a; echo b $(id)");
  EXPECT_EQ(ProcessLauncher::RunAndCapture({"false"}, &out), 1);
  EXPECT_EQ(ProcessLauncher::RunAndCapture({"no-such-program-tesk"}, &out), -1);
  EXPECT_EQ(ProcessLauncher::RunAndCapture({}, &out), -1);

  // Output beyond the limit is cut, not overrun.
  EXPECT_EQ(ProcessLauncher::RunAndCapture({"printf", "0123456789"}, &out, 4), 0);
  EXPECT_EQ(out, "0123");

  EXPECT_TRUE(ProcessLauncher::StartDetached({"true"}));
  EXPECT_FALSE(ProcessLauncher::StartDetached({}));
}
