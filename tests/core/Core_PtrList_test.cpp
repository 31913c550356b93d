#include "core/Core_PtrList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Tracked
{
  explicit Tracked(std::vector<int>* log, int id) : log(log), id(id) {}
  ~Tracked() { log->push_back(id); }
  std::vector<int>* log;
  int id;
};

int gFreed = 0;
void CountingDelete(void* p)
{
  ++gFreed;
  delete (int*)p;
}

}  // namespace

TEST(Core_PtrList, GetAddInsertDelete)
{
  int a = 1, b = 2, c = 3, d = 4;
  Core_PtrList<int> list;
  EXPECT_EQ(list.Get(0), nullptr);  // no storage yet
  EXPECT_EQ(list.Add(&a), &a);
  EXPECT_EQ(list.Add(&b), &b);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Get(2), nullptr);

  EXPECT_EQ(list.Insert(99, &c), &c);  // limited to size: appends
  EXPECT_EQ(list.Insert(-3, &d), &d);  // limited to 0
  ASSERT_EQ(list.GetSize(), 4);
  EXPECT_EQ(list.Get(0), &d);
  EXPECT_EQ(list.Get(1), &a);
  EXPECT_EQ(list.Get(3), &c);
  EXPECT_EQ(list.Find(&b), 2);

  list.Delete(1);
  ASSERT_EQ(list.GetSize(), 3);
  EXPECT_EQ(list.Get(1), &b);
  list.Delete(7);  // ignored
  EXPECT_EQ(list.GetSize(), 3);
  list.Empty();
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.Get(0), nullptr);
}

TEST(Core_PtrList, DeletesOnlyWhenAsked)
{
  std::vector<int> log;
  Tracked* kept = new Tracked(&log, 9);
  {
    Core_PtrList<Tracked> list;
    list.Add(new Tracked(&log, 1));
    list.Add(nullptr);
    list.Add(new Tracked(&log, 2));
    list.Add(new Tracked(&log, 3));
    list.Delete(0, true);
    EXPECT_EQ(log, std::vector<int>({1}));
    list.Empty(true);  // last to first, skipping nulls
    EXPECT_EQ(log, std::vector<int>({1, 3, 2}));
    list.Add(kept);
  }  // the destructor frees only the list
  EXPECT_EQ(log.size(), 3u);
  delete kept;

  Core_PtrList<int> ints;
  ints.Add(new int(1));
  ints.Add(new int(2));
  ints.Empty(true, CountingDelete);
  EXPECT_EQ(gFreed, 2);
  EXPECT_EQ(ints.GetSize(), 0);
}

TEST(Core_PtrList, ManyItemsKeepOrder)
{
  static int items[5000];
  Core_PtrList<int> list;
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(list.Add(&items[i]), &items[i]);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(list.Get(i), &items[i]);
}
