#pragma once

#include "lv2/IEffectLV2UI.h"

// The UI library's descriptor: one X11 UI, the effect's editor.
//
// The effect layer provides two things:
//
//   IEffectLV2UI* MakeLV2UI();
//     Builds one new UI object with its parameters and editor (owned by the caller), or
//     throws std::bad_alloc when memory runs out; instantiate then answers null.
//
//   extern const IEffectLV2UIInfo gLV2UIInfo = { ... };
//     The UI's URI, constant for the product.
//
// lv2ui_descriptor(0) answers the descriptor; every other index null. instantiate needs
// the host's ui:parent; the descriptor offers ui:idleInterface. Its functions never let
// an exception reach the host.
struct IEffectLV2UIInfo
{
  const char* mURI;
};

IEffectLV2UI* MakeLV2UI();
extern const IEffectLV2UIInfo gLV2UIInfo;

extern "C" {
__attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index);
}
