#include "vst3/IEffectVST3Factory.h"

#include <cstring>
#include <mutex>
#include <new>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/vsttypes.h"
#include "vst3/sdk/CPluginFactory.h"

using namespace Steinberg;

// The SDK the module is built against, as its headers name it.
const char* const kEffectSDKVersionString = kVstVersionString;

namespace {

void CopyField(char8* dest, const char* src, size_t size)
{
  memset(dest, 0, size);
  if (!src) return;
  for (size_t i = 0; i + 1 < size && src[i]; ++i) dest[i] = src[i];
}

}  // namespace

void MakeEffectClassID(const IEffectVST3ClassInfo& ci, TUID cid)
{
  for (int w = 0; w < 4; ++w)
    for (int b = 0; b < 4; ++b)
      cid[w * 4 + b] = (char)((ci.mClassID[w] >> (24 - 8 * b)) & 0xFF);
}

void MakeEffectFactoryInfo(const IEffectVST3ClassInfo& ci, PFactoryInfo* info)
{
  *info = {};
  CopyField(info->vendor, ci.mVendor, PFactoryInfo::kNameSize);
  CopyField(info->url, ci.mURL, PFactoryInfo::kURLSize);
  CopyField(info->email, ci.mEmail, PFactoryInfo::kEmailSize);
  info->flags = PFactoryInfo::kUnicode;
}

void MakeEffectClassInfo(const IEffectVST3ClassInfo& ci, PClassInfo2* info)
{
  *info = {};
  MakeEffectClassID(ci, info->cid);
  info->cardinality = PClassInfo::kManyInstances;
  CopyField(info->category, kVstAudioEffectClass, PClassInfo::kCategorySize);
  CopyField(info->name, ci.mName, PClassInfo::kNameSize);
  info->classFlags = Vst::kSimpleModeSupported;
  CopyField(info->subCategories, ci.mSubCategories, PClassInfo2::kSubCategoriesSize);
  // vendor stays empty: the factory's vendor applies.
  CopyField(info->version, ci.mVersion, PClassInfo2::kVersionSize);
  CopyField(info->sdkVersion, kEffectSDKVersionString, PClassInfo2::kVersionSize);
}

FUnknown* CreateEffectInstance(void* /*context*/)
{
  IEffectVST3* plug = MakePlug();
  if (!plug) return nullptr;
  return static_cast<Vst::IAudioProcessor*>(plug);
}

extern "C" IPluginFactory* PLUGIN_API GetPluginFactory()
{
  // Built once, kept for the life of the module.
  static PFactoryInfo factoryInfo = [] {
    PFactoryInfo info;
    MakeEffectFactoryInfo(gEffectClassInfo, &info);
    return info;
  }();
  static PClassInfo2 classInfo = [] {
    PClassInfo2 info;
    MakeEffectClassInfo(gEffectClassInfo, &info);
    return info;
  }();
  static std::mutex factoryMutex;

  std::lock_guard<std::mutex> lock(factoryMutex);
  if (gPluginFactory)
  {
    gPluginFactory->addRef();
    return gPluginFactory;
  }
  auto* factory = new (std::nothrow) CPluginFactory(factoryInfo);
  if (!factory) return nullptr;
  if (!factory->registerClass(&classInfo, CreateEffectInstance, nullptr))
  {
    factory->release();
    return nullptr;
  }
  gPluginFactory = factory;
  return factory;
}
