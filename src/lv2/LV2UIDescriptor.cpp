#include "lv2/LV2UIDescriptor.h"

#include <cstring>

namespace {

IEffectLV2UI* UI(LV2UI_Handle handle)
{
  return static_cast<IEffectLV2UI*>(handle);
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* /*pluginURI*/,
                         const char* /*bundlePath*/, LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features)
{
  IEffectLV2UI* ui = nullptr;
  try
  {
    ui = MakeLV2UI();
    if (ui && ui->Open(write, controller, features))
    {
      if (widget) *widget = ui->Widget();
      return ui;
    }
  }
  catch (...)
  {
  }
  try
  {
    delete ui;
  }
  catch (...)
  {
  }
  return nullptr;
}

void Cleanup(LV2UI_Handle handle)
{
  try
  {
    delete UI(handle);
  }
  catch (...)
  {
  }
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer)
{
  try
  {
    if (handle) UI(handle)->PortEvent(port, bufferSize, format, buffer);
  }
  catch (...)
  {
  }
}

int Idle(LV2UI_Handle handle)
{
  try
  {
    return handle ? UI(handle)->Idle() : 1;
  }
  catch (...)
  {
    return 1;
  }
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};

const void* ExtensionData(const char* uri)
{
  if (uri && strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
  return nullptr;
}

}  // namespace

extern "C" const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  static const LV2UI_Descriptor descriptor = {gLV2UIInfo.mURI, Instantiate, Cleanup, PortEvent, ExtensionData};
  return index == 0 ? &descriptor : nullptr;
}
