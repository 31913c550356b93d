#pragma once

#include "core/Core_Mutex.h"
#include "core/Core_PtrList.h"

class Pix_IBitmap;

// The process-wide bitmap cache: every editor of every plug-in instance shares it. It owns the
// bitmaps it holds; entries are never evicted while the module is loaded and every bitmap is
// deleted when the module unloads. Id -1 marks bitmaps handed over only for ownership.
// Every operation takes the cache's own recursive mutex, so any thread may use it.
class BitmapStorage
{
public:
  static constexpr int kNoID = -1;

  BitmapStorage() = default;
  ~BitmapStorage() { RemoveAll(); }
  BitmapStorage(const BitmapStorage&) = delete;
  BitmapStorage& operator=(const BitmapStorage&) = delete;

  // The first bitmap stored under id, or null (ids below 0 are never looked up).
  Pix_IBitmap* Find(int id);
  // Takes ownership; returns false (and deletes nothing) when the entry could not be added.
  bool Add(Pix_IBitmap* bitmap, int id = kNoID);
  // Removes the first entry holding bitmap and deletes it; false when it is not held.
  bool Remove(Pix_IBitmap* bitmap);
  void RemoveAll();
  int Count();

private:
  struct Entry
  {
    int mID;
    Pix_IBitmap* mBitmap;
  };
  Core_PtrList<Entry> mEntries;
  Core_Mutex mMutex;
};

extern BitmapStorage s_bitmapCache;
