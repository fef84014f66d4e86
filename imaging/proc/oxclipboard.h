// TOXClipboard: the picture exchange the processing component uses (packed DIB blocks).
#pragma once

#include <cstdint>
#include <vector>

namespace ox {

class TOXClipboard {
 public:
  virtual ~TOXClipboard() = default;
  // The packed DIB the clipboard offers, or an empty block when it holds no picture.
  virtual std::vector<uint8_t> GetDib() = 0;
  virtual void SetDib(std::vector<uint8_t> packed) = 0;
};

}  // namespace ox
