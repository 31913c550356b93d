#include "editor/support/TestPlug.h"

TestPlug::TestPlug(EAPI api)
  : IEffectBase(kNumParams, "1-1 2-2", 1, "TestPlug", "TestPlug", "Tesk", 0x10000, 0x54737431, 0x5465736B, 0, false,
                true, false, api)
{
  GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB", "", 1.0);
  GetParam(kBypass)->InitBool("Bypass", false);
  GetParam(kSteps)->InitInt("Steps", 5, 0, 10);
  IParam* mode = GetParam(kMode);
  mode->InitEnum("Mode", 0, 3);
  mode->SetDisplayText(0, "Low");
  mode->SetDisplayText(1, "Mid");
  mode->SetDisplayText(2, "High");
  GetParam(kLink)->InitInt("Link", 0, 0, 1);
}

void TestPlug::Record(char kind, int idx, double value)
{
  std::lock_guard<std::mutex> lock(mEventsMutex);
  mEvents.push_back({kind, idx, value});
}

std::vector<TestPlug::Event> TestPlug::TakeEvents()
{
  std::lock_guard<std::mutex> lock(mEventsMutex);
  std::vector<Event> out;
  out.swap(mEvents);
  return out;
}

std::string TestPlug::TakeEventKinds()
{
  std::string s;
  for (const Event& e : TakeEvents()) s.push_back(e.mKind);
  return s;
}
