#pragma once

#include "pluginterfaces/vst/vsttypes.h"

// Conversions between the framework's 8-bit texts and the host's UTF-16 strings.

// Widens text (null counts as "") into a UTF-16 buffer of outSize characters (at least
// 1), each byte becoming one character; cut to outSize - 1 characters, terminated.
void WidenToUTF16(const char* text, Steinberg::Vst::TChar* out, int outSize = 128);

// Narrows a UTF-16 string (null counts as "") into outSize bytes (at least 1): ASCII
// characters are copied, anything else becomes '?'. Cut to outSize - 1, terminated.
void NarrowToASCII(const Steinberg::Vst::TChar* text, char* out, int outSize);
