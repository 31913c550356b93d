#include "vst3/VST3Strings.h"

void WidenToUTF16(const char* text, Steinberg::Vst::TChar* out, int outSize)
{
  if (!out || outSize <= 0) return;
  int i = 0;
  if (text)
    for (; i < outSize - 1 && text[i]; ++i)
      out[i] = (Steinberg::Vst::TChar)(unsigned char)text[i];
  out[i] = 0;
}

void NarrowToASCII(const Steinberg::Vst::TChar* text, char* out, int outSize)
{
  if (!out || outSize <= 0) return;
  int i = 0;
  if (text)
    for (; i < outSize - 1 && text[i]; ++i)
      out[i] = text[i] < 0x80 ? (char)text[i] : '?';
  out[i] = 0;
}
