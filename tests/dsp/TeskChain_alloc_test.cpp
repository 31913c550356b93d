// Processing must not allocate: this file counts every operator new in the test program.

#include "dsp/TeskChain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> gNews{0};
}

// Both halves use malloc and free, so they match each other (the compiler cannot see that).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
  ++gNews;
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
// The nothrow form too: otherwise the sanitizers' own version would allocate what the
// replaced operator delete frees (the standard library's temporary buffers use it).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  ++gNews;
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept
{
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
  std::free(p);
}

namespace {

TEST(TeskChain, ProcessingAllocatesNothing)
{
  std::vector<double> l(3000, 0.25), r(3000, -0.5);
  TeskChain* chain = new TeskChain;
  chain->SetSampleRate(96000.0);
  const long before = gNews.load();
  for (int over = 0; over < 2; ++over)
    for (int ms = 0; ms < 2; ++ms)
    {
      chain->Process(l.data(), r.data(), l.data(), r.data(), 3000, 0, ms, over);
      chain->Process(l.data(), r.data(), l.data(), r.data(), 0, 1, ms, over);
    }
  chain->SetStoredValue(TeskChain::kMGAIN3R, 2.0);
  chain->Process(l.data(), r.data(), l.data(), r.data(), 17, 0, 1, 1);
  // Glides, a crossfade of the switches (which copies the sound path) and of BY.
  chain->SetStoredValue(TeskChain::kDRIVE, -20.0);
  chain->SetStoredValue(TeskChain::kHFREQL, 2.0);
  chain->Process(l.data(), r.data(), l.data(), r.data(), 300, 1, 0, 1);
  EXPECT_TRUE(chain->InTransition());
  chain->Process(l.data(), r.data(), l.data(), r.data(), 3000, 0, 1, 0);
  EXPECT_EQ(gNews.load(), before);
  delete chain;
}

} // namespace
