#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "framework/IEffectBase.h"

// A small plug-in with one parameter of each kind, recording what it tells the host.
class TestPlug : public IEffectBase
{
public:
  enum EParams
  {
    kGain = 0,    // Double -12..12 dB, step 0.1
    kBypass,      // Bool with "off"/"on"
    kSteps,       // Int 0..10
    kMode,        // Enum "Low", "Mid", "High"
    kLink,        // Int 0..1 without texts
    kNumParams
  };

  // One host notification: 'B' begin edit, 'P' perform edit, 'E' end edit, 'M' context menu.
  struct Event
  {
    char mKind;
    int mIdx;
    double mValue;
  };

  explicit TestPlug(EAPI api = kAPIVST3);

  void BeginInformHostOfParamChange(int idx) override { Record('B', idx, 0.0); }
  void InformHostOfParamChange(int idx, double normalizedValue) override { Record('P', idx, normalizedValue); }
  void EndInformHostOfParamChange(int idx) override { Record('E', idx, 0.0); }
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int* num, int* denom) override
  {
    if (num) *num = 4;
    if (denom) *denom = 4;
  }
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int w, int h) override
  {
    mResizedW = w;
    mResizedH = h;
  }
  bool SendMidiMsg(IMidiMsg*) override { return true; }
  void PopupHostContextMenuForParam(int idx, int x, int y) override { Record('M', idx, x * 10000.0 + y); }
  void OnParamChange(int idx) override { ++mParamChanges; }

  std::vector<Event> TakeEvents();
  // The kinds of the recorded events as a string ("BPPE"), then cleared.
  std::string TakeEventKinds();

  int mResizedW = 0, mResizedH = 0;
  int mParamChanges = 0;

private:
  void Record(char kind, int idx, double value);
  std::mutex mEventsMutex;
  std::vector<Event> mEvents;
};
