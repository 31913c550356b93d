#pragma once
// Helpers of the LV2 tests: the built bundles, temporary folders, commands, state chunks.

#include "LilvHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tesk_lv2 {

constexpr const char* kTeskURI = "https://quillfen.example/lv2/tesk";
constexpr const char* kTeskUIURI = "https://quillfen.example/lv2/tesk#ui";

// A fresh folder under /tmp, removed with its contents at destruction.
class TempDir
{
public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return mPath; }
  std::string File(const std::string& name) const { return mPath + "/" + name; }

private:
  std::string mPath;
};

// Runs a shell command; its standard output (and standard error, when `mergeErrors`) goes
// into `out`. The exit status, or -1 when it did not exit normally.
int RunCommand(const std::string& command, std::string* out, bool mergeErrors = true);
// A shell word: the text in single quotes.
std::string Quote(const std::string& s);

// A folder holding only a link to the built Tesk.lv2, for LV2_PATH: hosts then see the
// build and nothing installed.
std::unique_ptr<TempDir> LV2PathWithTheBuild();

// The built Tesk.lv2 loaded, instantiated at 48 kHz and activated; null with a test failure
// on error.
std::unique_ptr<LilvHost> OpenTeskLV2(const LilvHost::Features& features = LilvHost::Features());

// The state stream's parts: one value per parameter, then the bypass flag (-1 when the
// stream has none).
struct StateValues
{
  std::vector<double> params;
  int32_t bypass = -1;
};
StateValues ReadStateValues(const std::vector<uint8_t>& bytes, int nParams);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace tesk_lv2
