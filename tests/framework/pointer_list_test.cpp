// PointerList: the enumerators' record of what they handed out.
#include "framework/pointer_list.h"

#include <gtest/gtest.h>

#include "standin_hooks.h"

namespace {

TEST(PointerListTest, FindsOnlyWhatIsStillListed) {
  int a = 0;
  int b = 0;
  int c = 0;
  PointerList list;
  EXPECT_FALSE(list.Find(&a));
  ASSERT_TRUE(list.Append(&a));
  ASSERT_TRUE(list.Append(&b));
  EXPECT_TRUE(list.Find(&a));
  EXPECT_TRUE(list.Find(&b));
  EXPECT_FALSE(list.Find(&c));
  EXPECT_EQ(list.Count(), 2);

  list.RemoveLast();
  EXPECT_FALSE(list.Find(&b));
  EXPECT_TRUE(list.Find(&a));
  ASSERT_TRUE(list.Append(&c));
  EXPECT_TRUE(list.Find(&c));
  EXPECT_EQ(list.Count(), 2);
  list.RemoveLast();
  list.RemoveLast();
  list.RemoveLast();  // nothing left to remove
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Find(&a));
  ASSERT_TRUE(list.Append(&b));
  EXPECT_TRUE(list.Find(&b));

  list.RemoveAll();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Find(&a));
  ASSERT_TRUE(list.Append(&c));
  EXPECT_TRUE(list.Find(&c));
}

TEST(PointerListTest, AppendListCopiesInOrderAndStopsAtAFailure) {
  int items[3] = {};
  PointerList source;
  for (int& item : items) {
    ASSERT_TRUE(source.Append(&item));
  }
  PointerList copy;
  ASSERT_TRUE(copy.AppendList(source));
  EXPECT_EQ(copy.Count(), 3);
  // Appending a list to itself copies each entry once.
  ASSERT_TRUE(copy.AppendList(copy));
  EXPECT_EQ(copy.Count(), 6);

  PointerList partial;
  StandinFailNthAllocation(2);
  EXPECT_FALSE(partial.AppendList(source));
  StandinFailNthAllocation(0);
  EXPECT_EQ(partial.Count(), 1);
  EXPECT_TRUE(partial.Find(&items[0]));
  EXPECT_FALSE(partial.Find(&items[1]));
}

}  // namespace
