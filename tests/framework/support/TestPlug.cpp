#include "framework/support/TestPlug.h"

#include <stdio.h>
#include <string>
#include <unistd.h>

TestPlug::TestPlug(const Options& o)
  : IEffectBase(o.nParams, o.ioSpec, o.nPresets, "TestPlug", "Test Product", "Test Maker", 0x30102, o.uniqueID,
                0x4d616b72, o.latency, false, o.doesChunks, false, kAPIVST3)
{
  if (o.nParams > 0) GetParam(0)->InitDouble("Gain", 1.5, -18.0, 18.0, 0.01, "dB");
  if (o.nParams > 1) GetParam(1)->InitBool("Switch", true);
  if (o.nParams > 2) GetParam(2)->InitDouble("Floor", -40.0, -60.0, -20.0, 0.5, "dB");
  for (int i = 3; i < o.nParams; ++i) GetParam(i)->InitInt("Extra", 0, 0, 9);
}

void TestPlug::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  processCalls++;
  if (nFrames > maxFrames) maxFrames = nFrames;
  if (mode == kBase)
  {
    IEffectBase::ProcessDoubleReplacing(inputs, outputs, nFrames);
    return;
  }
  for (int ch = 0; ch < NOutChannels() && ch < 8; ++ch)
  {
    const double* in = ch < NInChannels() ? inputs[ch] : nullptr;
    for (int s = 0; s < nFrames; ++s)
    {
      memory[ch] = (in ? in[s] : 0.0) + memory[ch] * 0.5;
      outputs[ch][s] = memory[ch];
    }
  }
}

std::vector<unsigned char> ReadFileBytes(const char* path)
{
  std::vector<unsigned char> bytes;
  FILE* fp = fopen(path, "rb");
  if (!fp) return bytes;
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), fp)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  fclose(fp);
  return bytes;
}

bool WriteFileBytes(const char* path, const std::vector<unsigned char>& bytes)
{
  FILE* fp = fopen(path, "wb");
  if (!fp) return false;
  const bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
  return fclose(fp) == 0 && ok;
}

std::string TempPath(const char* name)
{
  const char* dir = getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  path += "/tesk_framework_" + std::to_string((long)getpid()) + "_" + name;
  return path;
}
