#include "config/string_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "config/big_ini_file.h"

namespace pq {
namespace {

TEST(StringList, FindsEntriesAndNamesWithoutRegardToCase) {
  TStringList list;
  list.Add("Alpha");
  list.Add("key=value");
  list.Add("ALPHA");
  list.Add("plain");
  EXPECT_EQ(list.IndexOf("alpha"), 0);
  EXPECT_EQ(list.IndexOf("alph"), -1);
  EXPECT_EQ(list.IndexOfName("KEY"), 1);
  EXPECT_EQ(list.IndexOfName("plain"), -1) << "an entry without = has no name";
  EXPECT_EQ(list.NameOf(1), "key");
  EXPECT_EQ(list.NameOf(3), "");
}

TEST(StringList, KeepsObjectsBesideTheirEntries) {
  TStringList list;
  int a = 0, b = 0;
  list.Add("a", &a);
  list.Insert(0, "b", &b);
  EXPECT_EQ(list.Objects(0), &b);
  EXPECT_EQ(list.Objects(1), &a);
  list.Delete(0);
  EXPECT_EQ(list.Objects(0), &a);
  EXPECT_THROW(list.Delete(1), std::out_of_range);
  EXPECT_THROW(list.Strings(-1), std::out_of_range);
  EXPECT_THROW(list.Insert(2, "x"), std::out_of_range);
}

TEST(StringList, AddStringsCopiesEntriesWithTheirObjects) {
  int a = 0;
  TStringList plain, with_objects;
  plain.Add("p1");
  with_objects.Add("o1");
  with_objects.Add("o2", &a);
  plain.AddStrings(with_objects);
  ASSERT_EQ(plain.Count(), 3);
  EXPECT_EQ(plain[2], "o2");
  EXPECT_EQ(plain.Objects(0), nullptr);
  EXPECT_EQ(plain.Objects(2), &a);
  with_objects.AddStrings(with_objects);
  ASSERT_EQ(with_objects.Count(), 4);
  EXPECT_EQ(with_objects[3], "o2");
  EXPECT_EQ(with_objects.Objects(3), &a);
}

TEST(StringList, EntriesSurviveReplacementsAndDeletions) {
  TStringList list;
  for (int i = 0; i < 100; ++i) list.Add("entry " + std::to_string(i));
  for (int round = 0; round < 50; ++round)
    for (int i = 0; i < list.Count(); ++i)
      list.Put(i, std::string(100, 'x') + std::to_string(round * 1000 + i));
  for (int i = 99; i >= 0; i -= 2) list.Delete(i);
  list.Put(0, list[1]);  // its own text
  list.Insert(1, list[2]);
  ASSERT_EQ(list.Count(), 51);
  EXPECT_EQ(list[0], std::string(100, 'x') + "49002");
  EXPECT_EQ(list[1], std::string(100, 'x') + "49004");
  EXPECT_EQ(list[2], std::string(100, 'x') + "49002");
  EXPECT_EQ(list[50], std::string(100, 'x') + "49098");
}

TEST(StringList, UpdatesNotifyOnceAtTheOutermostEnd) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("b");
  list.Put(0, "c");
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  list.BeginUpdate();
  list.EndUpdate();
  EXPECT_EQ(changes, 2) << "nothing changed";
  list.EndUpdate();
  EXPECT_EQ(list.UpdateCount(), 0) << "an unmatched EndUpdate is ignored";
}

TEST(StringList, TextEndsEveryEntryWithCrLf) {
  TStringList list;
  list.Add("a");
  list.Add("");
  EXPECT_EQ(list.Text(), "a\r\n\r\n");
}

TEST(StringList, DeleteMarkedDropsTheFlaggedEntriesWithTheirObjectsInOnePass) {
  TStringList list;
  int objects[4] = {};
  for (int i = 0; i < 4; ++i) list.Add("entry" + std::to_string(i), &objects[i]);
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  // Flags may stop short of the list's end: the rest stay.
  list.DeleteMarked({1, 0, 1});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "entry1");
  EXPECT_EQ(list[1], "entry3");
  EXPECT_EQ(list.Objects(0), &objects[1]);
  EXPECT_EQ(list.Objects(1), &objects[3]);
  EXPECT_EQ(changes, 1);
  list.DeleteMarked({0, 0});
  EXPECT_EQ(changes, 1) << "nothing deleted, nothing changed";
}

TEST(SectionList, SearchStartsWhereTheLastOneHit) {
  TSectionList sections;
  for (const char* name : {"A", "B", "C", "b"}) sections.AddSection(name);
  EXPECT_EQ(sections.IndexOf("c"), 2);
  EXPECT_EQ(sections.LastFound(), 2);
  EXPECT_EQ(sections.IndexOf("B"), 3) << "the search goes on from the last hit";
  EXPECT_EQ(sections.IndexOf("a"), 0);
  EXPECT_EQ(sections.IndexOf("B"), 1);
  EXPECT_EQ(sections.IndexOf("missing"), -1);
  EXPECT_EQ(sections.LastFound(), 1);
  sections.Clear();
  EXPECT_EQ(sections.LastFound(), 0);
  EXPECT_EQ(sections.IndexOf("A"), -1);
}

TEST(SectionList, EachSectionOwnsItsLines) {
  TSectionList sections;
  sections.SectionItems(sections.AddSection("A"))->Add("K=1");
  sections.SectionItems(sections.AddSection("B"))->Add("K=2");
  sections.Delete(0);
  ASSERT_EQ(sections.Count(), 1);
  EXPECT_EQ(sections.SectionItems(0)->Strings(0), "K=2");
}

TEST(SectionList, DuplicateRemovalKeepsOneOfEveryName) {
  TSectionList sections;
  for (int i = 0; i < 20000; ++i) {
    const int index = sections.AddSection(i % 2 ? "Same" : "SAME");
    sections.SectionItems(index)->Add("n=" + std::to_string(i));
  }
  sections.AddSection("Other");
  EXPECT_TRUE(sections.EraseDuplicateSections(nullptr));
  ASSERT_EQ(sections.Count(), 2);
  EXPECT_EQ(sections[0], "SAME");
  EXPECT_EQ(sections.SectionItems(0)->Strings(0), "n=0");
  EXPECT_FALSE(sections.EraseDuplicateSections(nullptr));
}

TEST(SectionList, HandlerThatKeepsTheLaterLeavesTheLast) {
  TSectionList sections;
  for (const char* name : {"x", "X", "y", "x"}) sections.AddSection(name);
  int calls = 0;
  EXPECT_TRUE(sections.EraseDuplicateSections(
      [&](const std::string&, TStringList&, TStringList&) { return ++calls, false; }));
  EXPECT_EQ(calls, 2);
  ASSERT_EQ(sections.Count(), 2);
  EXPECT_EQ(sections[0], "y");
  EXPECT_EQ(sections[1], "x");
}

}  // namespace
}  // namespace pq
