// TOXIPTCInfoList: IPTC datasets (record, dataset, data) and their image-resource byte layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ox {

class TOXIPTCInfoList {
 public:
  struct TItem {
    uint8_t Record = 0;
    uint8_t Dataset = 0;
    std::vector<uint8_t> Data;
  };

  // Copies the data and sets UserChanged; returns the new index.
  int Add(uint8_t record, uint8_t dataset, const void* data, size_t length);
  void Clear() { items_.clear(); }
  void Assign(const TOXIPTCInfoList& source);
  int Count() const { return int(items_.size()); }
  const TItem& Item(int i) const { return items_.at(size_t(i)); }

  // The "Photoshop 3.0" resource block holding every dataset except the record version (2:0),
  // which writers add themselves; padded to an even size.
  std::vector<uint8_t> SaveToBuffer() const;
  // Replaces the list by the datasets in buffer (with or without the resource header). Reading stops
  // at the first byte that does not start a dataset or at a dataset running past the end.
  void LoadFromBuffer(const uint8_t* buffer, size_t length);
  void LoadFromBuffer(std::span<const uint8_t> buffer) { LoadFromBuffer(buffer.data(), buffer.size()); }

  bool UserChanged = false;

 private:
  std::vector<TItem> items_;
};

}  // namespace ox
