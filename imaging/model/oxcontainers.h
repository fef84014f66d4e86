// Small containers of the imaging library: item lists, byte array, marker list and a 32-bit key set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ox {

// Count items of ItemSize bytes in one block. Changed is set by SetCount, Delete and Add.
class TOXList {
 public:
  explicit TOXList(int itemSize = 0) : itemSize_(itemSize < 0 ? 0 : itemSize) {}
  virtual ~TOXList() = default;
  TOXList(const TOXList&) = default;
  TOXList& operator=(const TOXList&) = default;

  // Resizes to exactly n items (n < 0 counts as 0), keeping the first min(old, n); new items are zero.
  virtual void SetCount(int n);
  // Removes item i; an index outside 0..Count-1 is ignored.
  virtual void Delete(int i);
  // Count 0, storage freed, Changed false.
  virtual void Clear();
  // Copies count, item size, Changed and the items.
  virtual void Assign(const TOXList& source);

  // Appends a copy of ItemSize bytes at item (zeroes when item is null); returns its index.
  int Add(const void* item);
  // Address of item i, or null when i is out of range.
  uint8_t* Item(int i);
  const uint8_t* Item(int i) const;

  int Count() const { return count_; }
  int ItemSize() const { return itemSize_; }
  bool Changed = false;

 protected:
  void SetItemSize(int size);

 private:
  int itemSize_;
  int count_ = 0;
  std::vector<uint8_t> data_;
};

// A list of one numeric type with the range the parameter dialogs show for it.
template <typename T>
class TOXValueList : public TOXList {
 public:
  TOXValueList() : TOXList(sizeof(T)) {}
  // Also zeroes the range values and restores the item size.
  void Clear() override;
  // Also copies the range values when the source is a list of the same type.
  void Assign(const TOXList& source) override;

  int Add(T v) { return TOXList::Add(&v); }
  // Item i, or 0 when i is out of range.
  T Value(int i) const;
  void SetValue(int i, T v);

  T RangeMin{}, RangeMax{}, RangeStep{}, CurrentValue{};
};

using TOXDoubleList = TOXValueList<double>;
using TOXIntegerList = TOXValueList<int32_t>;

// Items of a size fixed at construction; holds point lists and similar records.
class TOXRecordList : public TOXList {
 public:
  explicit TOXRecordList(int itemSize) : TOXList(itemSize) {}
};

// A growable byte block whose capacity moves in steps of Increment bytes.
class TOXByteArray {
 public:
  static constexpr int64_t Increment = 8192;

  TOXByteArray() : data_(Increment) {}
  // A count past the capacity, or one leaving more than Increment bytes unused, reallocates to count + Increment.
  void SetCount(int64_t n);
  void Add(uint8_t b);
  void Clear() { SetCount(0); }

  int64_t Count() const { return count_; }
  int64_t Capacity() const { return int64_t(data_.size()); }
  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }
  std::span<const uint8_t> Bytes() const { return {data_.data(), size_t(count_)}; }

 private:
  int64_t count_ = 0;
  std::vector<uint8_t> data_;
};

// Ordered (marker type, byte block) pairs: the JPEG application markers of the I/O parameters.
class TOXMarkerList {
 public:
  static constexpr size_t MaxLength = 65535;

  // Copies the data; returns the new index, or -1 (nothing added) when length exceeds MaxLength.
  int Add(uint8_t type, const void* data, size_t length);
  // Replaces entry index; ignored when index is out of range or length exceeds MaxLength.
  void Replace(int index, uint8_t type, const void* data, size_t length);
  // First index holding type, or -1.
  int IndexOfType(uint8_t type) const;
  void Delete(int index);
  void Clear() { items_.clear(); }
  void Assign(const TOXMarkerList& source) { items_ = source.items_; }

  int Count() const { return int(items_.size()); }
  uint8_t MarkerType(int index) const { return items_.at(size_t(index)).type; }
  std::span<const uint8_t> MarkerData(int index) const { return items_.at(size_t(index)).data; }

 private:
  struct Entry {
    uint8_t type;
    std::vector<uint8_t> data;
  };
  std::vector<Entry> items_;
};

// A set of 32-bit keys in 2^bits buckets; bucket = key and (buckets - 1).
class THash1 {
 public:
  // bits is limited to 0..24 to keep the table bounded.
  explicit THash1(int bits);
  // True when key was not yet present.
  bool Insert(uint32_t key);
  bool Contains(uint32_t key) const;
  int64_t Count() const { return count_; }
  size_t BucketCount() const { return buckets_.size(); }

 private:
  std::vector<std::vector<uint32_t>> buckets_;
  uint32_t mask_;
  int64_t count_ = 0;
};

}  // namespace ox
