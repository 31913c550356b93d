#include "core/Core_Mutex.h"

#include <gtest/gtest.h>

#include <thread>

TEST(Core_Mutex, OwnerLocksAgainOthersWait)
{
  Core_Mutex m;
  m.Lock();
  {
    Core_MutexLock again(m);  // same thread: does not block
    EXPECT_TRUE(m.TryLock());
    m.Unlock();
  }
  bool otherGot = true;
  std::thread t([&] { otherGot = m.TryLock(); });
  t.join();
  EXPECT_FALSE(otherGot);  // still held once
  m.Unlock();
  std::thread t2([&] {
    otherGot = m.TryLock();
    if (otherGot) m.Unlock();
  });
  t2.join();
  EXPECT_TRUE(otherGot);
  Core_MutexLock none(nullptr);  // a null mutex is ignored
}
