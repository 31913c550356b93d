#pragma once

#include <string.h>
#include <type_traits>

#include "core/Core_String.h"
#include "core/Core_TypedBuf.h"

// A growable byte buffer holding state in the machine's byte order (little-endian on
// every supported target). Writers append and return the new size; a failure to grow
// leaves the chunk unchanged and returns the old size. Readers take a position and
// return the position after the value, or -1 when the value does not lie wholly
// within the chunk (the target is then untouched), so reads can be chained and the
// first failure ends the chain. Not thread-safe.
class ByteChunk
{
public:
  ByteChunk() noexcept : mBytes(4096) {}

  // Appends size bytes (nothing for a null pointer or size <= 0).
  int PutBytes(const void* data, int size) noexcept;
  // Copies size bytes at pos into data; the position after them, or -1.
  int GetBytes(void* data, int size, int pos) const noexcept;

  // A fixed-size value's bytes (int, double, ...).
  template <class T>
  int Put(const T* value) noexcept
  {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");
    return PutBytes(value, (int)sizeof(T));
  }
  template <class T>
  int Get(T* value, int pos) const noexcept
  {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");
    return GetBytes(value, (int)sizeof(T), pos);
  }

  // One byte, 0 or 1; reading gives true for any non-zero byte.
  int PutBool(bool value) noexcept;
  int GetBool(bool* value, int pos) const noexcept;

  // A 32-bit length (characters, no terminator) followed by the characters; null
  // writes an empty string. Reading stops the text at an embedded zero byte, gives ""
  // for a length of 0, and returns the position after the characters even when that
  // lies beyond the chunk (the string is then untouched and the next read fails). A
  // negative length, or an end beyond the largest int, is a failed read (-1).
  int PutStr(const char* str) noexcept;
  int GetStr(Core_String* str, int pos) const noexcept;

  // Appends another chunk's bytes as they are, with no length.
  int PutChunk(const ByteChunk* other) noexcept;

  // Size 0, storage given back.
  void Clear() noexcept;
  int Size() const noexcept { return mBytes.GetSize(); }
  // Sets the size; bytes added at the end are zero. Returns the new size (the old one
  // when the chunk could not grow).
  int Resize(int newSize) noexcept;
  // The bytes, or null when empty. Valid until the next change of size.
  unsigned char* GetBytes() noexcept { return mBytes.Get(); }
  const unsigned char* GetBytes() const noexcept { return mBytes.Get(); }

  bool IsEqual(const ByteChunk* other) const noexcept;

private:
  Core_TypedBuf<unsigned char> mBytes;
};
