#pragma once

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/IEffectBase.h"

// An editor that records what the plug-in core tells it.
class RecordingEditor : public IEditorHooks
{
public:
  struct Call
  {
    int idx;
    double value;
    bool normalized;
  };

  explicit RecordingEditor(bool* deleted = nullptr) : mDeleted(deleted) {}
  ~RecordingEditor() override
  {
    if (mDeleted) *mDeleted = true;
  }
  void SetParameterFromPlug(int idx, double value, bool normalized) override
  {
    calls.push_back({idx, value, normalized});
  }
  void PrepDraw() override { prepDrawCalls++; }

  std::vector<Call> calls;
  int prepDrawCalls = 0;

private:
  bool* mDeleted;
};

// A small concrete plug-in over IEffectBase with three parameters:
//   0 "Gain"  Double -18..18 step 0.01, default 1.5
//   1 "Switch" Bool, default on
//   2 "Floor" Double -60..-20 step 0.5, default -40
// It records host notifications and, in kAccumulate mode, processes with state that
// carries across blocks (out = in + previous out * 0.5) and notes the largest block.
class TestPlug : public IEffectBase
{
public:
  enum Mode
  {
    kBase,        // the base pass-through copy
    kAccumulate,  // stateful processing
  };

  struct Options
  {
    const char* ioSpec = "1-1 2-2";
    int nPresets = 1;
    int latency = 0;
    bool doesChunks = false;
    int uniqueID = 0x54657374;  // 'Test'
    int nParams = 3;
  };

  explicit TestPlug(const Options& options);
  TestPlug() : TestPlug(Options()) {}

  void BeginInformHostOfParamChange(int idx) override {}
  void InformHostOfParamChange(int idx, double normalizedValue) override
  {
    informed.push_back({idx, normalizedValue});
    if (probeLock && !MutexIsFree()) informedUnderLock++;
  }
  // True when another thread can take the mutex (so no thread holds it).
  bool MutexIsFree()
  {
    bool free = false;
    std::thread([&] {
      free = mMutex.TryLock();
      if (free) mMutex.Unlock();
    }).join();
    return free;
  }
  void EndInformHostOfParamChange(int idx) override {}
  void InformHostOfProgramChange() override { programChanges++; }
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return tempo; }
  void GetTimeSig(int* pNum, int* pDenom) override {}
  void GetTime(ITimeInfo* pTimeInfo) override {}
  void ResizeGraphics(int w, int h) override {}
  bool SendMidiMsg(IMidiMsg* pMsg) override
  {
    sentMidi++;
    return midiResult;
  }

  void OnParamChange(int idx) override
  {
    IEffectBase::OnParamChange(idx);
    paramChanges.push_back(idx);
  }
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;

  // Lets tests reach the delay line the host adapter would create.
  void CreateDelay(int latency)
  {
    delete mDelay;
    mDelay = new NChanDelay(NInChannels(), NOutChannels(), latency);
    mLatency = latency;
  }
  void SetCurrentPresetIdx(int idx) { mCurrentPresetIdx = idx; }
  IPreset* GetPreset(int idx) { return mPresets.Get(idx); }
  int NChannelIO() const { return mChannelIO.GetSize(); }
  const ChannelIO* GetChannelIO(int idx) const { return mChannelIO.Get(idx); }
  double* InData(int ch) { return mInData.Get()[ch]; }
  double* OutData(int ch) { return mOutData.Get()[ch]; }
  double* InScratch(int ch) { return mInChannels.Get(ch)->mScratchBuf.Get(); }
  double* OutScratch(int ch) { return mOutChannels.Get(ch)->mScratchBuf.Get(); }

  Mode mode = kBase;
  double tempo = 120.0;
  bool midiResult = true;
  int sentMidi = 0;
  int programChanges = 0;
  int maxFrames = 0;
  int processCalls = 0;
  std::vector<std::pair<int, double>> informed;
  bool probeLock = false;
  int informedUnderLock = 0;
  std::vector<int> paramChanges;
  double memory[8] = {};
};

// Reads a whole file into bytes; empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const char* path);
// Writes bytes to a file; false on failure.
bool WriteFileBytes(const char* path, const std::vector<unsigned char>& bytes);
// A file name in the test's temporary folder.
std::string TempPath(const char* name);
