#include "ascompiler/containers.h"
#include "ascompiler/arena.h"

#include <gtest/gtest.h>

#include <vector>

#include "ascompiler/constant_pool.h"
#include "ascompiler/string_table.h"

namespace fc {
namespace {

TEST(VectorTest, CapacityGrowsByFourThenSixteenThenAQuarter) {
  TVector<int> v;
  std::vector<int> capacities{v.Capacity()};
  for (int i = 0; i < 96; ++i) {
    v.Add(i);
    if (v.Capacity() != capacities.back()) capacities.push_back(v.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(VectorTest, The65thElementGrowsCapacity64To80) {
  TVector<int> v;
  v.Reserve(64);
  for (int i = 0; i < 64; ++i) v.Add(i);
  EXPECT_EQ(v.Capacity(), 64);
  v.Add(64);
  EXPECT_EQ(v.Capacity(), 80);
}

TEST(VectorTest, IndexOfAbsentIsNotFound) {
  TVector<int> v;
  v.Add(3);
  EXPECT_EQ(v.IndexOf(4), -2147483648);
  EXPECT_EQ(v.IndexOf(3), 0);
}

TEST(VectorTest, RangeErrorsCarryClassNameAndIndex) {
  TVector<int> v("TStrVector");
  v.Add(1);
  try {
    (void)v[5];
    FAIL();
  } catch (const EVectorRangeError& e) {
    EXPECT_STREQ(e.what(), "TStrVector: bounds check error. Incorrect index = 5");
    EXPECT_EQ(e.Index(), 5);
  }
  v.Pop();
  try {
    v.Pop();
    FAIL();
  } catch (const EVectorRangeError& e) {
    EXPECT_STREQ(e.what(), "TStrVector: Invalid Pop call. Vector is empty.");
  }
  try {
    v.Peek();
    FAIL();
  } catch (const EVectorRangeError& e) {
    EXPECT_STREQ(e.what(), "TStrVector: Invalid Peek call. Vector is empty.");
  }
}

TEST(VectorTest, InsertAtCountAppendsAndRemoveTakesFirstEqual) {
  TVector<int> v;
  v.Insert(0, 1);
  v.Insert(1, 3);
  v.Insert(1, 2);
  v.Add(2);
  v.Remove(2);
  EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{1, 3, 2}));
  EXPECT_THROW(v.Insert(7, 0), EVectorRangeError);
}

TEST(VectorTest, SortAndSearchFindTheFirstMatch) {
  TVector<int> v;
  for (int x : {5, 3, 9, 3, 1, 7, 3, 0}) v.Add(x);
  v.Sort([](int a, int b) { return a - b; });
  EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{0, 1, 3, 3, 3, 5, 7, 9}));
  EXPECT_EQ(v.Search([](int item) { return 3 - item; }), 2);
  EXPECT_EQ(v.Search([](int item) { return 4 - item; }), NotFound);
  EXPECT_EQ(TVector<int>().Search([](int) { return 0; }), NotFound);
}

TEST(SmallVectorTest, KeepsOrderAcrossTheMoveOutOfItsInlineItems) {
  TArena arena;
  TSmallVector<int, 2> v("TObjectVector", &arena);
  EXPECT_TRUE(v.Empty());
  EXPECT_TRUE(v.empty());
  for (int i = 0; i < 9; ++i) v.Add(i * 10);
  EXPECT_EQ(v.Count(), 9);
  EXPECT_EQ(v.size(), 9u);
  EXPECT_EQ(v[8], 80);
  EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80}));
  EXPECT_EQ(v.IndexOf(30), 3);
  EXPECT_EQ(v.IndexOf(31), NotFound);
}

TEST(SmallVectorTest, InsertAndDeleteShiftTheRest) {
  TArena arena;
  TSmallVector<int, 2> v;
  v.SetArena(&arena);
  v.Add(1);
  v.Insert(0, 0);
  v.Insert(2, 3);  // at Count: appends, and outgrows the inline items
  v.Insert(2, 2);
  EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{0, 1, 2, 3}));
  v.Delete(0);
  v.Delete(2);
  EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{1, 2}));
}

TEST(SmallVectorTest, GrowingWithoutAnArenaIsRefused) {
  TSmallVector<int, 2> v;
  v.Add(1);
  v.Add(2);
  EXPECT_THROW(v.Add(3), std::logic_error);
  EXPECT_EQ(v.Count(), 2);
}

TEST(SmallVectorTest, RangeErrorsCarryClassNameAndIndex) {
  TSmallVector<int, 4> v("TObjectVector");
  v.Add(1);
  try {
    (void)v[1];
    FAIL();
  } catch (const EVectorRangeError& e) {
    EXPECT_STREQ(e.what(), "TObjectVector: bounds check error. Incorrect index = 1");
    EXPECT_EQ(e.Index(), 1);
  }
  EXPECT_THROW(v.Delete(-1), EVectorRangeError);
  EXPECT_THROW(v.Insert(3, 0), EVectorRangeError);
}

TEST(DictTest, StringHashShiftsBytesByPosition) {
  EXPECT_EQ(StringHash("ab"), 97u * 256 + 98u * 65536);
  EXPECT_EQ(StringHash("abcd"), 97u * 256 + 98u * 65536 + 99u * 16777216 + 100u);
  EXPECT_EQ(IntHash(-1) % 113, 4294967295u % 113);
}

TEST(DictTest, NewItemsGoToTheHeadOfTheirChain) {
  THash<int32_t, int, TIntKeyHash> dict(113);
  dict.Set(5, 1);
  dict.Set(118, 2);  // same bucket as 5
  dict.Set(3, 3);
  std::vector<int32_t> order;
  dict.ForEach([&](int32_t key, int) { order.push_back(key); });
  EXPECT_EQ(order, (std::vector<int32_t>{3, 118, 5}));
  dict.Rehash(1);
  EXPECT_EQ(dict.Count(), 3);
  EXPECT_EQ(dict.Get(118), 2);
}

TEST(DictTest, StrictReadOfAMissingKeyThrows) {
  THash<std::string, int, TStringKeyHash> strict(113, true);
  try {
    strict.Get("x");
    FAIL();
  } catch (const EDictKeyNotFound& e) {
    EXPECT_STREQ(e.what(), "TDict.GetItem: Key not found.");
  }
  THash<std::string, int, TStringKeyHash> lax(113, false);
  EXPECT_EQ(lax.Get("x"), 0);
  EXPECT_EQ(lax.Count(), 1);
  lax.Remove("x");
  EXPECT_EQ(lax.Count(), 0);
}

TEST(StringTableTest, SeedsComeFirstAndIdsAreCaseSensitive) {
  TStringTable strings;
  EXPECT_EQ(strings.Intern(""), 0);
  EXPECT_EQ(strings.Intern("this"), 1);
  EXPECT_EQ(strings.Intern("_global"), 5);
  EXPECT_EQ(strings.Intern("Object"), 6);
  EXPECT_EQ(strings.Intern("object"), 7);
  EXPECT_EQ(strings.Intern("Object"), 6);
  EXPECT_EQ(strings.Text(7), "object");
  EXPECT_THROW(strings.Text(8), EVectorRangeError);
}

TEST(StringTableTest, ManyNamesKeepTheirIds) {
  TStringTable strings;
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(strings.Intern("n" + std::to_string(i)), 7 + i);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(strings.Intern("n" + std::to_string(i)), 7 + i);
}

TEST(ConstantPoolTest, IndexIsThePositionOfFirstUse) {
  TConstantPool pool;
  EXPECT_EQ(pool.IndexOf(10), 0);
  EXPECT_EQ(pool.IndexOf(4), 1);
  EXPECT_EQ(pool.IndexOf(10), 0);
  EXPECT_EQ(pool.Count(), 2);
}

}  // namespace
}  // namespace fc
