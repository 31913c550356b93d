#pragma once

#include "core/Core_HeapBuf.h"

// A growable, always terminated character string. A string that was never set has
// no storage and reads as "". Growth failures leave the string as it was. Copies
// are deep. Not thread-safe.
class Core_String
{
public:
  Core_String() noexcept : mBuf(128) {}
  explicit Core_String(const char* text, int maxLen = 0) noexcept : mBuf(128) { Set(text, maxLen); }
  Core_String(const Core_String& other) noexcept : mBuf(128) { Set(other.Get()); }
  Core_String& operator=(const Core_String& other) noexcept
  {
    if (this != &other) Set(other.Get());
    return *this;
  }

  // Replaces the content with text (null counts as ""), taking at most maxLen
  // characters when maxLen is above 0 and stopping at the terminator in any case.
  void Set(const char* text, int maxLen = 0) noexcept;
  // The same, at the end of the current text. text may point into this string.
  void Append(const char* text, int maxLen = 0) noexcept;

  // The characters, or "" when empty. Valid until the next change.
  const char* Get() const noexcept;
  // The number of characters before the terminator.
  int GetLength() const noexcept;

  // The primitive behind Set and Append: writes length characters of text at
  // offset, keeping the trailKeep characters that stood at offset after them, and
  // terminates at offset + length + trailKeep. All three 0 empties the string.
  // Returns false (string unchanged) for a bad range or when storage cannot grow;
  // offset + trailKeep must lie within the current text. text may point into this
  // string's own storage.
  bool __doSet(int offset, const char* text, int length, int trailKeep) noexcept;

private:
  Core_HeapBuf mBuf;
};
