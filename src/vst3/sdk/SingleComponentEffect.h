#pragma once

// One reference-counted object that is at once the audio component (IComponent,
// IAudioProcessor) and the edit controller with units (IEditController, IEditController2,
// IUnitInfo), for effects whose processor and controller share their state.
//
// IComponent and IEditController both declare getState/setState. In this object the
// controller's pair is named getEditorState/setEditorState: the controller interface and
// the SDK's controller classes are read with those two names renamed, here, before
// anything else can include them. Every translation unit that uses this class must include
// this header before any other header that includes pluginterfaces/vst/ivsteditcontroller.h.

// Headers that the controller headers pull in, read first without the renaming so that only
// the controller interface and the SDK controller classes are affected by it.
#include "base/source/fobject.h"
#include "base/source/fstring.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/common/pluginview.h"
#include "public.sdk/source/vst/vstcomponentbase.h"
#include <map>
#include <vector>

#ifdef getState
#error "getState is already defined as a macro"
#endif
#define getState getEditorState
#define setState setEditorState
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/vstparameters.h"
#include "public.sdk/source/vst/vsteditcontroller.h"
#undef getState
#undef setState

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"

namespace Steinberg {
namespace Vst {

class SingleComponentEffect : public EditControllerEx1, public IComponent, public IAudioProcessor
{
public:
	SingleComponentEffect ();
	~SingleComponentEffect () override;

	//--- IPluginBase (shared by the component and the controller halves)
	tresult PLUGIN_API initialize (FUnknown* context) SMTG_OVERRIDE;
	tresult PLUGIN_API terminate () SMTG_OVERRIDE;

	//--- IComponent
	tresult PLUGIN_API getControllerClassId (TUID classId) SMTG_OVERRIDE;
	tresult PLUGIN_API setIoMode (IoMode mode) SMTG_OVERRIDE;
	int32 PLUGIN_API getBusCount (MediaType type, BusDirection dir) SMTG_OVERRIDE;
	tresult PLUGIN_API getBusInfo (MediaType type, BusDirection dir, int32 index,
	                               BusInfo& info) SMTG_OVERRIDE;
	tresult PLUGIN_API getRoutingInfo (RoutingInfo& inInfo, RoutingInfo& outInfo) SMTG_OVERRIDE;
	tresult PLUGIN_API activateBus (MediaType type, BusDirection dir, int32 index,
	                                TBool state) SMTG_OVERRIDE;
	tresult PLUGIN_API setActive (TBool state) SMTG_OVERRIDE;
	/** The component's state: not used, the controller's state carries everything. */
	tresult PLUGIN_API setState (IBStream* state) SMTG_OVERRIDE;
	tresult PLUGIN_API getState (IBStream* state) SMTG_OVERRIDE;

	//--- IEditController (renamed pair, see the top of this file)
	tresult PLUGIN_API setEditorState (IBStream* state) SMTG_OVERRIDE;
	tresult PLUGIN_API getEditorState (IBStream* state) SMTG_OVERRIDE;
	/** Both halves are one object: there is no component state to mirror. */
	tresult PLUGIN_API setComponentState (IBStream* state) SMTG_OVERRIDE;

	//--- IAudioProcessor
	/** Accepts the arrangements when their counts match the buses; sets each bus. */
	tresult PLUGIN_API setBusArrangements (SpeakerArrangement* inputs, int32 numIns,
	                                       SpeakerArrangement* outputs,
	                                       int32 numOuts) SMTG_OVERRIDE;
	tresult PLUGIN_API getBusArrangement (BusDirection dir, int32 index,
	                                      SpeakerArrangement& arr) SMTG_OVERRIDE;
	tresult PLUGIN_API canProcessSampleSize (int32 symbolicSampleSize) SMTG_OVERRIDE;
	uint32 PLUGIN_API getLatencySamples () SMTG_OVERRIDE;
	tresult PLUGIN_API setupProcessing (ProcessSetup& setup) SMTG_OVERRIDE;
	tresult PLUGIN_API setProcessing (TBool state) SMTG_OVERRIDE;
	tresult PLUGIN_API process (ProcessData& data) SMTG_OVERRIDE;
	uint32 PLUGIN_API getTailSamples () SMTG_OVERRIDE;

	//--- Bus helpers (UI/main thread, outside processing)
	AudioBus* addAudioInput (const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
	                         int32 flags = BusInfo::kDefaultActive);
	AudioBus* addAudioOutput (const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
	                          int32 flags = BusInfo::kDefaultActive);
	EventBus* addEventInput (const TChar* name, int32 channels = 16, BusType busType = kMain,
	                         int32 flags = BusInfo::kDefaultActive);
	EventBus* addEventOutput (const TChar* name, int32 channels = 16, BusType busType = kMain,
	                          int32 flags = BusInfo::kDefaultActive);
	tresult removeAudioBusses ();
	tresult removeEventBusses ();
	/** The bus list of that media type and direction, or null for anything else. */
	BusList* getBusList (MediaType type, BusDirection dir);

	//--- FObject / FUnknown
	OBJ_METHODS (SingleComponentEffect, EditControllerEx1)
	tresult PLUGIN_API queryInterface (const TUID iid, void** obj) SMTG_OVERRIDE;
	REFCOUNT_METHODS (EditControllerEx1)

protected:
	tresult removeAllBusses ();

	ProcessSetup processSetup;
	BusList audioInputs;
	BusList audioOutputs;
	BusList eventInputs;
	BusList eventOutputs;
};

} // namespace Vst
} // namespace Steinberg
