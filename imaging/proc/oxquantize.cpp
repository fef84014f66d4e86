// Colour quantizers (variance split of the 15-bit colour cube, NeuQuant) and the bilevel helpers.
#include "imaging/proc/oxquantize.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"

namespace ox {

namespace {

// A 24-bit view of the source: the source itself or a converted copy.
const gfx::TDib& As24(const gfx::TDib& source, gfx::TDib& holder) {
  if (source.PixelFormat() == gfx::TPixelFormat::pf24bit) return source;
  holder = source;
  holder.SetPixelFormat(gfx::TPixelFormat::pf24bit);
  return holder;
}

// The picture's own colours, ascending by packed value, when there are no more than `limit`; else empty.
std::vector<uint32_t> OwnColours(const gfx::TDib& dib, int limit) {
  std::unordered_set<uint32_t> seen;
  uint32_t last = 0xFFFFFFFF;
  for (int y = 0; y < dib.Height(); ++y) {
    const uint8_t* p = dib.ScanLine(y);
    for (int x = 0; x < dib.Width(); ++x, p += 3) {
      const uint32_t c = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
      if (c == last) continue;
      last = c;
      if (seen.insert(c).second && int(seen.size()) > limit) return {};
    }
  }
  std::vector<uint32_t> colours(seen.begin(), seen.end());
  std::sort(colours.begin(), colours.end());
  return colours;
}

// ---------------------------------------------------------------------------------------------------------
// Variance split on 32 levels per channel.

constexpr int kLevels = 32;
constexpr int kCells = kLevels * kLevels * kLevels;

inline int CellOf(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

struct TBox {
  int lo[3] = {0, 0, 0}, hi[3] = {kLevels, kLevels, kLevels};  // channels red, green, blue; hi exclusive
  int64_t count = 0;
  int64_t hist[3][kLevels] = {};
  double mean[3] = {0, 0, 0};
  double variance = 0;
};

class TVarianceSplit {
 public:
  explicit TVarianceSplit(const gfx::TDib& dib) : cube_(kCells, 0) {
    const int w = dib.Width(), h = dib.Height();
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = dib.ScanLine(y);
      for (int x = 0; x < w; ++x, p += 3) ++cube_[CellOf(p[2] >> 3, p[1] >> 3, p[0] >> 3)];
    }
    total_ = int64_t(std::max(w, 0)) * std::max(h, 0);
  }

  // Returns the number of boxes made; fills palette[0 .. boxes) and the lookup table.
  int Run(int colourCount, std::vector<gfx::TRGB>& palette, std::vector<uint8_t>& table) {
    std::vector<TBox> boxes(1);
    TBox& root = boxes[0];
    Recount(root);
    Finish(root, false);  // the root keeps the whole cube: its first cut searches from level 0
    int i = 1;
    while (i < colourCount && total_ > 0) {
      int best = -1;
      double bestV = 0;
      for (int k = 0; k < i; ++k)
        if (boxes[k].variance > bestV) { bestV = boxes[k].variance; best = k; }
      if (best < 0) break;
      TBox first, second;
      if (Split(boxes[best], first, second)) {
        boxes[best] = first;
        boxes.push_back(second);
        ++i;
      } else {
        boxes[best].variance = 0;
      }
    }
    table.assign(kCells, 0);
    for (int k = 0; k < int(boxes.size()); ++k) {
      const TBox& b = boxes[k];
      if (total_ > 0) {
        palette[k].r = uint8_t(std::min<int64_t>(Round(b.mean[0]), 31) << 3);
        palette[k].g = uint8_t(std::min<int64_t>(Round(b.mean[1]), 31) << 3);
        palette[k].b = uint8_t(std::min<int64_t>(Round(b.mean[2]), 31) << 3);
      }
      for (int r = b.lo[0]; r < b.hi[0]; ++r)
        for (int g = b.lo[1]; g < b.hi[1]; ++g)
          std::memset(&table[CellOf(r, g, b.lo[2])], k, size_t(std::max(b.hi[2] - b.lo[2], 0)));
    }
    return total_ > 0 ? int(boxes.size()) : 0;
  }

 private:
  // Marginal histograms and count of the cells inside the box.
  void Recount(TBox& b) const {
    std::memset(b.hist, 0, sizeof b.hist);
    b.count = 0;
    for (int r = b.lo[0]; r < b.hi[0]; ++r)
      for (int g = b.lo[1]; g < b.hi[1]; ++g) {
        const uint32_t* c = &cube_[CellOf(r, g, 0)];
        for (int bl = b.lo[2]; bl < b.hi[2]; ++bl) {
          const uint32_t n = c[bl];
          if (!n) continue;
          b.hist[0][r] += n;
          b.hist[1][g] += n;
          b.hist[2][bl] += n;
          b.count += n;
        }
      }
  }

  // Shrinks the bounds to the non-empty levels (when asked) and computes mean and variance.
  void Finish(TBox& b, bool shrink = true) const {
    double sq = 0;
    for (int c = 0; c < 3; ++c) {
      int lo = b.lo[c], hi = b.hi[c];
      while (shrink && lo < hi && b.hist[c][lo] == 0) ++lo;
      while (shrink && hi > lo && b.hist[c][hi - 1] == 0) --hi;
      b.lo[c] = lo;
      b.hi[c] = hi;
      double s = 0, s2 = 0;
      for (int j = lo; j < hi; ++j) {
        s += double(b.hist[c][j]) * j;
        s2 += double(b.hist[c][j]) * j * j;
      }
      b.mean[c] = b.count ? s / double(b.count) : 0;
      sq += s2 - b.mean[c] * b.mean[c] * double(b.count);
    }
    b.variance = total_ > 0 ? sq / double(total_) : 0;
  }

  bool Split(const TBox& box, TBox& first, TBox& second) const {
    if (box.variance == 0 || box.count == 0) return false;
    double bestSum = 0;
    bool any = false;
    for (int c = 0; c < 3; ++c) {
      TBox a, b;
      if (!TryCut(box, c, a, b)) continue;  // a failed channel never beats a real cut
      const double sum = a.variance + b.variance;
      if (!any || sum < bestSum) {
        bestSum = sum;
        first = a;
        second = b;
        any = true;
      }
    }
    return any;
  }

  bool TryCut(const TBox& box, int c, TBox& a, TBox& b) const {
    const int lo = box.lo[c], hi = box.hi[c];
    const double m = box.mean[c];
    if (hi <= lo + 1) return false;
    const int s = int(Round((lo + m) / 2));
    const int e = std::min<int>(int(Round((m + hi) / 2)), hi - 1);
    int64_t area = 0;
    for (int j = lo; j < s; ++j) area += box.hist[c][j];
    double t = 0, bestScore = -1;
    int cut = -1;
    for (int j = std::max(s, lo); j <= e; ++j) {
      area += box.hist[c][j];
      if (area == box.count) break;
      t += double(box.hist[c][j]) * j / double(box.count);
      const double score = double(area) / double(box.count - area) * (m - t) * (m - t);
      if (score > bestScore) { bestScore = score; cut = j; }
    }
    if (cut < 0) return false;
    a = box;
    b = box;
    a.hi[c] = cut + 1;
    b.lo[c] = cut + 1;
    Recount(a);
    Recount(b);
    if (a.count == 0 || b.count == 0) return false;
    Finish(a);
    Finish(b);
    return true;
  }

  std::vector<uint32_t> cube_;
  int64_t total_ = 0;
};

// ---------------------------------------------------------------------------------------------------------
// NeuQuant (Kohonen network over the sampled pixels).

class TNeuQuant {
 public:
  TNeuQuant(int netsize, int samplefac) : netsize_(netsize), samplefac_(samplefac), net_(netsize), bias_(netsize), freq_(netsize) {
    for (int i = 0; i < netsize_; ++i) {
      const int v = (i << (kNetBiasShift + 8)) / netsize_;
      net_[i] = {v, v, v, i};
      freq_[i] = kIntBias / netsize_;
      bias_[i] = 0;
    }
  }

  void Learn(const gfx::TDib& dib, const TQuantProgress& progress) {
    const int64_t width = dib.Width();
    const int64_t pixels = width * dib.Height();
    if (pixels <= 0) return;
    const int alphadec = 30 + (samplefac_ - 1) / 3;
    const int64_t samples = (3 * pixels) / (3 * int64_t(samplefac_));
    int64_t delta = samples / kCycles;
    if (delta == 0) delta = 1;
    int alpha = kInitAlpha;
    int radius = (netsize_ >> 3) * kRadiusBias;
    int rad = radius >> kRadiusBiasShift;
    if (rad <= 1) rad = 0;
    std::vector<int> radpower(size_t(std::max(rad, 1)) + 1, 0);
    auto weights = [&] {
      if (int(radpower.size()) < rad + 1) radpower.resize(size_t(rad) + 1);
      for (int i = 0; i < rad; ++i) radpower[i] = alpha * (((rad * rad - i * i) * kRadBias) / (rad * rad));
    };
    weights();
    const int64_t len = 3 * pixels;
    int64_t step = 499;
    if (len % 499 == 0) {
      step = 491;
      if (len % 491 == 0) {
        step = 487;
        if (len % 487 == 0) step = 503;
      }
    }
    step %= pixels;  // tiny pictures: the step wraps like the index
    int64_t pix = 0;
    int lastPercent = -1;
    for (int64_t i = 0; i < samples;) {
      const uint8_t* p = dib.ScanLine(int(pix / width)) + 3 * (pix % width);
      const int b = p[0] << kNetBiasShift, g = p[1] << kNetBiasShift, r = p[2] << kNetBiasShift;
      const int j = Contest(b, g, r);
      AlterSingle(alpha, j, b, g, r);
      if (rad) AlterNeighbours(rad, j, b, g, r, radpower);
      pix += step;
      if (pix >= pixels) pix -= pixels;
      ++i;
      if (i % delta == 0) {
        alpha -= alpha / alphadec;
        radius -= radius / kRadiusDec;
        rad = radius >> kRadiusBiasShift;
        if (rad <= 1) rad = 0;
        weights();
        if (progress) {
          const int percent = int(i * 100 / samples);
          if (percent != lastPercent) progress(lastPercent = percent);
        }
      }
    }
  }

  // Unbiases the network into the palette and builds the green index.
  void Finish(std::vector<gfx::TRGB>& palette) {
    for (auto& n : net_) {
      for (int c = 0; c < 3; ++c) n[c] = Clamp(n[c] >> kNetBiasShift, 0, 255);
      palette[n[3]] = gfx::TRGB{uint8_t(n[2]), uint8_t(n[1]), uint8_t(n[0])};
    }
    std::stable_sort(net_.begin(), net_.end(), [](const auto& a, const auto& b) { return a[1] < b[1]; });
    int previous = 0, start = 0;
    for (int i = 0; i < netsize_; ++i) {
      const int g = net_[i][1];
      if (g != previous) {
        index_[previous] = (start + i) >> 1;
        for (int j = previous + 1; j < g; ++j) index_[j] = i;
        previous = g;
        start = i;
      }
    }
    index_[previous] = (start + netsize_ - 1) >> 1;
    for (int j = previous + 1; j < 256; ++j) index_[j] = netsize_ - 1;
  }

  int Search(int b, int g, int r) const {
    int bestd = 1000, best = 0;
    int i = index_[g], j = i - 1;
    while (i < netsize_ || j >= 0) {
      if (i < netsize_) {
        const auto& p = net_[i];
        int dist = p[1] - g;
        if (dist >= bestd) i = netsize_;
        else {
          ++i;
          dist = std::abs(dist) + std::abs(p[0] - b);
          if (dist < bestd) {
            dist += std::abs(p[2] - r);
            if (dist < bestd) { bestd = dist; best = p[3]; }
          }
        }
      }
      if (j >= 0) {
        const auto& p = net_[j];
        int dist = g - p[1];
        if (dist >= bestd) j = -1;
        else {
          --j;
          dist = std::abs(dist) + std::abs(p[0] - b);
          if (dist < bestd) {
            dist += std::abs(p[2] - r);
            if (dist < bestd) { bestd = dist; best = p[3]; }
          }
        }
      }
    }
    return best;
  }

 private:
  static constexpr int kCycles = 100;
  static constexpr int kNetBiasShift = 4;
  static constexpr int kIntBiasShift = 16;
  static constexpr int kIntBias = 1 << kIntBiasShift;
  static constexpr int kGammaShift = 10;
  static constexpr int kBetaShift = 10;
  static constexpr int kBeta = kIntBias >> kBetaShift;
  static constexpr int kBetaGamma = kIntBias << (kGammaShift - kBetaShift);
  static constexpr int kRadiusBiasShift = 6;
  static constexpr int kRadiusBias = 1 << kRadiusBiasShift;
  static constexpr int kRadiusDec = 30;
  static constexpr int kInitAlpha = 1 << 10;
  static constexpr int kRadBias = 1 << 8;
  static constexpr int kAlphaRadBias = 1 << 18;

  int Contest(int b, int g, int r) {
    int bestd = 0x7FFFFFFF, bestbiasd = bestd, bestpos = 0, bestbiaspos = 0;
    for (int i = 0; i < netsize_; ++i) {
      const auto& n = net_[i];
      const int dist = std::abs(n[0] - b) + std::abs(n[1] - g) + std::abs(n[2] - r);
      if (dist < bestd) { bestd = dist; bestpos = i; }
      const int biasdist = dist - Shr(bias_[i], kIntBiasShift - kNetBiasShift);
      if (biasdist < bestbiasd) { bestbiasd = biasdist; bestbiaspos = i; }
      const int betafreq = freq_[i] >> kBetaShift;
      freq_[i] -= betafreq;
      bias_[i] += betafreq << kGammaShift;
    }
    freq_[bestpos] += kBeta;
    bias_[bestpos] -= kBetaGamma;
    return bestbiaspos;
  }

  void AlterSingle(int alpha, int i, int b, int g, int r) {
    auto& n = net_[i];
    n[0] -= (alpha * (n[0] - b)) / kInitAlpha;
    n[1] -= (alpha * (n[1] - g)) / kInitAlpha;
    n[2] -= (alpha * (n[2] - r)) / kInitAlpha;
  }

  void AlterNeighbours(int rad, int i, int b, int g, int r, const std::vector<int>& radpower) {
    const int lo = std::max(i - rad, -1), hi = std::min(i + rad, netsize_);
    int j = i + 1, k = i - 1, m = 1;
    while (j < hi || k > lo) {
      const int64_t a = radpower[m++];
      if (j < hi) {
        auto& p = net_[j++];
        p[0] -= int((a * (p[0] - b)) / kAlphaRadBias);
        p[1] -= int((a * (p[1] - g)) / kAlphaRadBias);
        p[2] -= int((a * (p[2] - r)) / kAlphaRadBias);
      }
      if (k > lo) {
        auto& p = net_[k--];
        p[0] -= int((a * (p[0] - b)) / kAlphaRadBias);
        p[1] -= int((a * (p[1] - g)) / kAlphaRadBias);
        p[2] -= int((a * (p[2] - r)) / kAlphaRadBias);
      }
    }
  }

  int netsize_, samplefac_;
  std::vector<std::array<int, 4>> net_;  // blue, green, red, palette index
  std::vector<int> bias_, freq_;
  std::array<int, 256> index_{};
};

int SampleFactor(int quality, int64_t pixels) {
  if (quality < 0) {
    if (pixels < 2000) return 1;
    return int(std::clamp<int64_t>(Round(double(13 * pixels - 26000) / 148000.0 + 2), 1, 30));
  }
  return int(Trunc((100 - std::min(quality, 100)) / 100.0 * 29)) + 1;
}

// Bit patterns of one source byte of a bilevel picture: 8 pixels of 3 bytes.
using TExpandTable = std::array<std::array<uint8_t, 24>, 256>;

TExpandTable MakeExpandTable(const gfx::TRGB& clear, const gfx::TRGB& set) {
  TExpandTable t{};
  for (int v = 0; v < 256; ++v)
    for (int bit = 0; bit < 8; ++bit) {
      const gfx::TRGB& c = (v & (0x80 >> bit)) ? set : clear;
      t[v][bit * 3] = c.b;
      t[v][bit * 3 + 1] = c.g;
      t[v][bit * 3 + 2] = c.r;
    }
  return t;
}

const TExpandTable& BlackWhiteTable() {
  static const TExpandTable table = MakeExpandTable({0, 0, 0}, {255, 255, 255});
  return table;
}

void Expand(const gfx::TDib& dib1, gfx::TDib& dib24, const TExpandTable& table) {
  const int w = dib1.Width(), h = dib1.Height();
  dib24 = gfx::TDib(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = dib1.ScanLine(y);
    uint8_t* d = dib24.ScanLine(y);
    int x = 0;
    for (; x + 8 <= w; x += 8, d += 24) std::memcpy(d, table[*s++].data(), 24);
    if (x < w) std::memcpy(d, table[*s].data(), size_t(w - x) * 3);
  }
}

constexpr uint8_t kDither[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

inline int GrayOfPacked(uint32_t packed) { return GrayOf(int(packed >> 16), int((packed >> 8) & 0xFF), int(packed & 0xFF)); }

}  // namespace

// ---------------------------------------------------------------------------------------------------------

struct TOXQuantizer::Impl {
  int count = 0;                            // palette entries chosen
  std::unordered_map<uint32_t, int> exact;  // own colours: colour -> index
  std::vector<gfx::TRGB> exactPalette;
  bool split = false;
  std::vector<uint8_t> table;           // variance split: cell -> index
  std::unique_ptr<TNeuQuant> neuquant;  // NeuQuant: green-sorted network
  // Recently mapped colours for NeuQuant (its search is far slower than a table read).
  mutable std::vector<uint32_t> cacheKey;
  mutable std::vector<uint8_t> cacheIndex;
};

TOXQuantizer::TOXQuantizer(const gfx::TDib& source, int quality, int colourCount, std::vector<gfx::TRGB>& palette)
    : impl_(std::make_unique<Impl>()) {
  colourCount = std::clamp(colourCount, 1, 256);
  if (int(palette.size()) < colourCount) palette.resize(size_t(colourCount));
  gfx::TDib holder;
  const gfx::TDib& dib = As24(source, holder);
  // A picture whose colours fit keeps them exactly; only larger ones are reduced.
  const std::vector<uint32_t> own = OwnColours(dib, colourCount);
  if (!own.empty()) {
    for (const uint32_t c : own) {
      impl_->exact.emplace(c, impl_->count);
      palette[size_t(impl_->count++)] = gfx::TRGB{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
    }
    impl_->exactPalette.assign(palette.begin(), palette.begin() + impl_->count);
  } else if (colourCount < 128) {
    impl_->split = true;
    impl_->count = TVarianceSplit(dib).Run(colourCount, palette, impl_->table);
  } else {
    impl_->count = colourCount;
    const int64_t pixels = int64_t(std::max(dib.Width(), 0)) * std::max(dib.Height(), 0);
    impl_->neuquant = std::make_unique<TNeuQuant>(colourCount, SampleFactor(quality, pixels));
    impl_->neuquant->Learn(dib, {});
    impl_->neuquant->Finish(palette);
    impl_->cacheKey.assign(1 << 16, 0xFFFFFFFF);
    impl_->cacheIndex.assign(1 << 16, 0);
  }
}

TOXQuantizer::~TOXQuantizer() = default;

int TOXQuantizer::Count() const { return impl_->count; }
bool TOXQuantizer::Exact() const { return !impl_->exact.empty(); }

int TOXQuantizer::IndexOf(uint32_t packed) const {
  packed &= 0xFFFFFF;
  if (!impl_->exact.empty()) {
    const auto it = impl_->exact.find(packed);
    if (it != impl_->exact.end()) return it->second;
    const gfx::TRGB c{uint8_t(packed >> 16), uint8_t(packed >> 8), uint8_t(packed)};
    return NearestIndex(impl_->exactPalette.data(), impl_->count, c);
  }
  if (impl_->split)
    return impl_->table[((packed >> 9) & 0x7C00) | ((packed >> 6) & 0x3E0) | ((packed >> 3) & 0x1F)];
  const uint32_t slot = (packed ^ (packed >> 11) ^ (packed >> 19) * 0x9E37u) & 0xFFFF;
  if (impl_->cacheKey[slot] == packed) return impl_->cacheIndex[slot];
  const int index = impl_->neuquant->Search(int(packed & 0xFF), int((packed >> 8) & 0xFF), int(packed >> 16));
  impl_->cacheKey[slot] = packed;
  impl_->cacheIndex[slot] = uint8_t(index);
  return index;
}

void QuantizeInPlace(gfx::TDib& dib, int colours, std::vector<gfx::TRGB>& palette, const TQuantProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit || dib.Empty()) return;
  TOXQuantizer q(dib, -1, colours, palette);
  const int w = dib.Width(), h = dib.Height();
  for (int y = 0; y < h; ++y) {
    uint8_t* p = dib.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const gfx::TRGB& c = palette[q.IndexOf((uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0])];
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
    if (progress) progress(int(Trunc(100.0 / (h + 0.5) * (y + 1))));
  }
}

void DitherToBilevel(gfx::TDib& dib, const TQuantProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return;
  const int w = dib.Width(), h = dib.Height();
  gfx::TDib out(w, h, gfx::TPixelFormat::pf1bit);
  out.SetMonochrome(true);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = dib.ScanLine(y);
    uint8_t* d = out.ScanLine(y);
    std::memset(d, 0, size_t(out.RowLength()));
    for (int x = 0; x < w; ++x, s += 3) {
      const int g = GrayOfBgr(s) >> 2;
      if (g > kDither[x & 7][y & 7]) d[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
    if (progress) progress(int(Trunc(100.0 / (h + 0.5) * (y + 1))));
  }
  dib = out;
}

std::unique_ptr<gfx::TDib> TwoColourBitmap(const gfx::TDib& dib, gfx::TRGB& colour1, gfx::TRGB& colour2) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit || dib.Empty()) return nullptr;
  const int w = dib.Width(), h = dib.Height();
  auto out = std::make_unique<gfx::TDib>(w, h, gfx::TPixelFormat::pf1bit);
  uint32_t c1 = 0, c2 = 0;
  int found = 0;
  for (int y = 0; y < h && found <= 2; ++y) {
    const uint8_t* s = dib.ScanLine(y);
    uint8_t* d = out->ScanLine(y);
    std::memset(d, 0, size_t(out->RowLength()));
    for (int x = 0; x < w; ++x, s += 3) {
      const uint32_t c = (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
      if (found == 0) { c1 = c; found = 1; }
      if (c == c1) continue;
      if (found == 1) { c2 = c; found = 2; }
      else if (c != c2) found = 3;
      d[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
  }
  if (found != 2) return nullptr;
  if (GrayOfPacked(c2) < GrayOfPacked(c1)) {
    InvertBilevel(*out);
    std::swap(c1, c2);
  }
  colour1 = gfx::TRGB{uint8_t(c1 >> 16), uint8_t(c1 >> 8), uint8_t(c1)};
  colour2 = gfx::TRGB{uint8_t(c2 >> 16), uint8_t(c2 >> 8), uint8_t(c2)};
  out->SetPalette({colour1, colour2});
  return out;
}

int NearestIndex(const gfx::TRGB* palette, int count, const gfx::TRGB& colour) {
  int best = 0, bestSum = 1000;
  for (int i = 0; i < count; ++i) {
    const int sum = std::abs(palette[i].r - colour.r) + std::abs(palette[i].g - colour.g) + std::abs(palette[i].b - colour.b);
    if (sum < bestSum) { bestSum = sum; best = i; }
  }
  return best;
}

void SwapRedBlue(gfx::TRGB* palette, int count) {
  for (int i = 0; i < count; ++i) std::swap(palette[i].r, palette[i].b);
}

void InvertBilevel(gfx::TDib& dib) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf1bit) return;
  uint8_t* p = dib.Bits();
  for (size_t i = 0, n = dib.ByteSize(); i < n; ++i) p[i] = uint8_t(~p[i]);
}

void ExpandBilevel(const gfx::TDib& dib1, gfx::TDib& dib24) { Expand(dib1, dib24, BlackWhiteTable()); }

}  // namespace ox
