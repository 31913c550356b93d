#pragma once

#include "pluginterfaces/base/funknown.h"

// A private interface of the adapter for tools (not hosts): draws the whole editor into its
// off-screen surface and saves that surface as a PNG, whether or not the editor's window is
// open. Reached with queryInterface(IEditorSnapshot::iid, ...) on the plug-in object; the
// reference returned must be released like any other.
//
// UI thread only (the thread that drives the editor).
class IEditorSnapshot : public Steinberg::FUnknown
{
public:
  // Applies the parameter values pending for the editor, redraws every control over the
  // whole editor and writes the surface to pngPath (8-bit RGBA, straight alpha).
  // kResultOk when written; kResultFalse without an attached editor, for a null or empty
  // path, or when the surface cannot be made or the file cannot be written (no partial
  // file is left behind).
  virtual Steinberg::tresult PLUGIN_API saveEditorSnapshot(const char* pngPath) = 0;

  static const Steinberg::FUID iid;
};

DECLARE_CLASS_IID(IEditorSnapshot, 0xE092D54E, 0x1D884188, 0x96AF606B, 0x43D3CDF6)
