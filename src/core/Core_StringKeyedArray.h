#pragma once

#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "core/Core_HeapBuf.h"

// A map from text keys to values of T, kept sorted by key with strcmp (case-
// sensitive) and searched by bisection. Each key is the container's own copy,
// freed with the container. T is plain data (typically a pointer or a number); the
// container never deletes what a value points to. Not thread-safe.
template <class T>
class Core_StringKeyedArray
{
  static_assert(std::is_trivially_copyable<T>::value, "values are moved as plain bytes");

public:
  struct Pair
  {
    char* key;
    T value;
  };

  Core_StringKeyedArray() noexcept : mBuf(4096) {}
  Core_StringKeyedArray(const Core_StringKeyedArray&) = delete;
  Core_StringKeyedArray& operator=(const Core_StringKeyedArray&) = delete;
  ~Core_StringKeyedArray() { DeleteAll(); }

  int GetSize() const noexcept { return mBuf.GetSize() / (int)sizeof(Pair); }

  // Sets the value for key: an existing key keeps its position and takes the new
  // value, a new one is inserted at its sorted position with a copy of the key.
  // Returns the pair's index, or -1 for a null key or when storage cannot grow.
  int Insert(const char* key, T value) noexcept
  {
    if (!key) return -1;
    bool found = false;
    const int idx = Search(key, &found);
    if (found)
    {
      Pairs()[idx].value = value;
      return idx;
    }
    char* copy = strdup(key);
    if (!copy) return -1;
    const int size = GetSize();
    mBuf.Resize((size + 1) * (int)sizeof(Pair), false);
    if (GetSize() != size + 1)
    {
      free(copy);
      return -1;
    }
    Pair* p = Pairs();
    memmove(p + idx + 1, p + idx, (size_t)(size - idx) * sizeof(Pair));
    p[idx].key = copy;
    p[idx].value = value;
    return idx;
  }

  // The value stored for key, or a value-initialised T (null for pointers) when the
  // key is absent.
  T Get(const char* key) const noexcept
  {
    const int idx = Find(key);
    return idx >= 0 ? Pairs()[idx].value : T();
  }

  // Index of key, or -1 when absent.
  int Find(const char* key) const noexcept
  {
    if (!key) return -1;
    bool found = false;
    const int idx = Search(key, &found);
    return found ? idx : -1;
  }

  // Key and value by index (null / T() outside 0..size-1).
  const char* GetKeyAtIdx(int idx) const noexcept
  {
    return (idx >= 0 && idx < GetSize()) ? Pairs()[idx].key : nullptr;
  }
  T GetValueAtIdx(int idx) const noexcept
  {
    return (idx >= 0 && idx < GetSize()) ? Pairs()[idx].value : T();
  }

  // Removes every pair and frees the keys (not what the values point to).
  void DeleteAll() noexcept
  {
    Pair* p = Pairs();
    for (int i = 0, n = GetSize(); i < n; ++i) free(p[i].key);
    mBuf.Resize(0, true);
  }

private:
  Pair* Pairs() const noexcept { return (Pair*)mBuf.Get(); }

  // Index of key when found, else the index at which it would be inserted.
  int Search(const char* key, bool* found) const noexcept
  {
    const Pair* p = Pairs();
    int lo = 0, hi = GetSize() - 1;
    while (lo <= hi)
    {
      const int mid = lo + (hi - lo) / 2;
      const int c = strcmp(key, p[mid].key);
      if (c == 0)
      {
        *found = true;
        return mid;
      }
      if (c < 0)
        hi = mid - 1;
      else
        lo = mid + 1;
    }
    *found = false;
    return lo;
  }

  Core_HeapBuf mBuf;
};
