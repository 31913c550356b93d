#pragma once

#include <mutex>

// A recursive mutex: the thread holding it may lock it again and must unlock as
// often as it locked. Lock at the start of a critical section and unlock on every
// way out of it; Core_MutexLock does that for a scope.
class Core_Mutex
{
public:
  Core_Mutex() = default;
  Core_Mutex(const Core_Mutex&) = delete;
  Core_Mutex& operator=(const Core_Mutex&) = delete;

  void Lock() noexcept { mMutex.lock(); }
  void Unlock() noexcept { mMutex.unlock(); }
  // True when the lock was taken without waiting.
  bool TryLock() noexcept { return mMutex.try_lock(); }

private:
  std::recursive_mutex mMutex;
};

// Holds a Core_Mutex for the life of the scope; a null mutex is allowed and ignored.
class Core_MutexLock
{
public:
  explicit Core_MutexLock(Core_Mutex* mutex) noexcept : mMutex(mutex)
  {
    if (mMutex) mMutex->Lock();
  }
  explicit Core_MutexLock(Core_Mutex& mutex) noexcept : Core_MutexLock(&mutex) {}
  ~Core_MutexLock()
  {
    if (mMutex) mMutex->Unlock();
  }
  Core_MutexLock(const Core_MutexLock&) = delete;
  Core_MutexLock& operator=(const Core_MutexLock&) = delete;

private:
  Core_Mutex* mMutex;
};
