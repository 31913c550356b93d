// The built Tesk.lv2 as the packaged tools and the loader see it: valid data files, the
// ports with the parameters' values and the host strings of the VST 3 edition, and two
// libraries that export one entry point each, the DSP one without X11.

#include "LV2TestUtil.h"

#include "VstHost.h"
#include "effect/support/TeskParams.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <dirent.h>

#include <map>
#include <sstream>

using namespace tesk_lv2;

namespace {

std::vector<std::string> TtlFiles()
{
  std::vector<std::string> files;
  if (DIR* d = opendir(TESK_LV2_BUNDLE_PATH))
  {
    while (dirent* e = readdir(d))
    {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttl") == 0)
        files.push_back(std::string(TESK_LV2_BUNDLE_PATH) + "/" + name);
    }
    closedir(d);
  }
  return files;
}

// One port of lv2info's listing: its "Key: value" lines and its scale points (value text
// to label).
struct ListedPort
{
  std::map<std::string, std::string> fields;
  std::map<std::string, std::string> points;
};

std::map<std::string, ListedPort> ParseLv2info(const std::string& text)
{
  std::map<std::string, ListedPort> ports;
  std::istringstream in(text);
  std::string line;
  ListedPort current;
  bool inPort = false, inPoints = false;
  std::string lastKey;
  auto flush = [&] {
    if (inPort && current.fields.count("Symbol")) ports[current.fields["Symbol"]] = current;
    current = ListedPort();
  };
  while (std::getline(in, line))
  {
    const size_t start = line.find_first_not_of("\t ");
    const std::string body = start == std::string::npos ? "" : line.substr(start);
    if (body.rfind("Port ", 0) == 0 && body.back() == ':')
    {
      flush();
      lastKey.clear();
      inPort = true;
      inPoints = false;
      continue;
    }
    if (!inPort) continue;
    if (body.empty())
    {
      inPoints = false;
      continue;
    }
    if (body == "Scale Points:")
    {
      inPoints = true;
      continue;
    }
    if (inPoints)
    {
      // 1.0 = "On"
      const size_t eq = body.find(" = \"");
      if (eq != std::string::npos) current.points[body.substr(0, eq)] = body.substr(eq + 4, body.size() - eq - 5);
      continue;
    }
    // "Key:  value", or a further value of the last key on a line of its own.
    const size_t colon = body.find(':');
    const bool isKey = colon != std::string::npos && colon > 0 && body[0] >= 'A' && body[0] <= 'Z' &&
                       body.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz ") == colon;
    if (isKey)
    {
      const size_t value = body.find_first_not_of(' ', colon + 1);
      lastKey = body.substr(0, colon);
      current.fields[lastKey] = value == std::string::npos ? "" : body.substr(value);
    }
    else if (!lastKey.empty())
    {
      current.fields[lastKey] += " " + body;
    }
  }
  flush();
  return ports;
}

std::string Fixed(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%f", v);
  return buf;
}

}  // namespace

TEST(LV2Bundle, EveryDataFileValidates)
{
  const std::vector<std::string> files = TtlFiles();
  ASSERT_GE(files.size(), 3u);
  std::string command = "lv2_validate";
  for (const std::string& f : files) command += " " + Quote(f);
  std::string out;
  const int status = RunCommand(command, &out);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Found 0 errors"), std::string::npos) << out;
}

TEST(LV2Bundle, Lv2infoListsThePortsWithTheParametersValuesAndHostStrings)
{
  auto path = LV2PathWithTheBuild();
  std::string out;
  ASSERT_EQ(RunCommand("LV2_PATH=" + Quote(path->Path()) + " lv2info " + kTeskURI, &out, false), 0) << out;
  std::map<std::string, ListedPort> ports = ParseLv2info(out);
  ASSERT_EQ(ports.size(), 4u + tesk_test::kNumParams + 2u) << out;

  VstHost vst3;
  std::string error;
  ASSERT_TRUE(vst3.Load(TESK_BUNDLE_PATH, error) && vst3.CreateEffect(error)) << error;

  for (const char* audio : {"in_l", "in_r", "out_l", "out_r"})
    EXPECT_NE(ports[audio].fields["Type"].find("AudioPort"), std::string::npos) << audio;
  for (int i = 0; i < tesk_test::kNumParams; ++i)
  {
    const tesk_test::ParamSpec& spec = tesk_test::kParamSpecs[i];
    SCOPED_TRACE(spec.name);
    ListedPort& p = ports[spec.name];
    EXPECT_EQ(p.fields["Minimum"], Fixed(spec.min));
    EXPECT_EQ(p.fields["Maximum"], Fixed(spec.max));
    EXPECT_EQ(p.fields["Default"], Fixed(spec.def));
    if (spec.isDouble)
    {
      EXPECT_TRUE(p.points.empty());
      continue;
    }
    // One scale point per value, named as the VST 3 edition names it.
    ASSERT_EQ(p.points.size(), static_cast<size_t>(spec.max) + 1);
    for (int k = 0; k <= static_cast<int>(spec.max); ++k)
      EXPECT_EQ(p.points[std::to_string(k) + ".0"], vst3.DisplayText(i, vst3.PlainToNormalized(i, k))) << k;
    EXPECT_NE(p.fields["Properties"].find("integer"), std::string::npos);
  }
  EXPECT_EQ(ports["enabled"].fields["Designation"], "http://lv2plug.in/ns/lv2core#enabled");
  EXPECT_EQ(ports["enabled"].fields["Default"], Fixed(1));
  EXPECT_EQ(ports["latency"].fields["Designation"], "http://lv2plug.in/ns/lv2core#latency");
  EXPECT_NE(ports["latency"].fields["Type"].find("OutputPort"), std::string::npos);
  EXPECT_NE(out.find("Has latency:       yes, reported by port 38"), std::string::npos);

  // Units: decibels for the gains and the drive, nothing for the rest.
  auto host = OpenTeskLV2();
  ASSERT_TRUE(host);
  LilvNode* unitProperty = lilv_new_uri(host->World(), "http://lv2plug.in/ns/extensions/units#unit");
  for (int i = 0; i < tesk_test::kNumParams; ++i)
  {
    const LilvPort* port = lilv_plugin_get_port_by_index(host->Plugin(), static_cast<uint32_t>(4 + i));
    LilvNodes* units = lilv_port_get_value(host->Plugin(), port, unitProperty);
    const std::string unit = units && lilv_nodes_size(units) == 1
                                 ? lilv_node_as_uri(lilv_nodes_get_first(units))
                                 : std::string();
    EXPECT_EQ(unit, tesk_test::kParamSpecs[i].isDouble ? "http://lv2plug.in/ns/extensions/units#db" : "")
        << tesk_test::kParamSpecs[i].name;
    lilv_nodes_free(units);
  }
  lilv_node_free(unitProperty);
}

TEST(LV2Bundle, EachLibraryExportsOneEntryAndTheDSPNeedsNoX11)
{
  const struct
  {
    const char* file;
    const char* entry;
    const char* other;
  } libraries[] = {
      {"Tesk_dsp.so", "lv2_descriptor", "lv2ui_descriptor"},
      {"Tesk_ui.so", "lv2ui_descriptor", "lv2_descriptor"},
  };
  for (const auto& lib : libraries)
  {
    SCOPED_TRACE(lib.file);
    const std::string path = std::string(TESK_LV2_BUNDLE_PATH) + "/" + lib.file;
    std::string symbols;
    ASSERT_EQ(RunCommand("nm -D --defined-only " + Quote(path), &symbols, false), 0);
    std::istringstream in(symbols);
    std::vector<std::string> exported;
    std::string address, type, name;
    while (in >> address >> type >> name) exported.push_back(name);
    EXPECT_EQ(exported, std::vector<std::string>{lib.entry});
  }

  std::string needed;
  ASSERT_EQ(RunCommand("ldd " + Quote(std::string(TESK_LV2_BUNDLE_PATH) + "/Tesk_dsp.so"), &needed), 0);
  for (const char* x : {"libX11", "libXext", "libfreetype", "libpng"}) EXPECT_EQ(needed.find(x), std::string::npos) << x;
}
