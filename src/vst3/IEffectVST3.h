#pragma once

#include "vst3/sdk/SingleComponentEffect.h"  // first: renames the controller's state pair

#include "framework/IEffectBase.h"
#include "framework/IEffectInstanceInfo.h"
#include "vst3/IEditorSnapshot.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

class IEffectVST3View;

// Presents the plug-in base to a VST 3 host as one single-component effect: the same
// reference-counted object is the audio processor, the edit controller with units and
// the plug-in base. The effect derives from this class.
//
// Host-visible parameters: "Preset" (ID kPresetParamID, when there are presets),
// "Bypass" (ID kBypassParamID, unless the plug-in is an instrument), then one parameter
// per IParam with the parameter's index as its ID.
//
// State: the controller's getState/setState (getEditorState/setEditorState here) carry
// the base's state chunk followed by a 32-bit bypass flag in machine byte order. The
// component's getState/setState and setComponentState answer kNotImplemented.
//
// Editor: createView("editor") gives an IEffectVST3View that opens the attached editor
// (an IGraphics) in the host's window. Tools can also query IEditorSnapshot to draw the
// editor into a PNG without a window.
//
// Threads: process runs on the host's audio thread and holds the base's mutex for the
// whole block; everything else runs on the host's UI/main thread. State transfer,
// setupProcessing and the controller's parameter reads and writes take the same mutex,
// so they never interleave with a block.
class IEffectVST3 : public IEffectBase, public Steinberg::Vst::SingleComponentEffect
{
public:
  // "bpas" and "prst" read as big-endian 32-bit numbers.
  static constexpr Steinberg::Vst::ParamID kBypassParamID = 0x62706173;
  static constexpr Steinberg::Vst::ParamID kPresetParamID = 0x70727374;

  // scChans: channels of the optional side-chain input bus (0: none). The remaining
  // arguments are those of IEffectBase, with the VST 3 interface as its API.
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
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;

  //--- IAudioProcessor
  Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                   Steinberg::int32 numIns,
                                                   Steinberg::Vst::SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) override;
  // kResultFalse (nothing changed) for a sample size other than 32 or 64 bits, a block
  // size below 1, a sample rate that is not a positive number, or scratch buffers that
  // cannot be allocated.
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
  Steinberg::uint32 PLUGIN_API getLatencySamples() override;
  Steinberg::uint32 PLUGIN_API getTailSamples() override;
  // Audio thread. Always kResultOk. Parameter changes take the last point of each
  // queue; audio is read only through this block's non-null pointers and written only
  // to this block's non-null output pointers of active buses, for numSamples frames.
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

  //--- IEditController
  Steinberg::tresult PLUGIN_API getEditorState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setEditorState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                 Steinberg::Vst::ParameterInfo& info) override;
  Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID tag,
                                                   Steinberg::Vst::ParamValue value) override;
  Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID tag) override;
  Steinberg::Vst::ParamValue PLUGIN_API plainParamToNormalized(
      Steinberg::Vst::ParamID tag, Steinberg::Vst::ParamValue plainValue) override;
  Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID tag,
                                                      Steinberg::Vst::ParamValue valueNormalized,
                                                      Steinberg::Vst::String128 string) override;
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

  //--- IEffectBase hooks
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;
  void InformHostOfProgramChange() override {}
  bool IsRenderingOffline() override;
  int GetSamplePos() override;
  double GetTempo() override;
  void GetTimeSig(int* pNum, int* pDenom) override;
  void GetTime(ITimeInfo* pTimeInfo) override;
  void ResizeGraphics(int w, int h) override;
  void PopupHostContextMenuForParam(int paramIdx, int x, int y) override;
  // Stores the latency (resizing the pass-through delay line) and tells the host, when
  // it has installed a component handler.
  void SetLatency(int samples) override;
  bool SendMidiMsg(IMidiMsg* pMsg) override { return false; }

  //--- Editor views (UI thread)
  void addDependentView(IEffectVST3View* view);
  // Empties the view list (it holds the one open editor view).
  void removeDependentView(IEffectVST3View* view);
  int NViews() const { return mViews.GetSize(); }
  // View i in creation order, or null.
  IEffectVST3View* GetView(int i) const
  {
    return (i >= 0 && i < mViews.GetSize()) ? mViews.Get()[i] : nullptr;
  }

  // The SDK base's interfaces, and IEditorSnapshot.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  // IEditorSnapshot::saveEditorSnapshot (UI thread).
  Steinberg::tresult SaveEditorSnapshot(const char* pngPath);

  // The last setup accepted by setupProcessing (all zero before).
  const Steinberg::Vst::ProcessSetup& GetProcessSetup() const { return processSetup; }

  OBJ_METHODS(IEffectVST3, SingleComponentEffect)
  REFCOUNT_METHODS(SingleComponentEffect)

private:
  // IEditorSnapshot as a part of this object: its references are the adapter's.
  class SnapshotPort : public IEditorSnapshot
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

  private:
    IEffectVST3* mOwner;
  };

  void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
  void ProcessInputEvents(Steinberg::Vst::IEventList* events);
  // Connects the base's channels to this block's buffers (T: float or double) and
  // attaches them.
  template <class T>
  void AttachBlock(Steinberg::Vst::ProcessData& data, Core_TypedBuf<T*>& inPtrs,
                   Core_TypedBuf<T*>& outPtrs);
  // Zeroes this block's non-null output pointers (when the block's buffers cannot be
  // processed).
  void SilenceOutputs(Steinberg::Vst::ProcessData& data);
  // Marks input channel i connected or not; a channel that stops being connected gets
  // a zeroed scratch buffer, so it never reads old audio.
  void ConnectInput(int i, bool connected);
  Steinberg::Vst::UnitID UnitForGroup(const char* group);

  int mScChans;
  bool mSideChainIsConnected = false;
  Core_TypedBuf<IEffectVST3View*> mViews;  // not owned
  Core_PtrList<Core_String> mParamGroups;
  Steinberg::Vst::ProcessContext mProcessContext;
  // Per-block lists of connected channel buffers, sized at construction.
  Core_TypedBuf<float*> mInPtrs32, mOutPtrs32;
  Core_TypedBuf<double*> mInPtrs64, mOutPtrs64;
  SnapshotPort mSnapshotPort{this};
};
