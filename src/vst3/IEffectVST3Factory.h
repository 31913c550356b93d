#pragma once

#include "vst3/IEffectVST3.h"
#include "pluginterfaces/base/ipluginbase.h"

// The module's factory: one class, the effect, as an audio module of many instances.
//
// The effect layer provides two things:
//
//   IEffectVST3* MakePlug();
//     Builds one new instance of the effect and returns it holding one reference (the
//     SDK object's initial one), or null on failure. When memory runs out, construction
//     throws std::bad_alloc through MakePlug, and the factory answers the host
//     kOutOfMemory (no exception reaches the host). It must build the instance under a
//     module-wide mutex (a function-local static Core_Mutex), so instances created from
//     several host threads are constructed one after the other:
//         IEffectVST3* MakePlug()
//         {
//           static Core_Mutex sMutex;
//           Core_MutexLock lock(sMutex);
//           return new MyEffect(IEffectInstanceInfo());
//         }
//
//   extern const IEffectVST3ClassInfo gEffectClassInfo = { ... };
//     The module's identity (texts and class ID below), constant for the product.
//
// Everything else in the class information is fixed here: category "Audio Module
// Class", cardinality kManyInstances, class flags kSimpleModeSupported, an empty class
// vendor (the factory's applies), the SDK version the module is built against
// (kVstVersionString), factory flags kUnicode.

struct IEffectVST3ClassInfo
{
  const char* mVendor;         // factory vendor, at most 63 characters
  const char* mURL;            // at most 255 characters
  const char* mEmail;          // at most 127 characters
  const char* mName;           // class name, at most 63 characters
  const char* mSubCategories;  // for example "Fx|EQ", at most 127 characters
  const char* mVersion;        // "major.minor.revision", at most 63 characters
  // The class ID (processor and controller alike) as four 32-bit words, each stored
  // most significant byte first.
  Steinberg::uint32 mClassID[4];
};

// Defined by the effect layer (see above).
IEffectVST3* MakePlug();
extern const IEffectVST3ClassInfo gEffectClassInfo;

// The texts written into every class record.
extern const char* const kEffectSDKVersionString;  // kVstVersionString, "VST 3.7.2"

// Fill the records from the class information; every unused character is zero.
void MakeEffectFactoryInfo(const IEffectVST3ClassInfo& ci, Steinberg::PFactoryInfo* info);
void MakeEffectClassInfo(const IEffectVST3ClassInfo& ci, Steinberg::PClassInfo2* info);
// The 16-byte class ID of the class information.
void MakeEffectClassID(const IEffectVST3ClassInfo& ci, Steinberg::TUID cid);

// The factory's creation function: MakePlug(), answered as the instance's
// IAudioProcessor interface (null when MakePlug fails; its exceptions pass to the
// factory's createInstance, which turns them into error codes). The context is not used.
Steinberg::FUnknown* CreateEffectInstance(void* context);

extern "C" {
// The module's factory, created and registered on the first call; each call hands the
// caller one reference. Safe to call from several threads.
__attribute__((visibility("default"))) Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();
}
