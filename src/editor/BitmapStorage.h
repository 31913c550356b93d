#pragma once

#include "core/Core_Mutex.h"
#include "core/Core_PtrList.h"
#include "core/Core_String.h"

class Pix_IBitmap;

// The process-wide bitmap cache: every editor of every plug-in instance shares it. It owns the
// bitmaps it holds; entries are never evicted while the module is loaded and every bitmap is
// deleted when the module unloads. Id -1 marks bitmaps handed over only for ownership.
// Every operation takes the cache's own recursive mutex, so any thread may use it.
//
// A loaded image also remembers the resource name it came from, and, once asked for, its
// twice-as-large version (or that there is none), so that each editor that draws at a higher
// scale finds the large image decoded once per process.
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
  // name is the resource name the bitmap was loaded from (copied), or null.
  bool Add(Pix_IBitmap* bitmap, int id = kNoID, const char* name = nullptr);
  // Removes the first entry holding bitmap and deletes it; false when it is not held. Its
  // large version, if one is held, goes with it.
  bool Remove(Pix_IBitmap* bitmap);
  void RemoveAll();
  int Count();

  // Copies the resource name bitmap was added with into out (outSize bytes, terminated);
  // false, with out empty, when the bitmap is not held or has no name.
  bool GetName(const Pix_IBitmap* bitmap, char* out, int outSize);
  // The large version recorded for bitmap. *known tells whether one has been recorded at all
  // (a recorded null means the resources have none).
  Pix_IBitmap* FindHiRes(const Pix_IBitmap* bitmap, bool* known);
  // Records hiRes (owned from now on; may be null) as bitmap's large version. False, with
  // nothing taken, when the entry could not be added.
  bool AddHiRes(const Pix_IBitmap* bitmap, Pix_IBitmap* hiRes);

private:
  struct Entry
  {
    int mID;
    Pix_IBitmap* mBitmap;
    const Pix_IBitmap* mBase;  // for a large version: the bitmap it doubles; else null
    Core_String mName;
  };
  Entry* FindEntry(const Pix_IBitmap* bitmap, bool hiRes);
  Core_PtrList<Entry> mEntries;
  Core_Mutex mMutex;
};

extern BitmapStorage s_bitmapCache;
