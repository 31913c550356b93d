#pragma once

#include "core/Core_Mutex.h"
#include "core/Core_PtrList.h"
#include "core/Core_String.h"
#include "core/Core_TypedBuf.h"
#include "framework/ByteChunk.h"
#include "framework/EAPI.h"
#include "framework/EHost.h"
#include "framework/IEditorHooks.h"
#include "framework/IMidiMsg.h"
#include "framework/IParam.h"
#include "framework/IPreset.h"
#include "framework/ISysEx.h"
#include "framework/ITimeInfo.h"
#include "framework/NChanDelay.h"

// The host-independent core of one plug-in instance: parameters, presets, channel
// records with their scratch buffers, the instance mutex, the effect's identity and
// the attached editor. A host adapter derives from it and implements the pure
// virtual operations; the effect derives from the adapter and overrides Reset,
// OnParamChange and ProcessDoubleReplacing.
//
// Threads: the adapter calls the channel and buffer operations and ProcessBuffers
// from the audio thread while holding the mutex; the editor calls
// SetParameterFromGUI from the UI thread, which takes the same (recursive) mutex, so
// parameter changes never interleave with a block. Preset operations take no lock
// of their own beyond what SerializeParams / UnserializeParams take; the file loaders
// hold the mutex while they set parameters. The host is never called while this
// object holds the mutex on the caller's behalf (InformHostOfParamChange runs after it
// is released), so a host that synchronises with its audio thread cannot deadlock.
//
// Memory: construction is all or nothing. When an allocation fails while the instance
// is built, everything built so far is freed and std::bad_alloc leaves the constructor;
// the module entry points turn it into an error for the host. Once built, every
// parameter, preset and channel record exists, and later failures (scratch buffers,
// preset slots) are reported by return values.
class IEffectBase
{
public:
  // One entry of the channel I/O list: a legal pair of channel counts.
  struct ChannelIO
  {
    int mIn, mOut;
    ChannelIO(int nIn, int nOut) : mIn(nIn), mOut(nOut) {}
  };

  // One input channel. mSrc is the channel's slot in the input data array handed to
  // ProcessDoubleReplacing; a disconnected channel reads its scratch buffer.
  struct InChannel
  {
    bool mConnected = false;
    double** mSrc = nullptr;            // slot in the input data array
    const double* mHostSrc = nullptr;   // attached double-precision host buffer
    const float* mHostFSrc = nullptr;   // attached single-precision host buffer
    Core_TypedBuf<double> mScratchBuf;  // block-size samples
    Core_String mLabel;
  };

  // One output channel. A disconnected channel writes its scratch buffer, whose
  // contents are discarded.
  struct OutChannel
  {
    bool mConnected = false;
    double** mDest = nullptr;           // slot in the output data array
    double* mHostDest = nullptr;        // attached double-precision host buffer
    float* mFDest = nullptr;            // attached single-precision host buffer
    Core_TypedBuf<double> mScratchBuf;  // block-size samples
    Core_String mLabel;
  };

  // ioSpec: space-separated "in-out" tokens, for example "1-1 2-2"; null gives no
  // channels. version: (major << 16) + (minor << 8) + revision. Names are cut to
  // 127 characters.
  IEffectBase(int nParams, const char* ioSpec, int nPresets, const char* effectName,
              const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
              int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
              EAPI plugAPI);
  virtual ~IEffectBase();

  IEffectBase(const IEffectBase&) = delete;
  IEffectBase& operator=(const IEffectBase&) = delete;

  // ---- Virtual hooks (base behaviour in the comments) ----

  // Locks and unlocks the mutex. The effect clears its processing state here.
  virtual void Reset();
  // Locks and unlocks the mutex. The effect reacts to parameter idx here.
  virtual void OnParamChange(int paramIdx);
  // Processes nFrames frames, at most the block size (longer blocks arrive in
  // slices). Base: copies input i to output i, zeros outputs without an input.
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  virtual void OnGUIOpen() {}
  virtual void OnGUIClose() {}
  virtual void OnIdle() {}
  // UI thread, at every repaint tick of an open editor (about 25 a second), with the mutex
  // not held: a moment for the host adapter to deliver what it had to defer from other
  // threads (a latency change, values the plug-in changed by itself). Base: nothing.
  virtual void OnEditorTick() {}
  // Locks and unlocks the mutex.
  virtual void OnActivate(bool active);
  // Incoming MIDI passes through (SendMidiMsg).
  virtual void ProcessMidiMsg(IMidiMsg* msg);
  virtual void ProcessSysEx(ISysEx* /*msg*/) {}
  // Writes "" and returns false.
  virtual bool MidiNoteName(int noteNumber, char* text);
  // The state format: SerializeParams / UnserializeParams.
  virtual bool SerializeState(ByteChunk* chunk);
  virtual int UnserializeState(ByteChunk* chunk, int startPos);
  // True when the doubles of state from double number startIdx on match every
  // parameter's value in single precision (difference below 1e-5). state must hold
  // startIdx + NParams() doubles.
  virtual bool CompareState(const unsigned char* state, int startIdx);
  virtual void OnWindowResize() {}
  virtual bool HostRequestingAboutBox() { return false; }
  virtual void OnHostIdentified() {}
  virtual void PopupHostContextMenuForParam(int /*paramIdx*/, int /*x*/, int /*y*/) {}
  // UI thread: the editor changed parameter idx to a normalised value. Under the
  // mutex: sets the parameter and calls OnParamChange; then, with the mutex released,
  // tells the host (InformHostOfParamChange). Ignored for an index outside the
  // parameter list.
  virtual void SetParameterFromGUI(int idx, double normalizedValue);
  virtual void BeginInformHostOfParamChange(int idx) = 0;
  virtual void InformHostOfParamChange(int idx, double normalizedValue) = 0;
  virtual void EndInformHostOfParamChange(int idx) = 0;
  virtual void InformHostOfProgramChange() = 0;
  virtual bool IsRenderingOffline() { return false; }
  virtual int GetSamplePos() = 0;  // samples since the start of the project
  virtual double GetTempo() = 0;   // beats per minute
  virtual void GetTimeSig(int* pNum, int* pDenom) = 0;
  virtual void GetTime(ITimeInfo* pTimeInfo) = 0;
  virtual EHost GetHost() { return mHost; }
  virtual EAPI GetAPI() { return mAPI; }
  virtual void ResizeGraphics(int w, int h) = 0;
  virtual void HostSpecificInit() {}
  // Takes ownership of the editor (null is ignored): under the mutex pushes every
  // parameter's normalised value to it, calls PrepDraw and stores it. A previously
  // attached, different editor is deleted.
  virtual void AttachGraphics(IEditorHooks* pGraphics);
  // Stores the latency in frames and gives the pass-through delay line that length.
  // Within the reserved length (ReserveLatency) the line keeps its history and nothing
  // is allocated, so this may run on the audio thread under the mutex; beyond it the
  // line grows and is cleared (set-up time only).
  virtual void SetLatency(int samples);
  virtual bool SendMidiMsg(IMidiMsg* pMsg) = 0;
  virtual bool SendSysEx(ISysEx* /*pSysEx*/) { return false; }
  // With an editor: pushes every parameter's plain value to it.
  virtual void RedrawParamControls();
  virtual void DirtyPTCompareState() {}
  virtual void PresetsChangedByHost() {}
  // Set-up time (allocates): resizes and clears every scratch buffer when blockSize
  // differs from the stored size.
  virtual void SetBlockSize(int blockSize);

  // ---- Identity, parameters, settings ----

  IParam* GetParam(int idx) { return mParams.Get(idx); }
  int NParams() const { return mParams.GetSize(); }
  int NPresets() const { return mPresets.GetSize(); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  int NInChannels() const { return mInChannels.GetSize(); }
  int NOutChannels() const { return mOutChannels.GetSize(); }
  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }
  // Frames the output keeps sounding after the input falls silent (set-up time).
  void SetTailSize(int samples) { mTailSize = samples > 0 ? samples : 0; }
  // Set-up time: lets the pass-through delay line reach maxSamples without allocating.
  // False when out of memory.
  bool ReserveLatency(int maxSamples);

  // The host's bypass. While bypassed, RunBuffers passes the input through, delayed by
  // the latency so that it lines up with the processed sound, and the effect does not
  // run. Switching crossfades linearly over kBypassFadeSeconds between the processed
  // output and the delayed input, with the effect running during the fade. Under the
  // mutex (or before processing starts).
  bool GetBypassed() const { return mIsBypassed; }
  void SetBypassed(bool bypassed) { mIsBypassed = bypassed; }
  // Ends a crossfade at once: from the next block the output is wholly processed or
  // wholly passed through. For set-up and activation, when nothing is playing.
  void SnapBypass();
  // True while the output is a mix of processed and passed-through sound.
  bool IsBypassFading() const;
  static constexpr double kBypassFadeSeconds = 0.005;
  IEditorHooks* GetGUI() { return mGraphics; }
  Core_Mutex* GetMutex() { return &mMutex; }
  NChanDelay* GetDelay() { return mDelay; }

  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMfrName() const { return mMfrName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  bool DoesMIDI() const { return mDoesMIDI; }
  bool DoesStateChunks() const { return mStateChunks; }
  bool IsInst() const { return mIsInst; }

  // The packed version, or major * 10000 + minor * 100 + revision when decimal.
  int GetEffectVersion(bool decimal) const;
  // "v%d.%d.%d"; out holds at least 32 bytes.
  void GetEffectVersionStr(char* out) const;
  // The same for the host's version (GetHost() is called first).
  int GetHostVersion(bool decimal);
  void GetHostVersionStr(char* out);
  // "VST2", "VST3", "AU", "RTAS", "AAX", "Standalone", "LV2", or "" for other values.
  const char* GetAPIString();
  const char* GetArchString() const { return "x64"; }
  // Sample rate * 60 / tempo, or 0 when the tempo is not above 0.
  double GetSamplesPerBeat();

  // Identifies the host from its self-reported name; version packed like the effect's.
  void SetHost(const char* host, int version);

  // ---- Channels and buffers ----

  // True when some channel I/O entry accepts the counts; a negative count matches
  // any entry.
  bool LegalIO(int nIn, int nOut);
  void LimitToStereoIO();
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);
  bool IsInChannelConnected(int chIdx) const;
  bool IsOutChannelConnected(int chIdx) const;
  void SetInputLabel(int idx, const char* label);
  void SetOutputLabel(int idx, const char* label);
  const char* GetInputLabel(int idx) const;
  const char* GetOutputLabel(int idx) const;
  // Input bus labels exist for buses 0 and 1 only; output bus labels for any idx >= 0.
  void SetInputBusLabel(int idx, const char* label);
  void SetOutputBusLabel(int idx, const char* label);
  int NInputBusLabels() const { return mInputBusLabels.GetSize(); }
  int NOutputBusLabels() const { return mOutputBusLabels.GetSize(); }
  Core_String* GetInputBusLabel(int idx) { return mInputBusLabels.Get(idx); }
  Core_String* GetOutputBusLabel(int idx) { return mOutputBusLabels.Get(idx); }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }

  // Audio thread, under the mutex. pp lists one buffer per connected channel of the
  // range idx .. idx + n - 1, in order; the buffers hold nFrames samples and stay
  // valid until the block has been processed. Double buffers are used in place;
  // single-precision ones are converted through the scratch buffers, a block-size
  // slice at a time.
  void AttachInputBuffers(int idx, int n, double** ppData, int nFrames);
  void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
  void AttachOutputBuffers(int idx, int n, double** ppData);
  void AttachOutputBuffers(int idx, int n, float** ppData);

  // Runs the effect over nFrames frames of the attached buffers. Blocks longer than
  // the block size are processed in slices of at most the block size, so no scratch
  // buffer is ever read or written past its end. Before a block size has been set
  // (0), a block that needs a scratch buffer produces silence.
  void ProcessBuffers(double sampleType, int nFrames);
  void ProcessBuffers(float sampleType, int nFrames);
  // As the single-precision ProcessBuffers, adding into the host's buffers.
  void ProcessBuffersAccumulating(float sampleType, int nFrames);
  // Input to output, delayed by the latency when there is a delay line.
  void PassThroughBuffers(double sampleType, int nFrames);
  void PassThroughBuffers(float sampleType, int nFrames);
  // Frames offset .. offset + nFrames - 1 of the attached buffers, processed or passed
  // through as the host's bypass says (see SetBypassed), in slices of at most the block
  // size. Lets the adapter split a block where parameters change.
  void RunBuffers(double sampleType, int offset, int nFrames);
  void RunBuffers(float sampleType, int offset, int nFrames);
  // Clears every scratch buffer.
  void ZeroScratchBuffers();

  // Reports every parameter's normalised value to the host: the values are read under
  // the mutex, the host is told after it is released. UI thread.
  void DirtyParameters();
  // OnParamChange for every parameter in index order.
  void OnParamReset();
  // SendMidiMsg for each message in order; true only if every one succeeded.
  bool SendMidiMsgs(Core_TypedBuf<IMidiMsg>* pMsgs);

  // ---- State and presets ----

  // Under the mutex: appends every parameter's plain value as a double, in index
  // order. False when the chunk could not grow.
  bool SerializeParams(ByteChunk* pChunk);
  // Under the mutex: reads one double per parameter from startPos; a read past the
  // end sets that parameter to 0 (limited to its range) and ends the reading (-1); a
  // NaN or infinite value sets the parameter to its default and reading goes on. Then
  // OnParamChange for every parameter. Returns the position after the last value, or -1.
  int UnserializeParams(ByteChunk* pChunk, int startPos);
  // Clears the chunk and puts the framework version header.
  void InitChunkWithFrameworkVer(ByteChunk* pChunk);
  // Reads the version header at *pPos when there is one: the version, *pPos after
  // it (-1 and 0 when it is cut short). Without a header: 0, *pPos unchanged.
  int GetFrameworkVerFromChunk(ByteChunk* pChunk, int* pPos);
  // Bytes of the state SerializeState writes now (fixed for a given plug-in), or -1
  // when it cannot be made.
  int StateSize();

  // Preset makers fill the first empty slot (nothing happens when there is none).
  // Default name of MakeDefaultPreset is "Empty". Names are cut to 263 characters.
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  // One value per parameter in index order: int for Bool, Int and Enum parameters,
  // double otherwise.
  bool MakePreset(const char* name, ...);
  // nParamsNamed pairs (int index, value typed as for MakePreset); unnamed
  // parameters take their current values. An index outside the parameter list ends
  // the reading of arguments (its value's type is unknown).
  bool MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  bool MakePresetFromChunk(const char* name, ByteChunk* pChunk);
  // Decodes base64 text into a zero-filled state of exactly size bytes.
  bool MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  void EnsureDefaultPreset();
  void PruneUninitializedPresets();
  // Loads preset idx into the parameters; an empty slot instead takes the current
  // state under a new "user preset N" name. False for a bad index or an unreadable
  // state (the current preset index then stays).
  bool RestorePreset(int idx);
  bool RestorePreset(const char* name);
  const char* GetPresetName(int idx);
  // Stores the current state in the current preset; renames it when name is not empty.
  void ModifyCurrentPreset(const char* name = nullptr);
  bool SerializePresets(ByteChunk* pChunk);
  int UnserializePresets(ByteChunk* pChunk, int startPos);

  // Developer aids: write presets as source-code fragments. False when the file
  // cannot be written (or, for the blob dumps, there is no current preset).
  bool DumpPresetSrcCode(const char* filename, const char** paramIdNames);
  bool DumpPresetBlob(const char* filename);
  bool DumpBankBlob(const char* filename);

  // VST 2 program (.fxp) and bank (.fxb) files. Loaders reject a file that is
  // truncated or inconsistent, has the wrong magic, format version or unique ID,
  // with false and nothing changed.
  bool SaveProgramAsFXP(Core_String* pFileName);
  bool SaveBankAsFXB(Core_String* pFileName);
  bool LoadProgramFromFXP(Core_String* pFileName);
  bool LoadBankFromFXB(Core_String* pFileName);

protected:
  // The channel I/O list and the mutex come first: the rest of the instance is
  // protected by the latter.
  Core_PtrList<ChannelIO> mChannelIO;
  Core_Mutex mMutex;

  char mEffectName[128], mProductName[128], mMfrName[128];
  int mUniqueID, mMfrID, mVersion;
  EAPI mAPI;
  EHost mHost = kHostUninit;
  int mHostVersion = 0;
  bool mStateChunks, mIsInst, mDoesMIDI;
  bool mIsBypassed = false;
  int mCurrentPresetIdx = 0;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency;
  int mTailSize = 0;
  // Pass-through delay line for the latency; created by the adapter, owned here.
  NChanDelay* mDelay = nullptr;
  // Host bypass crossfade: frames into the fade from processed (0) to passed through
  // (the fade length).
  int mBypassFadePos = 0;
  IEditorHooks* mGraphics = nullptr;  // owned

  Core_PtrList<IParam> mParams;
  Core_PtrList<IPreset> mPresets;
  Core_TypedBuf<double*> mInData, mOutData;
  Core_PtrList<InChannel> mInChannels;
  Core_PtrList<OutChannel> mOutChannels;
  Core_PtrList<Core_String> mInputBusLabels, mOutputBusLabels;
  // The delayed input of the current slice, one block-size buffer per output channel,
  // for the bypass crossfade.
  Core_TypedBuf<double> mDryBuf;
  Core_TypedBuf<double*> mDryPtrs;

private:
  enum class SampleKind { Double, Float, FloatAccumulate };
  enum class Route { Process, PassThrough, HostBypass };
  void RunBlock(SampleKind kind, Route route, int offset, int nFrames);
  void RunSlice(SampleKind kind, Route route, int offset, int nFrames);
  bool NeedsScratch() const;
  void WriteSilence(SampleKind kind, int offset, int nFrames);
  void PassThroughSlice(double** inputs, double** outputs, int nFrames);
  void BypassSlice(double** inputs, double** outputs, int nFrames);
  int BypassFadeFrames() const;
  // Creates the parameters, presets, channel I/O list and channel records; throws
  // std::bad_alloc when any of them cannot be made.
  void Build(int nParams, const char* ioSpec, int nPresets);
  // Deletes every owned object (destructor, and a construction that ran out of memory).
  void FreeAll();

  IPreset* GetNextUninitializedPreset();
  bool StoreStateInPreset(IPreset* pPreset);
  bool CheckPresetsChunk(const ByteChunk* pChunk, int pos, int stateSize);
};

// Writes "user preset N" into out (at least 32 bytes), N being one more than the
// number of presets whose name contains "user preset".
void MakeDefaultUserPresetName(Core_PtrList<IPreset>* pPresets, char* out);
