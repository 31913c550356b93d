#pragma once

#include "pluginterfaces/vst/ivstcontextmenu.h"

class IEffectVST3;

// The plug-in's items in the host's context menu for one parameter, next to the host's own
// (automation, MIDI learn, ...): "Enter value…" opens the editor's text field over the
// parameter's control, "Reset to default" sets the parameter to its default as one edit
// gesture.
//
// The target references the adapter for as long as the host keeps the menu, since a host
// may carry out the choice after popup() returns. UI thread.
namespace IEffectVST3ParamMenu {

// Adds the items (after a separator when the host put items of its own) to menu for
// parameter paramIdx of plug. False when they could not be added.
bool AddItems(Steinberg::Vst::IContextMenu* menu, IEffectVST3* plug, int paramIdx);

// The items' tags and texts (UTF-8), for tests and hosts that list them.
enum Tag : Steinberg::int32
{
  kEnterValue = 1,
  kResetToDefault = 2
};
extern const char* const kEnterValueText;
extern const char* const kResetToDefaultText;

}  // namespace IEffectVST3ParamMenu
