#pragma once

#include "core/Core_HeapBuf.h"

// An ordered list of raw pointers. The list never deletes items by itself: whether
// an item is deleted is decided per call (Delete, Empty). The destructor frees only
// the list's storage, so owners empty it with deletion in their own destructors.
// Emptying keeps the storage for reuse. Not thread-safe.
template <class T>
class Core_PtrList
{
public:
  Core_PtrList() noexcept : mBuf(4096) {}
  Core_PtrList(const Core_PtrList&) = delete;  // copies would alias owned items
  Core_PtrList& operator=(const Core_PtrList&) = delete;

  int GetSize() const noexcept { return mBuf.GetSize() / (int)sizeof(T*); }

  // The item at idx, or null when idx is outside 0..size-1.
  T* Get(int idx) const noexcept
  {
    T** list = GetList();
    return (list && idx >= 0 && idx < GetSize()) ? list[idx] : nullptr;
  }

  // Appends item. Returns it, or null when the list could not grow (the item then
  // is not in the list and stays the caller's).
  T* Add(T* item) noexcept
  {
    const int size = GetSize();
    if (!Grow(size + 1)) return nullptr;
    GetList()[size] = item;
    return item;
  }

  // Inserts item at idx (limited to 0..size); later items move up by one. Returns the
  // item, or null when the list could not grow.
  T* Insert(int idx, T* item) noexcept
  {
    const int size = GetSize();
    if (idx < 0) idx = 0;
    if (idx > size) idx = size;
    if (!Grow(size + 1)) return nullptr;
    T** list = GetList();
    for (int i = size; i > idx; --i) list[i] = list[i - 1];
    list[idx] = item;
    return item;
  }

  // Removes the item at idx, deleting it first when wantDelete is true; later items
  // move down. An index outside the list is ignored.
  void Delete(int idx, bool wantDelete = false) noexcept
  {
    const int size = GetSize();
    if (idx < 0 || idx >= size) return;
    T** list = GetList();
    if (wantDelete) delete list[idx];
    for (int i = idx; i < size - 1; ++i) list[i] = list[i + 1];
    mBuf.Resize((size - 1) * (int)sizeof(T*), false);
  }

  // Index of the first occurrence of item, or -1.
  int Find(const T* item) const noexcept
  {
    T** list = GetList();
    for (int i = 0, n = GetSize(); i < n; ++i)
      if (list[i] == item) return i;
    return -1;
  }

  // Sets the size to 0 and keeps the storage. With wantDelete, items are deleted from
  // the last to the first (with delfunc when given, else with delete), the list
  // shrinking by one after each, so an item's destructor never sees a deleted item.
  void Empty(bool wantDelete = false, void (*delfunc)(void*) = nullptr) noexcept
  {
    if (wantDelete)
    {
      for (int i = GetSize() - 1; i >= 0; --i)
      {
        T* item = GetList()[i];
        if (item)
        {
          if (delfunc)
            delfunc(item);
          else
            delete item;
        }
        mBuf.Resize(i * (int)sizeof(T*), false);
      }
    }
    mBuf.Resize(0, false);
  }

private:
  T** GetList() const noexcept { return (T**)mBuf.Get(); }

  bool Grow(int count) noexcept
  {
    mBuf.Resize(count * (int)sizeof(T*), false);
    return GetSize() == count;
  }

  Core_HeapBuf mBuf;
};
