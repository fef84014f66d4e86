// ApplyFilter: the 3 x 3 user filter with a divisor, edges clamped, 64-bit sums; and the 43-byte filter
// file (signature 1, 3, 3, nine weights and the divisor as little-endian 32-bit integers).
#include <cstdio>
#include <memory>
#include <vector>

#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"

namespace ox {

bool ApplyFilter(gfx::TDib& dib, const gfx::TRect& region, const TUserFilter& kernel, const TOXMask* mask,
                 const TProcProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  // Products k_i * v for every byte value; 64 bits so that extreme weights cannot overflow the sums.
  std::vector<int64_t> table(9 * 256);
  for (int i = 0; i < 9; ++i)
    for (int v = 0; v < 256; ++v) table[i * 256 + v] = int64_t(kernel.Weights[i]) * v;
  const int64_t divisor = kernel.Divisor == 0 ? 1 : kernel.Divisor;
  ApplyOnSelection(dib, region, mask, [&](gfx::TDib& d, const gfx::TRect& r) {
    const TRowProgress meter(progress, r.Height());
    const int w = d.Width(), h = d.Height();
    std::vector<uint8_t> out(size_t(3) * r.Width() * r.Height());
    std::vector<int> cols(size_t(r.Width()) * 3);
    for (int x = r.Left; x < r.Right; ++x)
      for (int j = 0; j < 3; ++j) cols[size_t(x - r.Left) * 3 + j] = 3 * std::clamp(x - 1 + j, 0, w - 1);
    for (int y = r.Top; y < r.Bottom; ++y) {
      const uint8_t* rows[3] = {d.ScanLine(std::max(y - 1, 0)), d.ScanLine(y), d.ScanLine(std::min(y + 1, h - 1))};
      uint8_t* o = out.data() + size_t(3) * r.Width() * (y - r.Top);
      for (int x = 0; x < r.Width(); ++x) {
        const int* cx = &cols[size_t(x) * 3];
        for (int c = 0; c < 3; ++c) {
          int64_t sum = 0;
          for (int i = 0; i < 9; ++i) sum += table[i * 256 + rows[i / 3][cx[i % 3] + c]];
          o[3 * x + c] = ClampByte(sum / divisor);
        }
      }
      meter.Row(y - r.Top);
    }
    for (int y = r.Top; y < r.Bottom; ++y)
      std::copy_n(out.data() + size_t(3) * r.Width() * (y - r.Top), size_t(3) * r.Width(), d.ScanLine(y) + 3 * int64_t(r.Left));
  });
  return true;
}

namespace {
int32_t ReadI32LE(const uint8_t* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }
void WriteI32LE(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(uint32_t(v) >> (8 * i));
}
}  // namespace

bool ParseUserFilter(std::span<const uint8_t> bytes, TUserFilter& kernel) {
  if (bytes.size() < size_t(kUserFilterFileSize) || bytes[0] != 1 || bytes[1] != 3 || bytes[2] != 3) return false;
  for (int i = 0; i < 9; ++i) kernel.Weights[i] = ReadI32LE(bytes.data() + 3 + 4 * i);
  kernel.Divisor = ReadI32LE(bytes.data() + 39);
  return true;
}

std::array<uint8_t, kUserFilterFileSize> SerializeUserFilter(const TUserFilter& kernel) {
  std::array<uint8_t, kUserFilterFileSize> out{1, 3, 3};
  for (int i = 0; i < 9; ++i) WriteI32LE(out.data() + 3 + 4 * i, kernel.Weights[i]);
  WriteI32LE(out.data() + 39, kernel.Divisor);
  return out;
}

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

bool LoadUserFilter(const char* path, TUserFilter& kernel) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path, "rb"));
  if (!f) return false;
  uint8_t buf[kUserFilterFileSize];
  const size_t n = std::fread(buf, 1, sizeof buf, f.get());
  return ParseUserFilter(std::span<const uint8_t>(buf, n), kernel);
}

bool SaveUserFilter(const char* path, const TUserFilter& kernel) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path, "wb"));
  if (!f) return false;
  const auto bytes = SerializeUserFilter(kernel);
  return std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size() && std::fflush(f.get()) == 0;
}

}  // namespace ox
