#include "framework/EHost.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/support/TestPlug.h"

TEST(EHost, LookUpFollowsTheSearchOrder)
{
  EXPECT_EQ(LookUpHost("Cubase Pro"), kHostCubase);
  EXPECT_EQ(LookUpHost("CUBASE"), kHostCubase);
  EXPECT_EQ(LookUpHost("REAPER64"), kHostReaper);
  EXPECT_EQ(LookUpHost("Studio One"), kHostUnknown);
  EXPECT_EQ(LookUpHost("PreSonus Studio One"), kHostStudioOne);
  EXPECT_EQ(LookUpHost("Ableton Live 10 Suite"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Deliverer"), kHostAbletonLive);  // "live" inside a word
  EXPECT_EQ(LookUpHost("Cubase Live"), kHostCubase);
  EXPECT_EQ(LookUpHost("Digital Performer"), kHostDigitalPerformer);
  EXPECT_EQ(LookUpHost("Logic Pro X"), kHostLogic);
  EXPECT_EQ(LookUpHost("Melodyne"), kHostMelodyneStudio);
  EXPECT_EQ(LookUpHost("Pro Tools"), kHostUnknown);  // only "protools" matches
  EXPECT_EQ(LookUpHost("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
}

TEST(EHost, VeryLongNamesAreSearchedInTheirFirst263Characters)
{
  std::string name(300, 'x');
  name.replace(10, 6, "reaper");
  EXPECT_EQ(LookUpHost(name.c_str()), kHostReaper);
  name = std::string(270, 'x') + "reaper";
  EXPECT_EQ(LookUpHost(name.c_str()), kHostUnknown);
}

TEST(EHost, NameTexts)
{
  char out[32];
  const std::pair<int, const char*> names[] = {
    {-1, "Unknown"}, {10, "Unknown"}, {12, "Unknown"}, {19, "Unknown"}, {27, "VST3PluginTestHost"},
    {31, "Unknown"}};
  for (const auto& n : names)
  {
    GetHostNameStr((EHost)n.first, out);
    EXPECT_STREQ(out, n.second) << n.first;
  }
}

TEST(EHost, SetHostStoresHostAndVersion)
{
  TestPlug plug;
  EXPECT_EQ(plug.GetHost(), kHostUninit);
  char text[32];
  plug.SetHost("Reaper", 0);
  EXPECT_EQ(plug.GetHost(), kHostReaper);
  plug.GetHostVersionStr(text);
  EXPECT_STREQ(text, "v0.0.0");
  plug.SetHost("Some Host", 0x0A0203);
  EXPECT_EQ(plug.GetHost(), kHostUnknown);
  EXPECT_EQ(plug.GetHostVersion(false), 0x0A0203);
  EXPECT_EQ(plug.GetHostVersion(true), 100203);
  plug.GetHostVersionStr(text);
  EXPECT_STREQ(text, "v10.2.3");
}
