#include "vst3/sdk/ModuleEntry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(ModuleEntry, BundleReferencesAreKeptUntilTheLastExit)
{
  ModuleBundleRef a = ModuleBundleCreate("/tmp/One.vst3");
  ModuleBundleRef b = ModuleBundleCreate("/tmp/Two.vst3");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  const int counter = GetBundleRefCounter();

  EXPECT_TRUE(bundleEntry(a));
  EXPECT_TRUE(bundleEntry(b));
  EXPECT_EQ(GetBundleRefCounter(), counter + 2);
  EXPECT_EQ(ModuleBundleGetRetainCount(a), 2);
  EXPECT_EQ(ModuleBundleGetRetainCount(b), 2);
  // The first bundle received names the module.
  if (counter == 0)
  {
    EXPECT_EQ(moduleHandle, a);
    EXPECT_EQ(ghInst, a);
    EXPECT_STREQ(gPath, "/tmp/One.vst3");
  }

  EXPECT_TRUE(bundleExit());
  EXPECT_EQ(ModuleBundleGetRetainCount(a), 2);  // both still kept
  EXPECT_EQ(ModuleBundleGetRetainCount(b), 2);
  EXPECT_TRUE(bundleExit());
  EXPECT_EQ(GetBundleRefCounter(), counter);
  if (counter == 0)
  {
    EXPECT_EQ(ModuleBundleGetRetainCount(a), 1);  // released by the last exit
    EXPECT_EQ(ModuleBundleGetRetainCount(b), 1);
    // Nothing names the released records any more.
    EXPECT_EQ(moduleHandle, nullptr);
    EXPECT_EQ(ghInst, nullptr);
    EXPECT_STREQ(gPath, "");
  }
  ModuleBundleRelease(a);
  ModuleBundleRelease(b);

  // The next load names the module after its own first bundle, which may be another one.
  if (counter == 0)
  {
    ModuleBundleRef c = ModuleBundleCreate("/tmp/Three.vst3");
    EXPECT_TRUE(bundleEntry(c));
    EXPECT_EQ(moduleHandle, c);
    EXPECT_STREQ(gPath, "/tmp/Three.vst3");
    EXPECT_TRUE(bundleExit());
    EXPECT_EQ(moduleHandle, nullptr);
    ModuleBundleRelease(c);
  }

  // A null bundle only runs the module hook; an exit without entry is refused.
  EXPECT_TRUE(bundleEntry(nullptr));
  EXPECT_EQ(GetBundleRefCounter(), counter);
  if (counter == 0)
  {
    EXPECT_FALSE(bundleExit());
  }
}

TEST(ModuleEntry, LinuxEntryUsesTheModulesOwnBundle)
{
  ModuleBundleRef main = ModuleBundleGetMain();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ModuleBundleGetMain(), main);
  // A test executable is not inside a bundle: its folder stands in.
  EXPECT_GT(strlen(ModuleBundleGetPath(main)), 0u);
  EXPECT_EQ(ModuleBundleGetPath(main)[0], '/');

  const int counter = GetBundleRefCounter();
  const int retains = ModuleBundleGetRetainCount(main);
  EXPECT_TRUE(ModuleEntry(nullptr));
  EXPECT_EQ(GetBundleRefCounter(), counter + 1);
  EXPECT_EQ(ModuleBundleGetRetainCount(main), retains + 1);
  EXPECT_NE(moduleHandle, nullptr);
  EXPECT_TRUE(ModuleExit());
  EXPECT_EQ(GetBundleRefCounter(), counter);
  if (counter == 0)
  {
    EXPECT_EQ(moduleHandle, nullptr);
  }
  // The module's own record outlives every release.
  ModuleBundleRelease(main);
  ModuleBundleRelease(main);
  EXPECT_STRNE(ModuleBundleGetPath(main), "");
}

TEST(ModuleEntry, ResourcePathsUseTheLastPathComponent)
{
  ModuleBundleRef bundle = ModuleBundleCreate("/opt/Fx.vst3");
  char path[256];
  // A folder that is no bundle holds its resources itself.
  ModuleBundleRef folder = ModuleBundleCreate("/opt/tools/bin");
  ASSERT_TRUE(ModuleBundleGetResourcePath(folder, "resources/img/knob.png", path, sizeof(path)));
  EXPECT_STREQ(path, "/opt/tools/bin/knob.png");
  ModuleBundleRelease(folder);
  ASSERT_TRUE(ModuleBundleGetResourcePath(bundle, "resources/img/knob.png", path, sizeof(path)));
  EXPECT_STREQ(path, "/opt/Fx.vst3/Contents/Resources/knob.png");
  ASSERT_TRUE(ModuleBundleGetResourcePath(bundle, "bg.png", path, sizeof(path)));
  EXPECT_STREQ(path, "/opt/Fx.vst3/Contents/Resources/bg.png");
  EXPECT_FALSE(ModuleBundleGetResourcePath(bundle, "bg.png", path, 10));
  EXPECT_STREQ(path, "");
  EXPECT_FALSE(ModuleBundleGetResourcePath(bundle, "dir/", path, sizeof(path)));
  EXPECT_FALSE(ModuleBundleGetResourcePath(nullptr, "bg.png", path, sizeof(path)));
  EXPECT_FALSE(ModuleBundleGetResourcePath(bundle, nullptr, path, sizeof(path)));
  ModuleBundleRelease(bundle);

  EXPECT_EQ(ModuleBundleCreate(nullptr), nullptr);
  EXPECT_EQ(ModuleBundleCreate(""), nullptr);
  EXPECT_EQ(ModuleBundleCreate(std::string(3000, 'a').c_str()), nullptr);
}

TEST(ModuleEntry, BundleFolderOfAModuleFile)
{
  char out[512];
  // Files that do not exist are taken as written.
  ASSERT_TRUE(ModuleBundlePathForModule("/opt/x/Fx.vst3/Contents/x86_64-linux/Fx.so", out, sizeof(out)));
  EXPECT_STREQ(out, "/opt/x/Fx.vst3");
  ASSERT_TRUE(ModuleBundlePathForModule("/opt/x/lib/Fx.so", out, sizeof(out)));
  EXPECT_STREQ(out, "/opt/x/lib");
  ASSERT_TRUE(ModuleBundlePathForModule("/opt/x/Fx/Contents/x86_64-linux/Fx.so", out, sizeof(out)));
  EXPECT_STREQ(out, "/opt/x/Fx/Contents/x86_64-linux");  // not a bundle folder
  ASSERT_TRUE(ModuleBundlePathForModule("/Fx.so", out, sizeof(out)));
  EXPECT_STREQ(out, "/");
  EXPECT_FALSE(ModuleBundlePathForModule("/opt/x/lib/Fx.so", out, 5));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(ModuleBundlePathForModule("Fx.so", out, sizeof(out)));
  EXPECT_FALSE(ModuleBundlePathForModule(nullptr, out, sizeof(out)));
}
