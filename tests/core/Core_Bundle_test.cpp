#include "core/Core_Bundle.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

namespace
{
// Everything written to stderr while fn runs.
template <class Fn>
std::string CaptureStderr(Fn fn)
{
  std::fflush(stderr);
  FILE* capture = std::tmpfile();
  const int saved = dup(2);
  dup2(fileno(capture), 2);
  fn();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::string text;
  std::rewind(capture);
  char buf[256];
  while (std::fgets(buf, sizeof buf, capture)) text += buf;
  std::fclose(capture);
  return text;
}
}  // namespace

TEST(CoreBundle, ModuleFilesMapToBundleAndResourceFolders)
{
  // Files that do not exist are taken as written.
  struct Case
  {
    const char* module;
    const char* bundle;     // "" when there is none
    const char* resources;  // of "resources/img/BG.png"
  } cases[] = {
      {"/home/u/.vst3/Tesk.vst3/Contents/x86_64-linux/Tesk.so", "/home/u/.vst3/Tesk.vst3",
       "/home/u/.vst3/Tesk.vst3/Contents/Resources/BG.png"},
      {"/opt/tools/bin/tesk-render", "/opt/tools/bin", "/opt/tools/bin/BG.png"},
      // Contents/<arch> without a NAME.vst3 folder above is no bundle.
      {"/opt/x/Fx/Contents/x86_64-linux/Fx.so", "/opt/x/Fx/Contents/x86_64-linux",
       "/opt/x/Fx/Contents/x86_64-linux/BG.png"},
      {"/opt/x/.vst3/Contents/x86_64-linux/Fx.so", "/opt/x/.vst3/Contents/x86_64-linux",
       "/opt/x/.vst3/Contents/x86_64-linux/BG.png"},
      {"/Fx.so", "/", "/BG.png"},
      {"Fx.so", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases)
  {
    char bundle[512] = "x", resource[512] = "x";
    EXPECT_EQ(Core_BundleFolderOf(c.module, bundle, sizeof bundle), c.bundle[0] != '\0') << c.module;
    EXPECT_STREQ(bundle, c.bundle) << c.module;
    EXPECT_EQ(Core_ResourcePathOf(bundle, "resources/img/BG.png", resource, sizeof resource), c.resources[0] != '\0')
        << c.module;
    EXPECT_STREQ(resource, c.resources) << c.module;
  }

  char out[64] = "x";
  EXPECT_FALSE(Core_BundleFolderOf(nullptr, out, sizeof out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(Core_BundleFolderOf("/opt/x/lib/Fx.so", out, 5));  // does not fit
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(Core_ResourcePathOf("/opt/Fx.vst3", "dir/", out, sizeof out));
  EXPECT_FALSE(Core_ResourcePathOf("/opt/Fx.vst3", nullptr, out, sizeof out));
  EXPECT_FALSE(Core_ResourcePathOf("/opt/Fx.vst3", "BG.png", out, 20));
  EXPECT_STREQ(out, "");
  ASSERT_TRUE(Core_ResourceFolderOf("/opt/Fx.vst3", out, sizeof out));
  EXPECT_STREQ(out, "/opt/Fx.vst3/Contents/Resources");
}

TEST(CoreBundle, ATestProgramIsABundleOfItsOwn)
{
  char exe[1024];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  exe[n] = '\0';
  const std::string folder = std::string(exe).substr(0, std::string(exe).rfind('/'));
  EXPECT_STREQ(Core_ModuleFile(), exe);
  EXPECT_EQ(Core_ModuleBundleFolder(), folder);
  EXPECT_EQ(Core_ModuleResourceFolder(), folder);
  EXPECT_FALSE(Core_ModuleIsInBundle());
  char path[1100];
  ASSERT_TRUE(Core_ModuleResourcePath("fonts/x.ttf", path, sizeof path));
  EXPECT_EQ(path, folder + "/x.ttf");
}

TEST(CoreBundle, AMissingResourceIsReportedOnce)
{
  const std::string name = "/nowhere/BG-" + std::to_string(getpid()) + ".png";
  bool first = false, second = true, other = false;
  const std::string text = CaptureStderr([&] {
    first = Core_ReportMissingResource(name.c_str());
    second = Core_ReportMissingResource(name.c_str());
    other = Core_ReportMissingResource((name + ".2").c_str());
  });
  EXPECT_TRUE(first);
  EXPECT_FALSE(second);
  EXPECT_TRUE(other);
  const std::string program = std::string(Core_ModuleFile()).substr(std::string(Core_ModuleFile()).rfind('/') + 1);
  EXPECT_EQ(text, program + ": missing resource " + name + "\n" + program + ": missing resource " + name + ".2\n");
}
