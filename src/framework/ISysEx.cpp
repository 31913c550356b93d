#include "framework/ISysEx.h"

char* SysExStr(char* out, int maxLen, const unsigned char* data, int size) noexcept
{
  static const char kHex[] = "0123456789ABCDEF";
  if (!out || maxLen <= 0) return out;
  out[0] = 0;
  if (!data || size <= 0) return out;
  const int n = size < maxLen / 3 ? size : maxLen / 3;
  char* o = out;
  for (int i = 0; i < n; ++i)
  {
    *o++ = kHex[data[i] >> 4];
    *o++ = kHex[data[i] & 0x0F];
    *o++ = ' ';
  }
  // The last separator becomes the terminator, so 3 * n characters suffice.
  if (n > 0) o[-1] = 0;
  return out;
}
