#include "LV2TestUtil.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tesk_lv2 {

TempDir::TempDir()
{
  char tmpl[] = "/tmp/tesk-lv2-test-XXXXXX";
  if (mkdtemp(tmpl)) mPath = tmpl;
}

TempDir::~TempDir()
{
  if (!mPath.empty()) (void)std::system(("rm -rf " + Quote(mPath)).c_str());
}

std::string Quote(const std::string& s)
{
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int RunCommand(const std::string& command, std::string* out, bool mergeErrors)
{
  FILE* p = popen((command + (mergeErrors ? " 2>&1" : "")).c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0)
    if (out) out->append(buf, n);
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<TempDir> LV2PathWithTheBuild()
{
  auto dir = std::make_unique<TempDir>();
  if (symlink(TESK_LV2_BUNDLE_PATH, dir->File("Tesk.lv2").c_str()) != 0) ADD_FAILURE() << "cannot link the bundle";
  return dir;
}

std::unique_ptr<LilvHost> OpenTeskLV2(const LilvHost::Features& features)
{
  auto host = std::make_unique<LilvHost>();
  std::string error;
  if (!host->Load(TESK_LV2_BUNDLE_PATH, kTeskURI, error) || !host->Start(48000.0, features, error))
  {
    ADD_FAILURE() << error;
    return nullptr;
  }
  return host;
}

StateValues ReadStateValues(const std::vector<uint8_t>& bytes, int nParams)
{
  StateValues v;
  const size_t values = sizeof(double) * static_cast<size_t>(nParams);
  if (bytes.size() < values) return v;
  v.params.resize(static_cast<size_t>(nParams));
  memcpy(v.params.data(), bytes.data(), values);
  if (bytes.size() >= values + sizeof(int32_t)) memcpy(&v.bypass, bytes.data() + values, sizeof(int32_t));
  return v;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace tesk_lv2
