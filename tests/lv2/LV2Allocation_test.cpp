// Counts heap allocations made through operator new while the LV2 DSP library runs. The
// counting operators are exported from this executable, so the loaded library's calls
// resolve to them as well.

#include "LV2TestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> gAllocations{0};
std::atomic<bool> gCounting{false};

void* Allocate(std::size_t size)
{
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace

#define TESK_EXPORT __attribute__((visibility("default")))
TESK_EXPORT void* operator new(std::size_t size) { return Allocate(size); }
TESK_EXPORT void* operator new[](std::size_t size) { return Allocate(size); }
TESK_EXPORT void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
TESK_EXPORT void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept
{
  return operator new(size, t);
}
TESK_EXPORT void operator delete(void* p) noexcept { std::free(p); }
TESK_EXPORT void operator delete[](void* p) noexcept { std::free(p); }
TESK_EXPORT void operator delete(void* p, std::size_t) noexcept { std::free(p); }
TESK_EXPORT void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using namespace tesk_lv2;

TEST(LV2Allocation, CounterSeesTheLibrarysAllocationsAndRunMakesNone)
{
  LilvHost::Features features;
  features.maxBlock = 256;
  auto host = OpenTeskLV2(features);
  ASSERT_TRUE(host);

  // Instantiation allocates inside the library (liblilv itself uses malloc): the counter
  // sees the library's calls.
  gAllocations = 0;
  gCounting = true;
  LilvInstance* other = lilv_plugin_instantiate(host->Plugin(), 44100.0, nullptr);
  gCounting = false;
  ASSERT_NE(other, nullptr);
  lilv_instance_free(other);
  EXPECT_GT(gAllocations.load(), 0);

  std::vector<float> in(2000, 0.25f), out(4000);
  host->Run(in.data(), in.data(), out.data(), out.data() + 2000, 256);  // anything lazy happens here
  gAllocations = 0;
  gCounting = true;
  // Every kind of change a block can bring: gains, the link, a switch that moves the
  // latency, the host's bypass both ways, a block longer than the announced maximum,
  // in place, and none at all.
  const struct
  {
    const char* symbol;
    float value;
    uint32_t frames;
  } steps[] = {{"HGAINL", 5.0f, 256}, {"LINK", 1.0f, 100}, {"OVER", 1.0f, 256}, {"enabled", 0.0f, 2000},
               {"MS", 0.0f, 0},       {"enabled", 1.0f, 1}, {"HFREQR", 2.0f, 777}};
  for (const auto& s : steps)
  {
    host->Control(s.symbol) = s.value;
    host->Run(in.data(), in.data(), s.frames == 777 ? in.data() : out.data(), out.data() + 2000, s.frames);
  }
  gCounting = false;
  EXPECT_EQ(gAllocations.load(), 0);
}
