#include "core/Core_HeapBuf.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long long kPage = 4096;
constexpr long long kAllocHeader = 96;
constexpr long long kMaxStep = 4194304;

}  // namespace

Core_HeapBuf::Core_HeapBuf(int granularity) noexcept : mGranularity(granularity) {}

Core_HeapBuf::Core_HeapBuf(const Core_HeapBuf& other) noexcept : mGranularity(other.mGranularity)
{
  if (other.mSize > 0 && Resize(other.mSize, false))
    memcpy(mBuf, other.mBuf, (size_t)other.mSize);
}

Core_HeapBuf& Core_HeapBuf::operator=(const Core_HeapBuf& other) noexcept
{
  if (this == &other) return *this;
  // Keeps this buffer's granularity; a failed copy leaves the buffer empty rather
  // than holding a mix of old and new bytes.
  if (Resize(other.mSize, true) && GetSize() == other.mSize)
    memcpy(mBuf, other.mBuf, (size_t)other.mSize);
  else
    Resize(0, true);
  return *this;
}

Core_HeapBuf::Core_HeapBuf(Core_HeapBuf&& other) noexcept
  : mBuf(other.mBuf), mAlloc(other.mAlloc), mSize(other.mSize), mGranularity(other.mGranularity)
{
  other.mBuf = nullptr;
  other.mAlloc = other.mSize = 0;
}

Core_HeapBuf& Core_HeapBuf::operator=(Core_HeapBuf&& other) noexcept
{
  if (this == &other) return *this;
  Release();
  mBuf = other.mBuf;
  mAlloc = other.mAlloc;
  mSize = other.mSize;
  mGranularity = other.mGranularity;
  other.mBuf = nullptr;
  other.mAlloc = other.mSize = 0;
  return *this;
}

Core_HeapBuf::~Core_HeapBuf()
{
  Release();
}

void Core_HeapBuf::Release() noexcept
{
  free(mBuf);
  mBuf = nullptr;
  mAlloc = mSize = 0;
}

int Core_HeapBuf::GrowthAllocation(int n, int granularity) noexcept
{
  if (n <= 0) return 0;
  const long long size = n;
  const long long g = granularity;
  const long long half = size / 2;
  long long alloc;
  if (g < kPage)
  {
    alloc = size + (half > g ? half : g);
  }
  else
  {
    long long step = half > g ? half : g;
    step -= step % kPage;
    if (step < kPage) step = kPage;
    if (step > kMaxStep) step = kMaxStep;
    alloc = step + size + kAllocHeader;
    alloc -= alloc % kPage;
    alloc -= kAllocHeader;
  }
  return alloc > INT_MAX ? -1 : (int)alloc;
}

void* Core_HeapBuf::Resize(int newSize, bool resizeDown) noexcept
{
  if (newSize < 0) newSize = 0;

  long long threshold = 0;
  if (resizeDown && newSize < mSize)
  {
    const long long halfAlloc = mAlloc / 2;
    const long long lessSteps = (long long)mAlloc - 4LL * mGranularity;
    const long long smaller = halfAlloc < lessSteps ? halfAlloc : lessSteps;
    threshold = smaller > 1 ? smaller : 1;
  }

  if (threshold <= newSize && newSize <= mAlloc)
  {
    mSize = newSize;
    return Get();
  }

  if (newSize == 0)
  {
    Release();
    return nullptr;
  }

  const int newAlloc = GrowthAllocation(newSize, mGranularity);
  if (newAlloc < newSize) return Get();  // does not fit in an int: nothing changes

  if (newAlloc != mAlloc)
  {
    void* moved = realloc(mBuf, (size_t)newAlloc);
    if (!moved)
    {
      // realloc leaves the old block alone on failure; try a fresh block once more.
      moved = malloc((size_t)newAlloc);
      if (!moved) return Get();
      const int keep = mSize < newSize ? mSize : newSize;
      if (keep > 0) memcpy(moved, mBuf, (size_t)keep);
      free(mBuf);
    }
    mBuf = moved;
    mAlloc = newAlloc;
  }
  mSize = newSize;
  return Get();
}
