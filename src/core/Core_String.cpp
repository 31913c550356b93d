#include "core/Core_String.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

// Length of text, limited to maxLen when maxLen is above 0.
int BoundedLength(const char* text, int maxLen)
{
  if (!text) return 0;
  const size_t limit = maxLen > 0 ? (size_t)maxLen : (size_t)INT_MAX;
  const size_t len = strnlen(text, limit);
  return (int)len;
}

}  // namespace

void Core_String::Set(const char* text, int maxLen) noexcept
{
  __doSet(0, text ? text : "", BoundedLength(text, maxLen), 0);
}

void Core_String::Append(const char* text, int maxLen) noexcept
{
  __doSet(GetLength(), text ? text : "", BoundedLength(text, maxLen), 0);
}

const char* Core_String::Get() const noexcept
{
  const char* s = (const char*)mBuf.Get();
  return s ? s : "";
}

int Core_String::GetLength() const noexcept
{
  const char* s = (const char*)mBuf.Get();
  return s ? (int)strnlen(s, (size_t)mBuf.GetSize()) : 0;
}

bool Core_String::__doSet(int offset, const char* text, int length, int trailKeep) noexcept
{
  if (offset == 0 && length == 0 && trailKeep == 0)
  {
    char* s = (char*)mBuf.Resize(1, false);
    if (!s || mBuf.GetSize() != 1) return false;
    s[0] = 0;
    return true;
  }
  if (offset < 0 || length <= 0 || trailKeep < 0 || !text) return false;
  // Writing past the current text would leave unset bytes before the new ones, and
  // keeping characters beyond it would read past the terminator.
  const int curLen = GetLength();
  if (offset > curLen || trailKeep > curLen - offset) return false;
  const long long newLenWide = (long long)offset + length + trailKeep;
  if (newLenWide >= INT_MAX) return false;
  const int newLen = (int)newLenWide;

  const int oldSize = mBuf.GetSize();
  char* s = (char*)mBuf.Get();
  if (newLen >= oldSize)
  {
    // text may point into our own storage; keep its position across a move.
    const uintptr_t start = (uintptr_t)s, at = (uintptr_t)text;
    const bool inside = s && at >= start && at < start + (uintptr_t)oldSize;
    const size_t textPos = inside ? (size_t)(at - start) : 0;
    s = (char*)mBuf.Resize(newLen + 1, false);
    if (!s || mBuf.GetSize() != newLen + 1) return false;
    if (inside) text = s + textPos;
  }
  if (trailKeep > 0) memmove(s + offset + length, s + offset, (size_t)trailKeep);
  memmove(s + offset, text, (size_t)length);
  s[newLen] = 0;
  if (newLen + 1 < oldSize) mBuf.Resize(newLen + 1, false);
  return true;
}
