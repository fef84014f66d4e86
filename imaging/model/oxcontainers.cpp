// Small containers of the imaging library (see oxcontainers.h).
#include "imaging/model/oxcontainers.h"

#include <algorithm>
#include <cstring>

namespace ox {

void TOXList::SetCount(int n) {
  if (n < 0) n = 0;
  data_.resize(size_t(n) * size_t(itemSize_));
  data_.shrink_to_fit();
  count_ = n;
  Changed = true;
}

void TOXList::Delete(int i) {
  if (i < 0 || i >= count_) return;
  const auto first = data_.begin() + ptrdiff_t(i) * itemSize_;
  data_.erase(first, first + itemSize_);
  data_.shrink_to_fit();
  --count_;
  Changed = true;
}

void TOXList::Clear() {
  std::vector<uint8_t>().swap(data_);
  count_ = 0;
  Changed = false;
}

void TOXList::Assign(const TOXList& source) {
  if (&source == this) return;
  itemSize_ = source.itemSize_;
  count_ = source.count_;
  data_ = source.data_;
  Changed = source.Changed;
}

int TOXList::Add(const void* item) {
  const int index = count_;
  SetCount(count_ + 1);
  if (item && itemSize_ > 0) std::memcpy(Item(index), item, size_t(itemSize_));
  return index;
}

uint8_t* TOXList::Item(int i) {
  return i >= 0 && i < count_ ? data_.data() + size_t(i) * size_t(itemSize_) : nullptr;
}

const uint8_t* TOXList::Item(int i) const {
  return i >= 0 && i < count_ ? data_.data() + size_t(i) * size_t(itemSize_) : nullptr;
}

void TOXList::SetItemSize(int size) {
  itemSize_ = size;
  SetCount(0);
}

template <typename T>
void TOXValueList<T>::Clear() {
  TOXList::Clear();
  if (ItemSize() != int(sizeof(T))) {
    SetItemSize(sizeof(T));
    Changed = false;
  }
  RangeMin = RangeMax = RangeStep = CurrentValue = T{};
}

template <typename T>
void TOXValueList<T>::Assign(const TOXList& source) {
  TOXList::Assign(source);
  if (const auto* s = dynamic_cast<const TOXValueList<T>*>(&source)) {
    RangeMin = s->RangeMin;
    RangeMax = s->RangeMax;
    RangeStep = s->RangeStep;
    CurrentValue = s->CurrentValue;
  }
}

template <typename T>
T TOXValueList<T>::Value(int i) const {
  T v{};
  if (const uint8_t* p = Item(i); p && ItemSize() == int(sizeof(T))) std::memcpy(&v, p, sizeof(T));
  return v;
}

template <typename T>
void TOXValueList<T>::SetValue(int i, T v) {
  if (uint8_t* p = Item(i); p && ItemSize() == int(sizeof(T))) {
    std::memcpy(p, &v, sizeof(T));
    Changed = true;
  }
}

template class TOXValueList<double>;
template class TOXValueList<int32_t>;

void TOXByteArray::SetCount(int64_t n) {
  if (n < 0) n = 0;
  const int64_t capacity = Capacity();
  if (n > capacity || capacity - n > Increment) {
    std::vector<uint8_t> grown(size_t(n + Increment));
    std::copy_n(data_.begin(), std::min(count_, n), grown.begin());
    data_.swap(grown);
  }
  count_ = n;
}

void TOXByteArray::Add(uint8_t b) {
  SetCount(count_ + 1);
  data_[size_t(count_ - 1)] = b;
}

int TOXMarkerList::Add(uint8_t type, const void* data, size_t length) {
  if (length > MaxLength) return -1;
  const auto* p = static_cast<const uint8_t*>(data);
  items_.push_back({type, p ? std::vector<uint8_t>(p, p + length) : std::vector<uint8_t>(length)});
  return int(items_.size()) - 1;
}

void TOXMarkerList::Replace(int index, uint8_t type, const void* data, size_t length) {
  if (index < 0 || index >= Count() || length > MaxLength) return;
  const auto* p = static_cast<const uint8_t*>(data);
  items_[size_t(index)] = {type, p ? std::vector<uint8_t>(p, p + length) : std::vector<uint8_t>(length)};
}

int TOXMarkerList::IndexOfType(uint8_t type) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].type == type) return int(i);
  return -1;
}

void TOXMarkerList::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

THash1::THash1(int bits) {
  bits = std::clamp(bits, 0, 24);
  buckets_.resize(size_t(1) << bits);
  mask_ = uint32_t(buckets_.size() - 1);
}

bool THash1::Insert(uint32_t key) {
  auto& bucket = buckets_[key & mask_];
  if (std::find(bucket.begin(), bucket.end(), key) != bucket.end()) return false;
  bucket.push_back(key);
  ++count_;
  return true;
}

bool THash1::Contains(uint32_t key) const {
  const auto& bucket = buckets_[key & mask_];
  return std::find(bucket.begin(), bucket.end(), key) != bucket.end();
}

}  // namespace ox
