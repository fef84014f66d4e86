// TOXMask::DrawOutline: the marching-ants outline of a 1-bit mask at screen resolution.
#include <algorithm>
#include <vector>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxmask.h"

namespace ox {

namespace {

// Floor division by 16384: the pixels just left of and above the shown area map to the mask pixel before it.
int64_t StepFloor(int64_t step, int64_t c) {
  const int64_t v = step * c;
  return v >= 0 ? v / 16384 : -((-v + 16383) / 16384);
}

}  // namespace

void TOXMask::DrawOutline(gfx::TDib& dib, const gfx::TRect& dest, const gfx::TRect& source, int tick, gfx::TColor c1,
                          gfx::TColor c2) const {
  if (BitsPerPixel != 1 || !HasData() || IsEmpty()) return;
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit || dib.Empty() || dest.IsEmpty() || source.IsEmpty()) return;
  const int64_t dw = dest.Width(), dh = dest.Height();
  const int64_t stepX = Trunc(double(source.Width()) / double(dw) * 16384.0);
  const int64_t stepY = Trunc(double(source.Height()) / double(dh) * 16384.0);
  // Screen columns -1 ... dw (rows likewise) relative to dest, so that an edge of the window is outlined only
  // where the selection really ends there, not where it goes on beyond the shown part.
  auto mapped = [](int64_t n, int64_t step, int64_t origin, int64_t size) {
    std::vector<int64_t> m(size_t(n + 2));
    for (int64_t c = -1; c <= n; ++c) {
      const int64_t v = StepFloor(step, c) + origin;
      m[size_t(c + 1)] = v >= 0 && v < size ? v : -1;
    }
    return m;
  };
  const std::vector<int64_t> col = mapped(dw, stepX, source.Left, Width);
  const std::vector<int64_t> row = mapped(dh, stepY, source.Top, Height);
  // Only the screen span of the bounding box (and one pixel around it) can hold outline pixels.
  auto span = [](const std::vector<int64_t>& m, int64_t lo, int64_t hi, int64_t& first, int64_t& last) {
    first = -1, last = -2;
    for (size_t i = 0; i < m.size(); ++i)
      if (m[i] >= lo && m[i] <= hi) {
        if (first < 0) first = int64_t(i);
        last = int64_t(i);
      }
    return first >= 0;
  };
  int64_t cx0, cx1, cy0, cy1;  // indices into col / row
  if (!span(col, X1, X2, cx0, cx1) || !span(row, Y1, Y2, cy0, cy1)) return;
  const int64_t sx0 = std::max<int64_t>(cx0 - 1, 0), sx1 = std::min<int64_t>(cx1 + 1, dw + 1);
  const int64_t sy0 = std::max<int64_t>(cy0 - 1, 0), sy1 = std::min<int64_t>(cy1 + 1, dh + 1);
  const int64_t sw = sx1 - sx0 + 1, sh = sy1 - sy0 + 1;
  std::vector<uint8_t> sel(size_t(sw * sh), 0);
  for (int64_t j = 0; j < sh; ++j) {
    const int64_t my = row[size_t(sy0 + j)];
    if (my < 0) continue;
    const uint8_t* m = Row(int(my));
    for (int64_t i = 0; i < sw; ++i) {
      const int64_t mx = col[size_t(sx0 + i)];
      sel[size_t(j * sw + i)] = mx >= 0 && (m[mx >> 3] & (128u >> (mx & 7))) ? 1 : 0;
    }
  }
  auto at = [&](int64_t i, int64_t j) {
    return i >= 0 && j >= 0 && i < sw && j < sh && sel[size_t(j * sw + i)] != 0;
  };
  const uint8_t p1[3] = {gfx::BlueOf(c1), gfx::GreenOf(c1), gfx::RedOf(c1)};
  const uint8_t p2[3] = {gfx::BlueOf(c2), gfx::GreenOf(c2), gfx::RedOf(c2)};
  for (int64_t j = 0; j < sh; ++j) {
    const int64_t r = sy0 + j - 1;  // screen row relative to dest
    const int64_t y = dest.Top + r;
    if (r < 0 || r >= dh || y < 0 || y >= dib.Height()) continue;
    uint8_t* line = dib.ScanLine(int(y));
    for (int64_t i = 0; i < sw; ++i) {
      const int64_t c = sx0 + i - 1;
      const int64_t x = dest.Left + c;
      if (c < 0 || c >= dw || x < 0 || x >= dib.Width() || !at(i, j)) continue;
      const bool edge = !at(i - 1, j - 1) || !at(i, j - 1) || !at(i + 1, j - 1) || !at(i - 1, j) || !at(i + 1, j) ||
                        !at(i - 1, j + 1) || !at(i, j + 1) || !at(i + 1, j + 1);
      if (!edge) continue;
      const uint8_t* p = ((uint64_t(x) + uint64_t(y) + uint64_t(uint32_t(tick))) & 4) ? p1 : p2;
      uint8_t* d = line + 3 * x;
      d[0] = p[0], d[1] = p[1], d[2] = p[2];
    }
  }
}

}  // namespace ox
