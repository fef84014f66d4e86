// Tests of the item lists, byte array, marker list and key set.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/model/oxcontainers.h"

namespace ox {
namespace {

struct TPoint3 {
  int32_t x, y, z;
};

TEST(OXListTest, SetCountKeepsPrefixAndZeroesNewItems) {
  TOXRecordList list(sizeof(TPoint3));
  const TPoint3 a{1, 2, 3}, b{4, 5, 6};
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  EXPECT_TRUE(list.Changed);
  list.SetCount(4);
  TPoint3 p{};
  std::memcpy(&p, list.Item(1), sizeof p);
  EXPECT_EQ(p.y, 5);
  std::memcpy(&p, list.Item(3), sizeof p);
  EXPECT_EQ(p.x | p.y | p.z, 0);
  list.SetCount(1);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Item(1), nullptr);
  std::memcpy(&p, list.Item(0), sizeof p);
  EXPECT_EQ(p.z, 3);
}

TEST(OXListTest, DeleteOutOfRangeIsIgnoredAndClearResetsChanged) {
  TOXIntegerList list;
  for (int v : {10, 20, 30}) list.Add(v);
  list.Changed = false;
  list.Delete(3);
  list.Delete(-1);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_FALSE(list.Changed);
  list.Delete(1);
  EXPECT_TRUE(list.Changed);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Value(0), 10);
  EXPECT_EQ(list.Value(1), 30);
  EXPECT_EQ(list.Value(2), 0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Changed);
}

TEST(OXListTest, ValueListsCopyAndClearTheirRange) {
  TOXDoubleList src;
  src.Add(1.5);
  src.Add(-2.25);
  src.RangeMin = 0.5;
  src.RangeMax = 9;
  src.RangeStep = 0.5;
  src.CurrentValue = 3;
  TOXDoubleList dst;
  static_cast<TOXList&>(dst).Assign(src);  // through the virtual slot
  EXPECT_EQ(dst.Count(), 2);
  EXPECT_EQ(dst.ItemSize(), 8);
  EXPECT_DOUBLE_EQ(dst.Value(1), -2.25);
  EXPECT_DOUBLE_EQ(dst.RangeMax, 9);
  EXPECT_DOUBLE_EQ(dst.CurrentValue, 3);
  EXPECT_TRUE(dst.Changed);

  // A foreign list changes the item size; Clear restores it along with the zeroed range.
  TOXRecordList other(3);
  dst.Assign(other);
  EXPECT_EQ(dst.ItemSize(), 3);
  static_cast<TOXList&>(dst).Clear();
  EXPECT_EQ(dst.ItemSize(), 8);
  EXPECT_DOUBLE_EQ(dst.RangeMin, 0);
  EXPECT_DOUBLE_EQ(dst.RangeMax, 0);
  EXPECT_DOUBLE_EQ(dst.RangeStep, 0);
  EXPECT_DOUBLE_EQ(dst.CurrentValue, 0);
  EXPECT_FALSE(dst.Changed);
}

TEST(OXByteArrayTest, CapacityMovesInSteps) {
  TOXByteArray bytes;
  EXPECT_EQ(bytes.Capacity(), 8192);
  bytes.SetCount(8192);
  EXPECT_EQ(bytes.Capacity(), 8192);
  bytes.Data()[8191] = 0xAB;
  bytes.Add(7);
  EXPECT_EQ(bytes.Count(), 8193);
  EXPECT_EQ(bytes.Capacity(), 16385);
  EXPECT_EQ(bytes.Data()[8191], 0xAB);
  EXPECT_EQ(bytes.Data()[8192], 7);
  bytes.SetCount(8193 - 1);  // 8193 unused: more than one step
  EXPECT_EQ(bytes.Capacity(), 16384);
  bytes.SetCount(8192);
  EXPECT_EQ(bytes.Capacity(), 16384);
  bytes.Clear();
  EXPECT_EQ(bytes.Count(), 0);
  EXPECT_EQ(bytes.Capacity(), 8192);
}

TEST(OXMarkerListTest, AddReplaceFindAndCopyDeep) {
  TOXMarkerList markers;
  const uint8_t exif[] = {'E', 'x', 'i', 'f'};
  const uint8_t icc[] = {1, 2};
  EXPECT_EQ(markers.Add(0xE1, exif, sizeof exif), 0);
  EXPECT_EQ(markers.Add(0xE2, icc, sizeof icc), 1);
  EXPECT_EQ(markers.Add(0xE2, nullptr, 65536), -1);
  EXPECT_EQ(markers.IndexOfType(0xE2), 1);
  EXPECT_EQ(markers.IndexOfType(0xED), -1);

  TOXMarkerList copy;
  copy.Assign(markers);
  markers.Replace(0, 0xED, icc, sizeof icc);
  EXPECT_EQ(markers.MarkerType(0), 0xED);
  EXPECT_EQ(markers.MarkerData(0).size(), 2u);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.MarkerType(0), 0xE1);
  EXPECT_EQ(copy.MarkerData(0)[3], 'f');
  markers.Replace(5, 0xE1, exif, sizeof exif);  // ignored
  markers.Clear();
  EXPECT_EQ(markers.Count(), 0);
}

TEST(Hash1Test, CountsDistinctKeysAcrossChains) {
  THash1 hash(2);  // 4 buckets: keys 1, 5 and 9 share a chain
  EXPECT_EQ(hash.BucketCount(), 4u);
  EXPECT_TRUE(hash.Insert(1));
  EXPECT_TRUE(hash.Insert(5));
  EXPECT_TRUE(hash.Insert(9));
  EXPECT_FALSE(hash.Insert(5));
  EXPECT_TRUE(hash.Insert(0xFFFFFFFFu));
  EXPECT_EQ(hash.Count(), 4);
  EXPECT_TRUE(hash.Contains(9));
  EXPECT_FALSE(hash.Contains(13));
}

}  // namespace
}  // namespace ox
