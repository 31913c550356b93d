#pragma once

#include "framework/ByteChunk.h"

// One preset (program) slot of the plug-in base: a name and a state snapshot in the
// plug-in's state format. A slot is empty (uninitialised, named "empty") until a
// preset-making operation or a restore fills it.
struct IPreset
{
  static const int kMaxNameLen = 264;  // bytes, terminator included

  bool mInitialized = false;
  char mName[kMaxNameLen];
  ByteChunk mChunk;

  IPreset() noexcept { SetName("empty"); }

  // Copies name (null counts as ""), cut to kMaxNameLen - 1 characters.
  void SetName(const char* name) noexcept
  {
    strncpy(mName, name ? name : "", kMaxNameLen - 1);
    mName[kMaxNameLen - 1] = 0;
  }
};
