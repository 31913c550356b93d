#include "editor/BitmapStorage.h"

#include <cstring>
#include <new>

#include "raster/Pix_IBitmap.h"

BitmapStorage s_bitmapCache;

Pix_IBitmap* BitmapStorage::Find(int id)
{
  if (id < 0) return nullptr;
  Core_MutexLock lock(mMutex);
  for (int i = 0, n = mEntries.GetSize(); i < n; ++i)
  {
    Entry* e = mEntries.Get(i);
    if (e && !e->mBase && e->mID == id) return e->mBitmap;
  }
  return nullptr;
}

bool BitmapStorage::Add(Pix_IBitmap* bitmap, int id, const char* name)
{
  if (!bitmap) return false;
  Core_MutexLock lock(mMutex);
  Entry* e = new (std::nothrow) Entry{id, bitmap, nullptr, Core_String()};
  if (!e) return false;
  if (name) e->mName.Set(name);
  if (!mEntries.Add(e))
  {
    delete e;
    return false;
  }
  return true;
}

BitmapStorage::Entry* BitmapStorage::FindEntry(const Pix_IBitmap* bitmap, bool hiRes)
{
  for (int i = 0, n = mEntries.GetSize(); i < n; ++i)
  {
    Entry* e = mEntries.Get(i);
    if (e && (hiRes ? e->mBase == bitmap : (!e->mBase && e->mBitmap == bitmap))) return e;
  }
  return nullptr;
}

bool BitmapStorage::Remove(Pix_IBitmap* bitmap)
{
  if (!bitmap) return false;
  Core_MutexLock lock(mMutex);
  bool removed = false;
  for (int i = 0, n = mEntries.GetSize(); i < n; ++i)
  {
    Entry* e = mEntries.Get(i);
    if (e && !e->mBase && e->mBitmap == bitmap)
    {
      mEntries.Delete(i, false);
      delete e->mBitmap;
      delete e;
      removed = true;
      break;
    }
  }
  if (!removed) return false;
  // Its large versions: the base pointer would dangle (and could be reused by a new bitmap).
  for (int i = mEntries.GetSize() - 1; i >= 0; --i)
  {
    Entry* e = mEntries.Get(i);
    if (e && e->mBase == bitmap)
    {
      mEntries.Delete(i, false);
      delete e->mBitmap;
      delete e;
    }
  }
  return true;
}

void BitmapStorage::RemoveAll()
{
  Core_MutexLock lock(mMutex);
  for (int i = mEntries.GetSize() - 1; i >= 0; --i)
  {
    Entry* e = mEntries.Get(i);
    if (e)
    {
      delete e->mBitmap;
      delete e;
    }
    mEntries.Delete(i, false);
  }
}

int BitmapStorage::Count()
{
  Core_MutexLock lock(mMutex);
  return mEntries.GetSize();
}

bool BitmapStorage::GetName(const Pix_IBitmap* bitmap, char* out, int outSize)
{
  if (!out || outSize <= 0) return false;
  out[0] = '\0';
  if (!bitmap) return false;
  Core_MutexLock lock(mMutex);
  Entry* e = FindEntry(bitmap, false);
  if (!e || e->mName.GetLength() == 0 || e->mName.GetLength() >= outSize) return false;
  memcpy(out, e->mName.Get(), static_cast<size_t>(e->mName.GetLength()) + 1);
  return true;
}

Pix_IBitmap* BitmapStorage::FindHiRes(const Pix_IBitmap* bitmap, bool* known)
{
  if (known) *known = false;
  if (!bitmap) return nullptr;
  Core_MutexLock lock(mMutex);
  Entry* e = FindEntry(bitmap, true);
  if (!e) return nullptr;
  if (known) *known = true;
  return e->mBitmap;
}

bool BitmapStorage::AddHiRes(const Pix_IBitmap* bitmap, Pix_IBitmap* hiRes)
{
  if (!bitmap) return false;
  Core_MutexLock lock(mMutex);
  Entry* e = new (std::nothrow) Entry{kNoID, hiRes, bitmap, Core_String()};
  if (!e) return false;
  if (!mEntries.Add(e))
  {
    delete e;
    return false;
  }
  return true;
}
