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

// The same, at a chosen scale: for tools that draw the editor larger (tesk-render --scale).
class IEditorSnapshot2 : public IEditorSnapshot
{
public:
  // As saveEditorSnapshot, with the editor drawn at percent (100, 150 or 200; any other value
  // gives the nearest), so the PNG is the panel's size times the scale. The editor's own scale
  // is put back afterwards (an open window would follow both changes: meant for tools).
  virtual Steinberg::tresult PLUGIN_API saveEditorSnapshotAtScale(const char* pngPath, Steinberg::int32 percent) = 0;

  static const Steinberg::FUID iid;
};

DECLARE_CLASS_IID(IEditorSnapshot2, 0x5B7C1E93, 0xA2F04D6B, 0x8E31C9D4, 0x27F6B0A5)
