#pragma once

#include <climits>
#include <type_traits>

#include "core/Core_HeapBuf.h"

// A growable array of trivially copyable T on top of Core_HeapBuf. Sizes are in
// elements. Resizing may move the storage, so pointers from Get() are valid only
// until the next Resize. Growth failures leave size and contents unchanged.
template <class T>
class Core_TypedBuf
{
  static_assert(std::is_trivially_copyable<T>::value, "Core_TypedBuf holds plain data only");

public:
  // granularity: growth quantum in bytes.
  explicit Core_TypedBuf(int granularity = 4096) noexcept : mBuf(granularity) {}

  // Sets the number of elements (negative counts as 0); a large shrink gives memory
  // back. Returns the storage, or null when empty. New elements are uninitialised.
  T* Resize(int count) noexcept
  {
    if (count > INT_MAX / (int)sizeof(T)) return Get();  // byte size would overflow
    return (T*)mBuf.Resize(count * (int)sizeof(T), true);
  }

  T* Get() const noexcept { return (T*)mBuf.Get(); }
  int GetSize() const noexcept { return mBuf.GetSize() / (int)sizeof(T); }
  int GetBytes() const noexcept { return mBuf.GetSize(); }

private:
  Core_HeapBuf mBuf;
};
