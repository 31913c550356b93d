// Counts heap allocations made while the adapter processes blocks: after the first
// block, processing must allocate nothing. Global operator new is replaced in this test
// executable; outside sanitizer builds malloc, calloc and realloc are counted as well.
#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair
#include "vst3/support/TestHost.h"

#include <gtest/gtest.h>

#include "vst3/IEffectVST3Factory.h"

#include <atomic>
#include <cstdlib>
#include <new>

using namespace Steinberg;
using namespace Steinberg::Vst;

// The replacements below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
// When above 0: counts allocations down, and the one that reaches 0 fails.
std::atomic<long> gFailCountdown{0};

bool FailThisOne()
{
  long n = gFailCountdown.load(std::memory_order_relaxed);
  while (n > 0 && !gFailCountdown.compare_exchange_weak(n, n - 1)) {}
  return n == 1;
}

void* CountedAlloc(size_t size)
{
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1);
  if (FailThisOne()) return nullptr;
  return std::malloc(size ? size : 1);
}
}  // namespace

void* operator new(size_t size)
{
  void* p = CountedAlloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size)
{
  void* p = CountedAlloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* malloc(size_t size)
{
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1);
  if (FailThisOne()) return nullptr;
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size)
{
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1);
  if (FailThisOne()) return nullptr;
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size)
{
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1);
  if (FailThisOne()) return nullptr;
  return __libc_realloc(p, size);
}
}
#endif

namespace {

// Counts allocations made in the calls of f.
template <class F>
long AllocationsDuring(F f)
{
  gAllocations = 0;
  gCounting = true;
  f();
  gCounting = false;
  return gAllocations.load();
}

}  // namespace

TEST(ProcessAllocations, CounterSeesAllocations)
{
  static int* volatile sink;
  EXPECT_GE(AllocationsDuring([] { sink = new int(3); }), 1);
  delete sink;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  static void* volatile block;
  EXPECT_GE(AllocationsDuring([] { block = malloc(16); }), 1);
  free(block);
#endif
}

TEST(ProcessAllocations, NoAllocationAfterTheFirstBlock)
{
  for (int32 size : {kSample32, kSample64})
  {
    SCOPED_TRACE(size);
    NamedHostApplication host("Test Host");
    auto* plug = new TestEffect(IEffectInstanceInfo(), 2);
    StartPlugin(plug, &host, size, 128);
    const bool use64 = size == kSample64;
    TestBlock block(128, use64), longBlock(128 * 3 + 1, use64), mono(100, use64, 1);
    TestParamChanges changes, outChanges;
    block.mData.outputParameterChanges = &outChanges;
    ProcessContext ctx = {};
    ctx.tempo = 120.0;
    block.mData.processContext = &ctx;
    ASSERT_EQ(plug->process(block.mData), kResultOk);

    const long n = AllocationsDuring([&] {
      for (int i = 0; i < 20; ++i)
      {
        changes.Clear();
        outChanges.Clear();
        changes.Add(TestEffect::kGain, {0.1, 0.2, i / 20.0});
        changes.Add(TestEffect::kActive, {(double)(i & 1)});
        changes.Add(IEffectVST3::kBypassParamID, {i % 3 == 0 ? 1.0 : 0.0});
        if (i == 7) changes.Add(IEffectVST3::kPresetParamID, {0.0});
        block.mData.inputParameterChanges = &changes;
        plug->process(block.mData);
        plug->process(longBlock.mData);
        plug->process(mono.mData);
        block.mData.numSamples = 0;
        plug->process(block.mData);
        block.mData.numSamples = 128;
      }
    });
    EXPECT_EQ(n, 0);
    plug->terminate();
    plug->release();
  }
}

TEST(OutOfMemory, EveryHostEntryFailsCleanly)
{
  // The k-th allocation fails, for every k until one pass needs no failure handled: each
  // time the host gets either a complete instance (an allocation may be retried smaller)
  // or an error code and no instance - never an exception or a crash, and nothing leaks
  // (the sanitizer build checks the last two).
  IPluginFactory* factory = GetPluginFactory();
  ASSERT_NE(factory, nullptr);
  PClassInfo info;
  ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
  const int before = TestEffect::sInstances;
  int refused = 0;
  for (long k = 1;; ++k)
  {
    void* obj = &obj;
    gFailCountdown = k;
    const tresult r = factory->createInstance(info.cid, IComponent::iid, &obj);
    const bool failed = gFailCountdown == 0;
    gFailCountdown = 0;
    if (r == kResultOk)
    {
      // Whatever succeeded is whole: every parameter exists.
      auto* plug = dynamic_cast<IEffectVST3*>(static_cast<IComponent*>(obj));
      ASSERT_NE(plug, nullptr) << k;
      ASSERT_EQ(plug->NParams(), TestEffect::kNumParams) << k;
      for (int i = 0; i < TestEffect::kNumParams; ++i) ASSERT_NE(plug->GetParam(i), nullptr) << k;
      static_cast<IComponent*>(obj)->release();
    }
    else
    {
      ++refused;
      EXPECT_EQ(r, kOutOfMemory) << k;
      EXPECT_EQ(obj, nullptr) << k;
    }
    EXPECT_EQ(TestEffect::sInstances, before) << k;
    if (!failed) break;
    ASSERT_LT(k, 100000);
  }
  EXPECT_GT(refused, 3);

  NamedHostApplication host("Test Host");
  for (long k = 1;; ++k)
  {
    auto* plug = new TestEffect();
    gFailCountdown = k;
    const tresult r = plug->initialize(&host);
    const bool failed = gFailCountdown == 0;
    gFailCountdown = 0;
    EXPECT_TRUE(r == kOutOfMemory || r == kResultOk) << k;
    plug->terminate();
    plug->release();
    if (!failed) break;
    ASSERT_LT(k, 100000);
  }
  factory->release();
}
