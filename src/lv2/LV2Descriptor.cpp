#include "lv2/LV2Descriptor.h"

#include <cstring>

namespace {

IEffectLV2* Plug(LV2_Handle instance)
{
  return static_cast<IEffectLV2*>(instance);
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char* /*bundlePath*/,
                       const LV2_Feature* const* features)
{
  IEffectLV2* plug = nullptr;
  try
  {
    plug = MakeLV2Plug();
    if (!plug) return nullptr;
    plug->SetPluginURI(descriptor ? descriptor->URI : gLV2PluginInfo.mURI);
    if (plug->Instantiate(sampleRate, features)) return plug;
  }
  catch (...)
  {
  }
  delete plug;
  return nullptr;
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data)
{
  if (instance) Plug(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance)
{
  try
  {
    if (instance) Plug(instance)->Activate();
  }
  catch (...)
  {
  }
}

void Run(LV2_Handle instance, uint32_t nFrames)
{
  try
  {
    if (instance) Plug(instance)->Run(nFrames);
  }
  catch (...)
  {
  }
}

void Deactivate(LV2_Handle instance)
{
  try
  {
    if (instance) Plug(instance)->Deactivate();
  }
  catch (...)
  {
  }
}

void Cleanup(LV2_Handle instance)
{
  try
  {
    delete Plug(instance);
  }
  catch (...)
  {
  }
}

LV2_State_Status SaveState(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                           uint32_t /*flags*/, const LV2_Feature* const* /*features*/)
{
  try
  {
    return instance ? Plug(instance)->SaveState(store, handle) : LV2_STATE_ERR_UNKNOWN;
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status RestoreState(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                              LV2_State_Handle handle, uint32_t /*flags*/,
                              const LV2_Feature* const* /*features*/)
{
  try
  {
    return instance ? Plug(instance)->RestoreState(retrieve, handle) : LV2_STATE_ERR_UNKNOWN;
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const LV2_State_Interface kStateInterface = {SaveState, RestoreState};

const void* ExtensionData(const char* uri)
{
  if (uri && strcmp(uri, LV2_STATE__interface) == 0) return &kStateInterface;
  return nullptr;
}

}  // namespace

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  static const LV2_Descriptor descriptor = {gLV2PluginInfo.mURI, Instantiate, ConnectPort, Activate,
                                            Run,                 Deactivate,  Cleanup,     ExtensionData};
  return index == 0 ? &descriptor : nullptr;
}
