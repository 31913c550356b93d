#include "core/Core_Base64.h"

#include <climits>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of c, or -1 outside the alphabet.
int SextetOf(char c)
{
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

int Core_Base64EncodedLength(int size) noexcept
{
  if (size <= 0) return 0;
  const long long len = ((long long)size + 2) / 3 * 4;
  return len > INT_MAX ? -1 : (int)len;
}

int Core_Base64Encode(const unsigned char* data, int size, char* out, int outSize) noexcept
{
  if (!out || outSize <= 0) return -1;
  out[0] = 0;
  if (size < 0 || (size > 0 && !data)) return -1;
  const int len = Core_Base64EncodedLength(size);
  if (len < 0 || len >= outSize) return -1;

  char* o = out;
  int i = 0;
  for (; i + 3 <= size; i += 3)
  {
    const unsigned v = ((unsigned)data[i] << 16) | ((unsigned)data[i + 1] << 8) | data[i + 2];
    *o++ = kAlphabet[(v >> 18) & 63];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = kAlphabet[(v >> 6) & 63];
    *o++ = kAlphabet[v & 63];
  }
  const int rest = size - i;
  if (rest > 0)
  {
    unsigned v = (unsigned)data[i] << 16;
    if (rest == 2) v |= (unsigned)data[i + 1] << 8;
    *o++ = kAlphabet[(v >> 18) & 63];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    *o++ = '=';
  }
  *o = 0;
  return len;
}

int Core_Base64Decode(const char* text, unsigned char* out, int outSize) noexcept
{
  if (!text || !out || outSize <= 0) return 0;
  unsigned bits = 0;
  int nBits = 0;
  int written = 0;
  for (const char* c = text; written < outSize; ++c)
  {
    const int sextet = SextetOf(*c);
    if (sextet < 0) break;
    bits = ((bits << 6) | (unsigned)sextet) & 0xFFFFFu;
    nBits += 6;
    if (nBits >= 8)
    {
      nBits -= 8;
      out[written++] = (unsigned char)((bits >> nBits) & 0xFF);
    }
  }
  return written;
}
