#pragma once

#include "vst3/sdk/SingleComponentEffect.h"  // first: renames the controller's state pair

#include "framework/IEffectBase.h"
#include "framework/IEffectInstanceInfo.h"
#include "vst3/IEditorSnapshot.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

class IEffectVST3View;

// Presents the plug-in base to a VST 3 host as one single-component effect: the same
// reference-counted object is the audio processor, the edit controller with units and
// the plug-in base. The effect derives from this class.
//
// Host-visible parameters: "Preset" (ID kPresetParamID, a program-change list, only when
// there is more than one preset), "Bypass" (ID kBypassParamID, unless the plug-in is an
// instrument), then one parameter per IParam with the parameter's index as its ID. Texts
// go both ways through IParam (GetDisplayForHost / FromDisplayText) for every parameter.
//
// State: the component's and the controller's getState/setState (the latter named
// getEditorState/setEditorState here) carry the same stream: the base's state chunk
// followed by a 32-bit bypass flag in machine byte order. Restoring either, or both, gives
// the same result. A stream is read whole before anything changes.
//
// Processing: parameter changes apply at their sample offsets (the block is split there).
// Values the plug-in changes by itself (the channel link, a preset) reach the host as
// output parameter changes, or, without those, as a parameter-values restart from the UI
// thread. The host's bypass passes the input through delayed by the latency, with a short
// crossfade (IEffectBase::SetBypassed).
//
// Editor: createView("editor") gives an IEffectVST3View that opens the attached editor
// (an IGraphics) in the host's window. Tools can also query IEditorSnapshot to draw the
// editor into a PNG without a window.
//
// Threads: process runs on the host's audio thread and holds the base's mutex for the
// whole block; everything else runs on the host's UI/main thread. State transfer,
// setupProcessing and the controller's parameter reads and writes take the same mutex,
// so they never interleave with a block. The host is never called while the mutex is
// held, and never from the audio thread except through the block's own output
// parameter changes: restarts (latency, parameter values) wait for the next UI-thread
// entry (FlushHostNotifications).
//
// Failures: no exception leaves a host entry point. Running out of memory answers
// kOutOfMemory (null from the factory), anything else kInternalError.
class IEffectVST3 : public IEffectBase, public Steinberg::Vst::SingleComponentEffect
{
public:
  // "bpas" and "prst" read as big-endian 32-bit numbers.
  static constexpr Steinberg::Vst::ParamID kBypassParamID = 0x62706173;
  static constexpr Steinberg::Vst::ParamID kPresetParamID = 0x70727374;

  // scChans: channels of the optional side-chain input bus (0: none). The remaining
  // arguments are those of IEffectBase, with the VST 3 interface as its API. Throws
  // std::bad_alloc when out of memory (see IEffectBase).
  IEffectVST3(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
              int nPresets, const char* effectName, const char* productName,
              const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency,
              bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst, int scChans);
  ~IEffectVST3() override;

  // The speaker arrangement for a channel count (1..6), 0 for any other count.
  static Steinberg::Vst::SpeakerArrangement GetSpeakerArrForChans(int nChans);

  //--- IPluginBase
  // Identifies the host, builds buses and parameters, restores preset 0.
  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
  Steinberg::tresult PLUGIN_API terminate() override;

  //--- IComponent
  // Activation ends any bypass crossfade; blocks processed while inactive are silent.
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;

  //--- IAudioProcessor
  // Accepts exactly the mono or stereo arrangements that the channel I/O list allows for
  // the main buses; the buses keep their names and activation.
  Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                   Steinberg::int32 numIns,
                                                   Steinberg::Vst::SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) override;
  // kResultFalse (nothing changed) for a sample size other than 32 or 64 bits, a block
  // size below 1, a sample rate that is not a positive number, or scratch buffers that
  // cannot be allocated. The host's bypass is kept.
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
  Steinberg::uint32 PLUGIN_API getLatencySamples() override;
  Steinberg::uint32 PLUGIN_API getTailSamples() override;
  // Audio thread. Parameter changes apply at their sample offsets; audio is read only
  // through this block's non-null pointers and written only to this block's non-null
  // output pointers, for numSamples frames. Before setupProcessing, while inactive, or
  // with buffers of another sample size, every output channel of the block is silenced.
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

  //--- IEditController
  Steinberg::tresult PLUGIN_API getEditorState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setEditorState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                 Steinberg::Vst::ParameterInfo& info) override;
  // Effect parameters and the bypass; NaN and unknown IDs answer kResultFalse.
  Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID tag,
                                                   Steinberg::Vst::ParamValue value) override;
  Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID tag) override;
  // Both conversions limit to the range and never answer NaN; unknown IDs answer 0.
  Steinberg::Vst::ParamValue PLUGIN_API normalizedParamToPlain(
      Steinberg::Vst::ParamID tag, Steinberg::Vst::ParamValue valueNormalized) override;
  Steinberg::Vst::ParamValue PLUGIN_API plainParamToNormalized(
      Steinberg::Vst::ParamID tag, Steinberg::Vst::ParamValue plainValue) override;
  Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID tag,
                                                      Steinberg::Vst::ParamValue valueNormalized,
                                                      Steinberg::Vst::String128 string) override;
  // Reads what getParamStringByValue writes (IParam::FromDisplayText; preset names or
  // numbers for "Preset"). kResultFalse, value untouched, for anything that is not a value.
  Steinberg::tresult PLUGIN_API getParamValueByString(
      Steinberg::Vst::ParamID tag, Steinberg::Vst::TChar* string,
      Steinberg::Vst::ParamValue& valueNormalized) override;
  // A new editor view for name "editor" (exactly), null for any other name. The host owns
  // the returned reference; the view references this object until it is destroyed.
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

  //--- IUnitInfo
  Steinberg::int32 PLUGIN_API getUnitCount() override;
  Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                            Steinberg::Vst::UnitInfo& info) override;
  // One program list ("Preset") when the "Preset" parameter is exported, else none.
  Steinberg::int32 PLUGIN_API getProgramListCount() override;
  Steinberg::tresult PLUGIN_API getProgramListInfo(Steinberg::int32 listIndex,
                                                   Steinberg::Vst::ProgramListInfo& info) override;
  Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                               Steinberg::int32 programIndex,
                                               Steinberg::Vst::String128 name) override;
  Steinberg::tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                               Steinberg::int32 programIndex,
                                               Steinberg::Vst::CString attributeId,
                                               Steinberg::Vst::String128 attributeValue) override;
  Steinberg::tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                                     Steinberg::int32 programIndex) override;
  Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                    Steinberg::int32 programIndex,
                                                    Steinberg::int16 midiPitch,
                                                    Steinberg::Vst::String128 name) override;
  Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override;
  Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
  Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                             Steinberg::Vst::BusDirection dir,
                                             Steinberg::int32 busIndex, Steinberg::int32 channel,
                                             Steinberg::Vst::UnitID& unitId) override;
  Steinberg::tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                                   Steinberg::int32 programIndex,
                                                   Steinberg::IBStream* data) override;

  //--- IProcessContextRequirements: the transport fields the effect reads (none by
  // default); effects that use GetTime or GetTempo override this.
  virtual Steinberg::uint32 GetProcessContextRequirements() { return 0; }

  //--- IEffectBase hooks
  // The editor's gestures. An end without a matching begin (a right click taken by the
  // host's menu, a release over another control) is not sent.
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;
  // Sets the parameter as the base does, then delivers what the change made due (UI thread).
  void SetParameterFromGUI(int idx, double normalizedValue) override;
  void InformHostOfProgramChange() override {}
  bool IsRenderingOffline() override;
  int GetSamplePos() override;
  double GetTempo() override;
  void GetTimeSig(int* pNum, int* pDenom) override;
  void GetTime(ITimeInfo* pTimeInfo) override;
  void ResizeGraphics(int w, int h) override;
  // The host's menu for the parameter (IComponentHandler3), with the plug-in's "Enter value…" and
  // "Reset to default" added (IEffectVST3ParamMenu).
  void PopupHostContextMenuForParam(int paramIdx, int x, int y) override;
  // The open editor's tick: FlushHostNotifications without waiting for the mutex.
  void OnEditorTick() override;
  // Any thread: stores the latency (the pass-through delay line follows it) and marks
  // the host's restart due; FlushHostNotifications delivers it from the UI thread.
  void SetLatency(int samples) override;
  bool SendMidiMsg(IMidiMsg* pMsg) override { return false; }

  // UI thread, with the mutex not held by the caller: tells the host what became due
  // since the last call - a latency change, and parameter values the plug-in changed by
  // itself that no block could report - with one restartComponent. Called at the end of
  // the adapter's UI-thread entry points that change values (setParamNormalized, which
  // hosts also call while they play automation, state restore, editor gestures), and at
  // the open editor's ticks, which do not wait for the mutex (waitForLock false: a block in
  // progress leaves it to the next tick).
  void FlushHostNotifications(bool waitForLock = true);

  //--- Editor views (UI thread)
  void addDependentView(IEffectVST3View* view);
  // Removes that view from the list (other views stay).
  void removeDependentView(IEffectVST3View* view);
  int NViews() const { return mViews.GetSize(); }
  // View i in creation order, or null.
  IEffectVST3View* GetView(int i) const
  {
    return (i >= 0 && i < mViews.GetSize()) ? mViews.Get()[i] : nullptr;
  }

  // The SDK base's interfaces, IEditorSnapshot and IProcessContextRequirements.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  // IEditorSnapshot::saveEditorSnapshot (UI thread).
  Steinberg::tresult SaveEditorSnapshot(const char* pngPath);
  // IEditorSnapshot2::saveEditorSnapshotAtScale (UI thread).
  Steinberg::tresult SaveEditorSnapshotAtScale(const char* pngPath, Steinberg::int32 percent);

  // The last setup accepted by setupProcessing (all zero before).
  const Steinberg::Vst::ProcessSetup& GetProcessSetup() const { return processSetup; }
  // True when the "Preset" parameter and program list are exported (more than one preset).
  bool ExportsPresets() const { return NPresets() > 1; }

  OBJ_METHODS(IEffectVST3, SingleComponentEffect)
  REFCOUNT_METHODS(SingleComponentEffect)

private:
  // IEditorSnapshot as a part of this object: its references are the adapter's.
  class SnapshotPort : public IEditorSnapshot2
  {
  public:
    explicit SnapshotPort(IEffectVST3* owner) : mOwner(owner) {}
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
      return mOwner->queryInterface(iid, obj);
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return mOwner->addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return mOwner->release(); }
    Steinberg::tresult PLUGIN_API saveEditorSnapshot(const char* pngPath) override
    {
      return mOwner->SaveEditorSnapshot(pngPath);
    }
    Steinberg::tresult PLUGIN_API saveEditorSnapshotAtScale(const char* pngPath, Steinberg::int32 percent) override
    {
      return mOwner->SaveEditorSnapshotAtScale(pngPath, percent);
    }

  private:
    IEffectVST3* mOwner;
  };

  // IProcessContextRequirements as a part of this object.
  class ContextRequirementsPort : public Steinberg::Vst::IProcessContextRequirements
  {
  public:
    explicit ContextRequirementsPort(IEffectVST3* owner) : mOwner(owner) {}
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
      return mOwner->queryInterface(iid, obj);
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return mOwner->addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return mOwner->release(); }
    Steinberg::uint32 PLUGIN_API getProcessContextRequirements() override
    {
      return mOwner->GetProcessContextRequirements();
    }

  private:
    IEffectVST3* mOwner;
  };

  // Where one parameter queue of the current block stands.
  struct QueueCursor
  {
    Steinberg::Vst::IParamValueQueue* queue;
    Steinberg::Vst::ParamID id;
    Steinberg::int32 count, next;
    Steinberg::int32 offset;          // of point `next`
    Steinberg::Vst::ParamValue value; // of point `next`
  };

  // The whole stream: the state chunk, then the bypass flag.
  Steinberg::tresult WriteState(Steinberg::IBStream* stream);
  Steinberg::tresult ReadState(Steinberg::IBStream* stream);

  // One host value for an ID (audio thread, under the mutex).
  void ApplyParameterValue(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value);
  // The host's bypass (under the mutex). Before the first block after set-up or
  // activation nothing has sounded yet, so there is nothing to fade from.
  void SetHostBypass(bool bypassed);
  // Collects the block's queues; points past the block's end count as its last frame.
  void BeginParameterChanges(Steinberg::Vst::IParameterChanges* changes, int nFrames);
  // Applies every point at or before frame pos; returns the next frame where a point
  // waits (nFrames when none).
  int ApplyParameterChangesUpTo(int pos, int nFrames);
  // Reports parameters whose values the host does not know yet as points at offset.
  void ReportPlugChanges(Steinberg::Vst::IParameterChanges* out, Steinberg::int32 offset);
  // The host now knows every parameter's current value (under the mutex).
  void MarkAllKnown();

  void ProcessInputEvents(Steinberg::Vst::IEventList* events);
  // Connects the base's channels to this block's buffers (T: float or double) and
  // attaches them.
  template <class T>
  void AttachBlock(Steinberg::Vst::ProcessData& data, Core_TypedBuf<T*>& inPtrs,
                   Core_TypedBuf<T*>& outPtrs);
  // Zeroes every output channel of the block (when its buffers cannot be processed).
  void SilenceOutputs(Steinberg::Vst::ProcessData& data);
  // Marks input channel i connected or not; a channel that stops being connected gets
  // a zeroed scratch buffer, so it never reads old audio.
  void ConnectInput(int i, bool connected);
  Steinberg::Vst::UnitID UnitForGroup(const char* group);
  // The preset a normalised "Preset" value selects (index clamped to the presets).
  int PresetForNormalized(double value) const;
  double NormalizedForPreset(int idx) const;

  int mScChans;
  bool mSideChainIsConnected = false;
  bool mActive = false;        // setActive
  bool mSetUp = false;         // setupProcessing accepted
  bool mFreshStart = true;     // no block processed since set-up or activation
  bool mLatencyChanged = false; // a restart is due (under the mutex)
  Core_TypedBuf<IEffectVST3View*> mViews;  // not owned
  Core_PtrList<Core_String> mParamGroups;
  Steinberg::Vst::ProcessContext mProcessContext;
  // Per-block lists of connected channel buffers, sized at construction.
  Core_TypedBuf<float*> mInPtrs32, mOutPtrs32;
  Core_TypedBuf<double*> mInPtrs64, mOutPtrs64;
  // The normalised value the host last sent or was told, per parameter.
  Core_TypedBuf<double> mHostKnown;
  // Open editor gestures per parameter (UI thread).
  Core_TypedBuf<int> mOpenGestures;
  // The current block's queues (audio thread); queues beyond the capacity apply their
  // last point at the block's start.
  Core_TypedBuf<QueueCursor> mCursors;
  int mNCursors = 0;
  // The host's bypass as a parameter: texts "Off" and "On".
  IParam mBypassParam;
  SnapshotPort mSnapshotPort{this};
  ContextRequirementsPort mContextPort{this};
};
