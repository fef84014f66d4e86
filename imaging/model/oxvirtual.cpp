// The paged image stores: blocks, free list and growth of the DIB list; tiles and tiled drawing of the bitmap.
#include "imaging/model/oxvirtual.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/gfx/Gray.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kPaletteWhite = 0x00FFFFFF;

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
int32_t Get32(const uint8_t* p) { return int32_t(p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24)); }

void FillHeader(uint8_t* h, int width, int height, int bits) {
  std::memset(h, 0, kVirtualHeaderSize);
  Put32(h, kInfoHeaderSize);
  Put32(h + 4, uint32_t(width));
  Put32(h + 8, uint32_t(height));
  h[12] = 1;  // planes
  h[14] = uint8_t(bits);
  Put32(h + 40, 0);
  Put32(h + 44, kPaletteWhite);
}

gfx::TPixelFormat FormatOfBits(int bits) { return bits == 1 ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit; }

int64_t RoundUpToGranularity(int64_t n) {
  return (n + gfx::kMapGranularity - 1) / gfx::kMapGranularity * gfx::kMapGranularity;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Bytes the folder of `path` can still take; the largest value when it cannot be asked.
int64_t FreeSpaceOf(const std::string& path) {
  struct statvfs st {};
  if (statvfs(FolderOf(path).c_str(), &st) != 0) return std::numeric_limits<int64_t>::max();
  const unsigned long long bytes = (unsigned long long)st.f_bavail * st.f_frsize;
  return bytes > (unsigned long long)std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max()
                                                                          : int64_t(bytes);
}

}  // namespace

struct TOXVirtualDIBList::Entry {
  int64_t offset = 0;
  int64_t usedSize = 0;
  int64_t blockSize = 0;
  gfx::TFileView view;
  bool lentOut = false;
};

TOXVirtualDIBList::TOXVirtualDIBList(std::string directory) : directory_(std::move(directory)) { OpenFile(); }

TOXVirtualDIBList::~TOXVirtualDIBList() { Clear(); }

bool TOXVirtualDIBList::OpenFile() { return file_.Create(std::max<int64_t>(growStep_, kVirtualFileStart), directory_); }

int64_t TOXVirtualDIBList::BlockSizeFor(int width, int height, int bits) {
  if ((bits != 1 && bits != 24) || !gfx::ImageSizeAllowed(width, height, bits)) return 0;
  return RoundUpToGranularity(gfx::RowBytes(width, bits) * height + kVirtualHeaderSize);
}

int64_t TOXVirtualDIBList::EntryOffset(const Entry* entry) const { return entry ? entry->offset : -1; }
bool TOXVirtualDIBList::IsMapped(const Entry* entry) const { return entry && entry->view; }
bool TOXVirtualDIBList::IsLentOut(const Entry* entry) const { return entry && entry->lentOut; }

void TOXVirtualDIBList::UnmapEntry(Entry& e) {
  e.view.Reset();
  mapped_.remove(&e);
}

void TOXVirtualDIBList::UnmapAll() {
  for (Entry* e : mapped_) e->view.Reset();
  mapped_.clear();
}

bool TOXVirtualDIBList::MapEntry(Entry& e) {
  if (e.view) {
    mapped_.remove(&e);
    mapped_.push_back(&e);
    return true;
  }
  while (!mapped_.empty() && int(mapped_.size()) + 1 > kVirtualMaxMapped) {
    mapped_.front()->view.Reset();
    mapped_.pop_front();
  }
  e.view = file_.MapView(e.offset, e.blockSize);
  if (!e.view) return false;
  mapped_.push_back(&e);
  return true;
}

bool TOXVirtualDIBList::Allocate(Entry& e, int64_t need) {
  if (!file_.IsOpen() && !OpenFile()) return false;
  for (auto it = freeBlocks_.begin(); it != freeBlocks_.end(); ++it) {
    if (it->size >= need) {
      e.offset = it->offset;
      e.blockSize = it->size;
      freeBlocks_.erase(it);
      return true;
    }
  }
  if (growStep_ < need) growStep_ = lastRequest_ + need;
  lastRequest_ = need;
  const int64_t start = allocPos_;
  if (start > std::numeric_limits<int64_t>::max() - need) return false;
  if (start + need > file_.Size()) {
    const int64_t grown = std::max(file_.Size() + growStep_, start + need);
    // Growing moves no data, but the free list goes with the old extent, as the store has always done.
    UnmapAll();
    if (!file_.Grow(grown)) return false;
    freeBlocks_.clear();
  }
  allocPos_ = start + need;
  e.offset = start;
  e.blockSize = need;
  return true;
}

void TOXVirtualDIBList::WriteHeader(Entry& e, int width, int height, int bits) {
  FillHeader(e.view.Data(), width, height, bits);
  e.usedSize = kVirtualHeaderSize + gfx::RowBytes(width, bits) * height;
}

TOXVirtualDIBList::Entry* TOXVirtualDIBList::AddImage(int width, int height, int bits) {
  const int64_t need = BlockSizeFor(width, height, bits);
  if (need == 0) return nullptr;
  auto e = std::make_unique<Entry>();
  if (!Allocate(*e, need)) return nullptr;
  if (!MapEntry(*e)) {
    freeBlocks_.push_back({e->offset, e->blockSize});
    return nullptr;
  }
  WriteHeader(*e, width, height, bits);
  entries_.push_back(std::move(e));
  return entries_.back().get();
}

TOXVirtualDIBList::Entry* TOXVirtualDIBList::AddDib(const gfx::TDib& dib) {
  if (dib.Empty()) return nullptr;
  const int bits = dib.BitsPerPixel();
  if (bits != 1 && bits != 24) {
    gfx::TDib copy(dib);
    copy.SetPixelFormat(gfx::TPixelFormat::pf24bit);
    return AddDib(copy);
  }
  Entry* e = AddImage(dib.Width(), dib.Height(), bits);
  if (!e) return nullptr;
  const int64_t row = gfx::RowBytes(dib.Width(), bits);
  uint8_t* dst = e->view.Data() + kVirtualHeaderSize;
  for (int y = dib.Height() - 1; y >= 0; --y, dst += row) std::memcpy(dst, dib.ScanLine(y), size_t(row));
  return e;
}

TOXVirtualDIBList::Lent* TOXVirtualDIBList::FindLent(const gfx::TDib* dib) {
  for (Lent& l : lent_)
    if (l.dib.get() == dib) return &l;
  return nullptr;
}

TOXVirtualDIBList::Lent* TOXVirtualDIBList::FindLent(const Entry* entry) {
  for (Lent& l : lent_)
    if (l.entry == entry) return &l;
  return nullptr;
}

gfx::TDib* TOXVirtualDIBList::GetDib(Entry* entry) {
  if (!entry) return nullptr;
  if (Lent* l = FindLent(entry)) {
    ++l->count;
    return l->dib.get();
  }
  if (!MapEntry(*entry)) return nullptr;
  const uint8_t* h = entry->view.Data();
  const int width = Get32(h + 4), height = Get32(h + 8), bits = h[14];
  auto dib = std::make_unique<gfx::TDib>(width, height, FormatOfBits(bits));
  const int64_t row = gfx::RowBytes(width, bits);
  const uint8_t* src = h + kVirtualHeaderSize;
  for (int y = height - 1; y >= 0; --y, src += row) std::memcpy(dib->ScanLine(y), src, size_t(row));
  entry->lentOut = true;
  lent_.push_back({entry, std::move(dib), 1});
  return lent_.back().dib.get();
}

void TOXVirtualDIBList::StoreBack(Entry& e, const gfx::TDib& source) {
  const gfx::TDib* dib = &source;
  gfx::TDib converted;
  if (dib->BitsPerPixel() != 1 && dib->BitsPerPixel() != 24) {
    converted = source;
    converted.SetPixelFormat(gfx::TPixelFormat::pf24bit);
    dib = &converted;
  }
  if (dib->Empty()) return;
  const int bits = dib->BitsPerPixel();
  if (!MapEntry(e)) return;
  const uint8_t* h = e.view.Data();
  if (Get32(h + 4) != dib->Width() || Get32(h + 8) != dib->Height() || h[14] != bits) {
    const int64_t need = BlockSizeFor(dib->Width(), dib->Height(), bits);
    if (need == 0) return;
    UnmapEntry(e);
    // The old block is not reused: a failed move leaves the entry on it, unchanged.
    Entry moved;
    if (!Allocate(moved, need)) return;
    e.offset = moved.offset;
    e.blockSize = moved.blockSize;
    if (!MapEntry(e)) return;
  }
  WriteHeader(e, dib->Width(), dib->Height(), bits);
  const int64_t row = gfx::RowBytes(dib->Width(), bits);
  uint8_t* dst = e.view.Data() + kVirtualHeaderSize;
  for (int y = dib->Height() - 1; y >= 0; --y, dst += row) std::memcpy(dst, dib->ScanLine(y), size_t(row));
}

void TOXVirtualDIBList::ReleaseDib(gfx::TDib* dib, bool writeBack) {
  Lent* l = FindLent(dib);
  if (!l) return;
  if (writeBack) StoreBack(*l->entry, *l->dib);
  if (--l->count > 0) return;
  l->entry->lentOut = false;
  lent_.erase(lent_.begin() + (l - lent_.data()));
}

void TOXVirtualDIBList::ReleaseEntry(Entry* entry, bool writeBack) {
  if (Lent* l = FindLent(entry)) ReleaseDib(l->dib.get(), writeBack);
}

int TOXVirtualDIBList::ImageWidth(Entry* entry) {
  if (Lent* l = FindLent(entry)) return l->dib->Width();
  return entry && MapEntry(*entry) ? Get32(entry->view.Data() + 4) : 0;
}

int TOXVirtualDIBList::ImageHeight(Entry* entry) {
  if (Lent* l = FindLent(entry)) return l->dib->Height();
  return entry && MapEntry(*entry) ? Get32(entry->view.Data() + 8) : 0;
}

int TOXVirtualDIBList::ImageBits(Entry* entry) {
  if (Lent* l = FindLent(entry)) return l->dib->BitsPerPixel();
  return entry && MapEntry(*entry) ? entry->view.Data()[14] : 0;
}

uint8_t* TOXVirtualDIBList::ImagePixels(Entry* entry) {
  if (Lent* l = FindLent(entry)) return l->dib->ScanLine(l->dib->Height() - 1);
  return entry && MapEntry(*entry) ? entry->view.Data() + kVirtualHeaderSize : nullptr;
}

std::vector<uint8_t> TOXVirtualDIBList::ImageHeader(Entry* entry) {
  std::vector<uint8_t> h(kVirtualHeaderSize, 0);
  if (Lent* l = FindLent(entry)) {
    FillHeader(h.data(), l->dib->Width(), l->dib->Height(), l->dib->BitsPerPixel());
  } else if (entry && MapEntry(*entry)) {
    std::memcpy(h.data(), entry->view.Data(), size_t(kVirtualHeaderSize));
  }
  return h;
}

void TOXVirtualDIBList::DeleteImage(Entry* entry) {
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& p) { return p.get() == entry; });
  if (it == entries_.end()) return;
  freeBlocks_.push_back({entry->offset, entry->blockSize});
  std::erase_if(lent_, [&](const Lent& l) { return l.entry == entry; });
  UnmapEntry(*entry);
  entries_.erase(it);
  if (entries_.empty()) {
    // A fresh file: blocks of the old one must not be handed out again.
    freeBlocks_.clear();
    mapped_.clear();
    allocPos_ = 0;
    file_.Close();
    OpenFile();
  }
}

void TOXVirtualDIBList::Clear() {
  lent_.clear();
  UnmapAll();
  entries_.clear();
  freeBlocks_.clear();
  file_.Close();
  growStep_ = kVirtualFileStart;
  lastRequest_ = 0;
  allocPos_ = 0;
}

bool TOXVirtualDIBList::ReserveBlocks(int width, int height, int count, int bits) {
  const int64_t block = BlockSizeFor(width, height, bits);
  if (block == 0 || count <= 0) return false;
  if (!file_.IsOpen() && !OpenFile()) return false;
  // Capped by the size guard (per picture above) and by what the temporary folder can still take.
  const int64_t room = FreeSpaceOf(file_.FileName());
  if (count > room / block) return false;
  const int64_t add = block * count;
  if (file_.Size() > std::numeric_limits<int64_t>::max() - add) return false;
  UnmapAll();
  return file_.Grow(file_.Size() + add);
}

// ---------------------------------------------------------------- TOXVirtualBitmap

TOXVirtualBitmap::TOXVirtualBitmap(int /*mode*/, std::string directory) : directory_(std::move(directory)) {}

void TOXVirtualBitmap::Free() {
  file_.Close();
  width_ = height_ = bits_ = 0;
  across_ = down_ = 0;
  tileW_ = tileH_ = 512;
  rowLength_ = 0;
}

bool TOXVirtualBitmap::Allocate(int width, int height, int bits) {
  Free();
  if ((bits != 1 && bits != 8 && bits != 24) || !gfx::ImageSizeAllowed(width, height, bits)) return false;
  tileW_ = bits == 1 ? 1024 : bits == 8 ? 256 : 512;
  tileH_ = bits == 1 ? 512 : bits == 8 ? 256 : 512;
  across_ = (width + tileW_ - 1) / tileW_;
  down_ = (height + tileH_ - 1) / tileH_;
  rowLength_ = gfx::RowBytes(tileW_, bits);
  const int64_t total = rowLength_ * across_ * tileH_ * down_;
  if (!file_.Create(total, directory_)) {
    Free();
    return false;
  }
  width_ = width;
  height_ = height;
  bits_ = bits;
  return true;
}

int64_t TOXVirtualBitmap::TileOffset(int c, int r) const {
  return (int64_t(c) + int64_t(r) * across_) * rowLength_ * tileH_;
}

uint8_t* TOXVirtualBitmap::MapTile(int c, int r) { return file_.Map(TileOffset(c, r), TileBytes()); }

void TOXVirtualBitmap::VisitTiles(int x0, int y0, int x1, int y1,
                                  const std::function<void(uint8_t*, int, int, int, int, int, int)>& visit) {
  for (int r = y0 / tileH_; r <= (y1 - 1) / tileH_; ++r) {
    for (int c = x0 / tileW_; c <= (x1 - 1) / tileW_; ++c) {
      uint8_t* tile = MapTile(c, r);
      if (!tile) return;
      visit(tile, c, r, std::max(x0, c * tileW_), std::max(y0, r * tileH_), std::min(x1, (c + 1) * tileW_),
            std::min(y1, (r + 1) * tileH_));
    }
  }
}

void TOXVirtualBitmap::CopyFromDib(const gfx::TDib& dib, int x, int y, int w, int h) {
  if (!IsOpen() || dib.BitsPerPixel() != bits_) return;
  const int x0 = std::max({x, 0}), y0 = std::max(y, 0);
  const int x1 = std::min({x + w, width_, dib.Width()}), y1 = std::min({y + h, height_, dib.Height()});
  if (x1 <= x0 || y1 <= y0) return;
  // Stored 1-bit rows mean 0 black, 1 white; a picture with the opposite palette is inverted on the way in.
  const auto& pal = dib.Palette();
  const bool invert = bits_ == 1 && pal.size() >= 2 &&
                      gfx::GrayOf(pal[0].r, pal[0].g, pal[0].b) > gfx::GrayOf(pal[1].r, pal[1].g, pal[1].b);
  const int bpp = bits_ / 8;
  VisitTiles(x0, y0, x1, y1, [&](uint8_t* tile, int c, int r, int tx0, int ty0, int tx1, int ty1) {
      for (int py = ty0; py < ty1; ++py) {
        const uint8_t* src = dib.ScanLine(py);
        uint8_t* dst = tile + int64_t(py - r * tileH_) * rowLength_;
        if (bits_ == 1) {
          for (int px = tx0; px < tx1; ++px) {
            const int lx = px - c * tileW_;
            bool bit = (src[px >> 3] >> (7 - (px & 7))) & 1;
            if (invert) bit = !bit;
            const uint8_t mask = uint8_t(0x80 >> (lx & 7));
            dst[lx >> 3] = bit ? uint8_t(dst[lx >> 3] | mask) : uint8_t(dst[lx >> 3] & ~mask);
          }
        } else {
          std::memcpy(dst + int64_t(tx0 - c * tileW_) * bpp, src + int64_t(tx0) * bpp, size_t(tx1 - tx0) * bpp);
        }
      }
  });
}

void TOXVirtualBitmap::ForEachPixel(int x, int y, int w, int h,
                                    const std::function<void(int, int, uint8_t*)>& callback) {
  if (!IsOpen()) return;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  if (x1 <= x0 || y1 <= y0) return;
  const int bpp = std::max(bits_ / 8, 1);
  VisitTiles(x0, y0, x1, y1, [&](uint8_t* tile, int c, int r, int tx0, int ty0, int tx1, int ty1) {
      for (int py = ty0; py < ty1; ++py) {
        uint8_t* row = tile + int64_t(py - r * tileH_) * rowLength_;
        for (int px = tx0; px < tx1; ++px) {
          const int lx = px - c * tileW_;
          if (bits_ == 1) {
            const uint8_t mask = uint8_t(0x80 >> (lx & 7));
            uint8_t value = (row[lx >> 3] & mask) ? 1 : 0;
            const uint8_t before = value;
            callback(px, py, &value);
            if ((value != 0) != (before != 0)) row[lx >> 3] = value ? uint8_t(row[lx >> 3] | mask) : uint8_t(row[lx >> 3] & ~mask);
          } else {
            callback(px, py, row + int64_t(lx) * bpp);
          }
        }
      }
  });
}

void TOXVirtualBitmap::DrawTo(TOXDrawTarget& target, const gfx::TRect& destRect, const gfx::TRect& srcRect) {
  if (!IsOpen() || destRect.IsEmpty() || srcRect.IsEmpty()) return;
  const int sx0 = std::max(srcRect.Left, 0), sy0 = std::max(srcRect.Top, 0);
  const int sx1 = std::min(srcRect.Right, width_), sy1 = std::min(srcRect.Bottom, height_);
  if (sx1 <= sx0 || sy1 <= sy0) return;
  const int64_t srcW = srcRect.Width(), srcH = srcRect.Height();
  const int64_t dstW = destRect.Width(), dstH = destRect.Height();
  // Tile edges go through the same formula, so neighbouring tiles meet without gap or overlap.
  auto mapX = [&](int sx) { return int(destRect.Left + (int64_t(sx) - srcRect.Left) * dstW / srcW); };
  auto mapY = [&](int sy) { return int(destRect.Top + (int64_t(sy) - srcRect.Top) * dstH / srcH); };
  const bool shrink1 = bits_ == 1 && (dstW < srcW || dstH < srcH);
  for (int r = sy0 / tileH_; r <= (sy1 - 1) / tileH_; ++r) {
    for (int c = sx0 / tileW_; c <= (sx1 - 1) / tileW_; ++c) {
      const int tx0 = std::max(sx0, c * tileW_), tx1 = std::min(sx1, (c + 1) * tileW_);
      const int ty0 = std::max(sy0, r * tileH_), ty1 = std::min(sy1, (r + 1) * tileH_);
      const gfx::TRect dest{mapX(tx0), mapY(ty0), mapX(tx1), mapY(ty1)};
      if (dest.IsEmpty()) continue;
      const uint8_t* tile = MapTile(c, r);
      if (!tile) return;
      gfx::TDib part = TilePart(tile, c, r, tx0, ty0, tx1, ty1);
      if (shrink1) {
        // Box average of the 0/255 pixels, so thin lines turn gray instead of vanishing.
        gfx::TDib gray(dest.Width(), dest.Height(), gfx::TPixelFormat::pf24bit);
        const int pw = part.Width(), ph = part.Height();
        for (int oy = 0; oy < gray.Height(); ++oy) {
          const int iy0 = int(int64_t(oy) * ph / gray.Height());
          const int iy1 = std::max(iy0 + 1, int(int64_t(oy + 1) * ph / gray.Height()));
          uint8_t* out = gray.ScanLine(oy);
          for (int ox = 0; ox < gray.Width(); ++ox) {
            const int ix0 = int(int64_t(ox) * pw / gray.Width());
            const int ix1 = std::max(ix0 + 1, int(int64_t(ox + 1) * pw / gray.Width()));
            int64_t sum = 0;
            for (int iy = iy0; iy < iy1; ++iy) {
              const uint8_t* in = part.ScanLine(iy);
              for (int ix = ix0; ix < ix1; ++ix) sum += ((in[ix >> 3] >> (7 - (ix & 7))) & 1) ? 255 : 0;
            }
            const uint8_t v = uint8_t(sum / (int64_t(iy1 - iy0) * (ix1 - ix0)));
            out[3 * ox] = out[3 * ox + 1] = out[3 * ox + 2] = v;
          }
        }
        target.StretchDib(dest, gray);
      } else {
        target.StretchDib(dest, part);
      }
    }
  }
}

gfx::TDib TOXVirtualBitmap::TilePart(const uint8_t* tile, int c, int r, int sx0, int sy0, int sx1, int sy1) {
  const gfx::TPixelFormat format = bits_ == 1   ? gfx::TPixelFormat::pf1bit
                                   : bits_ == 8 ? gfx::TPixelFormat::pf8bit
                                                : gfx::TPixelFormat::pf24bit;
  gfx::TDib part(sx1 - sx0, sy1 - sy0, format);
  if (bits_ == 1) {
    part.SetPalette({gfx::TRGB{0, 0, 0}, gfx::TRGB{255, 255, 255}});
  } else if (bits_ == 8) {
    std::vector<gfx::TRGB> gray(256);
    for (int i = 0; i < 256; ++i) gray[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    part.SetPalette(gray);
  }
  for (int py = sy0; py < sy1; ++py) {
    const uint8_t* src = tile + int64_t(py - r * tileH_) * rowLength_;
    uint8_t* dst = part.ScanLine(py - sy0);
    const int lx0 = sx0 - c * tileW_;
    if (bits_ == 1) {
      for (int i = 0; i < sx1 - sx0; ++i) {
        const int lx = lx0 + i;
        const uint8_t mask = uint8_t(0x80 >> (i & 7));
        dst[i >> 3] = ((src[lx >> 3] >> (7 - (lx & 7))) & 1) ? uint8_t(dst[i >> 3] | mask) : uint8_t(dst[i >> 3] & ~mask);
      }
    } else {
      const int bpp = bits_ / 8;
      std::memcpy(dst, src + int64_t(lx0) * bpp, size_t(sx1 - sx0) * bpp);
    }
  }
  return part;
}

}  // namespace ox
