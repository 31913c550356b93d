#pragma once

// A growable, untyped byte buffer with a fixed growth granularity.
//
// The logical size (used bytes) and the allocation are separate: growing allocates
// ahead (by half the size or the granularity), shrinking keeps the storage unless the
// caller asks for memory back, so a buffer that is refilled every block stops
// allocating after first use. Growth never throws: when storage cannot be obtained
// the buffer keeps its old storage and size, and callers detect the failure by
// reading the size back.
//
// Not thread-safe; the owner's mutex protects it where needed. Copies are deep.
class Core_HeapBuf
{
public:
  // granularity: growth quantum in bytes, fixed for the buffer's life. At 4096 or
  // more, allocations are sized so that a block plus a 96-byte allocator header
  // fills whole 4 KiB pages.
  explicit Core_HeapBuf(int granularity = 4096) noexcept;
  Core_HeapBuf(const Core_HeapBuf& other) noexcept;
  Core_HeapBuf& operator=(const Core_HeapBuf& other) noexcept;
  Core_HeapBuf(Core_HeapBuf&& other) noexcept;
  Core_HeapBuf& operator=(Core_HeapBuf&& other) noexcept;
  ~Core_HeapBuf();

  // Sets the logical size in bytes (negative counts as 0) and returns the storage,
  // or null when the new size is 0. resizeDown true lets a large shrink give memory
  // back. On allocation failure nothing changes and the old storage (or null) is
  // returned.
  void* Resize(int newSize, bool resizeDown = true) noexcept;

  // The storage, or null when the logical size is 0.
  void* Get() const noexcept { return mSize > 0 ? mBuf : nullptr; }
  int GetSize() const noexcept { return mSize; }
  // Bytes currently allocated (at least the logical size).
  int GetAlloc() const noexcept { return mAlloc; }
  int GetGranularity() const noexcept { return mGranularity; }

  // The allocation the growth policy chooses for a new size of n bytes, or -1 when
  // it would not fit in an int.
  static int GrowthAllocation(int n, int granularity) noexcept;

private:
  void Release() noexcept;

  void* mBuf = nullptr;
  int mAlloc = 0;
  int mSize = 0;
  int mGranularity;
};
