#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "core/kvClasses.h"

namespace {

// An object that reports its destruction, to see which objects a list destroys.
struct Probe : kv::TkvObject {
  explicit Probe(int* destroyed = nullptr) : destroyed_(destroyed) {}
  ~Probe() override {
    if (destroyed_) ++*destroyed_;
  }
  int* destroyed_;
};

std::vector<int64_t> IDs(const kv::TkvObjectList& list) {
  std::vector<int64_t> ids;
  for (int32_t i = 0; i < list.GetCount(); ++i) ids.push_back(list.GetID(i));
  return ids;
}

void FillTo(kv::TkvObjectList& list, int32_t count, kv::TkvObject* obj) {
  while (list.GetCount() < count) list.Add(list.GetCount(), obj);
}

TEST(ObjectList, GrowthSteps) {
  struct Case {
    int32_t from, to;
  };
  Probe p;
  for (Case c : {Case{0, 4}, Case{4, 8}, Case{8, 12}, Case{12, 28}, Case{64, 80}, Case{65, 81}, Case{100, 125}}) {
    kv::TkvObjectList list;
    list.SetCapacity(c.from);
    FillTo(list, c.from, &p);
    EXPECT_EQ(list.Capacity(), c.from);
    list.Add(1000, &p);
    EXPECT_EQ(list.Capacity(), c.to) << "from " << c.from;
  }
}

TEST(ObjectList, AddInsertAndGet) {
  Probe a, b, c;
  kv::TkvObjectList list;
  EXPECT_EQ(list.Add(10, &a), 0);
  EXPECT_EQ(list.Add(30, &c), 1);
  list.Insert(1, 20, &b);
  EXPECT_EQ(IDs(list), (std::vector<int64_t>{10, 20, 30}));
  EXPECT_EQ(list.GetObject(1), &b);
  kv::TkvObjectList::Item item{};
  list.GetItem(2, item);
  EXPECT_EQ(item.ID, 30);
  EXPECT_EQ(item.Obj, &c);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.IndexOfID(10), -1);
}

TEST(ObjectList, InsertWithNegativeIDFailsAndChangesNothing) {
  Probe p;
  kv::TkvObjectList list;
  list.SetCapacity(2);
  list.Add(1, &p);
  list.Add(2, &p);  // full: a successful insert would grow it
  try {
    list.Insert(1, -1, &p);
    FAIL() << "no exception";
  } catch (const kv::EInvalidID& e) {
    EXPECT_STREQ(e.what(), "Invalid unique ID (-1)");
  }
  EXPECT_EQ(IDs(list), (std::vector<int64_t>{1, 2}));
  EXPECT_EQ(list.Capacity(), 2);
  EXPECT_EQ(list.IndexOfID(-1), -1);
}

TEST(ObjectList, GetObjectOutsideTheListFails) {
  Probe p;
  kv::TkvObjectList list;
  list.Add(5, &p);
  for (int32_t index : {-1, 1, 1000}) {
    try {
      list.GetObject(index);
      FAIL() << "no exception for " << index;
    } catch (const kv::Exception& e) {
      EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
}

TEST(ObjectList, MergeKeepsFirstAndDestroysTheOthersDuplicates) {
  int destroyed = 0;
  Probe two, three;
  auto* otherOne = new Probe(&destroyed);
  auto* otherTwo = new Probe(&destroyed);
  kv::TkvObjectList list, other;
  list.Add(2, &two);
  list.Add(3, &three);
  other.Add(1, otherOne);
  other.Add(2, otherTwo);

  list.Merge(other);
  EXPECT_EQ(IDs(list), (std::vector<int64_t>{2, 3, 1}));
  EXPECT_EQ(list.GetObject(0), &two);
  EXPECT_EQ(list.GetObject(2), otherOne);
  EXPECT_EQ(list.Capacity(), 4);
  EXPECT_EQ(destroyed, 1);  // only the other list's ID 2
  EXPECT_EQ(list.IndexOfID(1), 2);
  EXPECT_EQ(other.GetCount(), 2);  // the other list keeps its pairs; its owner clears it
  delete otherOne;
}

TEST(ObjectList, MergeWithItselfDestroysNothing) {
  int destroyed = 0;
  auto* obj = new Probe(&destroyed);
  kv::TkvObjectList list;
  list.Add(7, obj);
  list.Merge(list);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(IDs(list), (std::vector<int64_t>{7}));
  if (destroyed == 0) delete obj;
}

// The hash index must answer exactly as a linear first-match search would, whatever mix
// of appends, inserts in the middle, duplicate IDs and merges built the list.
TEST(ObjectList, IndexOfIDMatchesLinearSearch) {
  std::mt19937 rng(20240611);
  Probe p;
  auto linear = [](const std::vector<int64_t>& ids, int64_t id) {
    for (size_t i = 0; i < ids.size(); ++i)
      if (ids[i] == id) return static_cast<int32_t>(i);
    return int32_t{-1};
  };
  std::vector<std::unique_ptr<Probe>> owned;  // objects merged in, freed at the end
  for (int round = 0; round < 20; ++round) {
    kv::TkvObjectList list;
    std::vector<int64_t> model;
    for (int step = 0; step < 300; ++step) {
      int64_t id = static_cast<int64_t>(rng() % 120) << (rng() % 2 ? 40 : 0);
      switch (rng() % 4) {
        case 0:
        case 1:
          list.Add(id, &p);
          model.push_back(id);
          break;
        case 2: {
          auto at = static_cast<int32_t>(rng() % (model.size() + 1));
          list.Insert(at, id, &p);
          model.insert(model.begin() + at, id);
          break;
        }
        default: {
          // Merge destroys the other list's objects whose ID is present: give it objects
          // of its own and count what it destroys.
          kv::TkvObjectList other;
          int destroyed = 0, duplicates = 0;
          std::vector<Probe*> fresh;
          for (int k = 0; k < 3; ++k) {
            int64_t otherId = static_cast<int64_t>(rng() % 150);
            auto* obj = new Probe(&destroyed);
            other.Add(otherId, obj);
            if (linear(model, otherId) < 0) {
              model.push_back(otherId);
              fresh.push_back(obj);
            } else {
              ++duplicates;
            }
          }
          list.Merge(other);
          ASSERT_EQ(destroyed, duplicates);
          for (Probe* obj : fresh) {
            obj->destroyed_ = nullptr;
            owned.emplace_back(obj);
          }
        }
      }
      ASSERT_EQ(IDs(list), model);
      for (int64_t probe : {id, int64_t{0}, int64_t{5}, int64_t{119} << 40, int64_t{999}})
        ASSERT_EQ(list.IndexOfID(probe), linear(model, probe)) << "round " << round << " step " << step;
    }
  }
}

}  // namespace
