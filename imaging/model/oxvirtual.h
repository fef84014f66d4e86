// Paged image stores in memory-mapped temporary files: many DIBs (TOXVirtualDIBList) or one tiled picture
// (TOXVirtualBitmap), with only a few views of the file mapped at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"
#include "platform/gfx/TempFileMap.h"

namespace ox {

// Where a tiled picture is drawn: a DIB canvas, a printer, a recording double.
class TOXDrawTarget {
 public:
  virtual ~TOXDrawTarget() = default;
  // Draws all of `tile` stretched into `dest` (device pixels, right and bottom excluded).
  virtual void StretchDib(const gfx::TRect& dest, const gfx::TDib& tile) = 0;
};

// Draws onto a DIB through its canvas.
class TOXCanvasTarget : public TOXDrawTarget {
 public:
  explicit TOXCanvasTarget(gfx::TCanvas& canvas) : canvas_(canvas) {}
  void StretchDib(const gfx::TRect& dest, const gfx::TDib& tile) override { canvas_.StretchDraw(dest, tile); }

 private:
  gfx::TCanvas& canvas_;
};

// Header plus 2-entry black/white palette in front of each stored picture.
constexpr int64_t kVirtualHeaderSize = 48;
constexpr int64_t kVirtualFileStart = 65536;
constexpr int kVirtualMaxMapped = 10;

class TOXVirtualDIBList {
 public:
  struct Entry;

  // `directory` empty: the system temporary folder. The file exists from here until Clear or destruction.
  explicit TOXVirtualDIBList(std::string directory = {});
  ~TOXVirtualDIBList();
  TOXVirtualDIBList(const TOXVirtualDIBList&) = delete;
  TOXVirtualDIBList& operator=(const TOXVirtualDIBList&) = delete;

  // Null when the size is beyond the size guard, the bits are not 1 or 24, or the file cannot hold it.
  Entry* AddImage(int width, int height, int bits);
  // Pictures of other depths than 1 and 24 bits are stored converted to 24 bits.
  Entry* AddDib(const gfx::TDib& dib);
  // The entry's picture as a DIB lent out until ReleaseDib; the same DIB for repeated calls. Null on failure.
  gfx::TDib* GetDib(Entry* entry);
  void ReleaseDib(gfx::TDib* dib, bool writeBack);
  void ReleaseEntry(Entry* entry, bool writeBack);
  int ImageWidth(Entry* entry);
  int ImageHeight(Entry* entry);
  int ImageBits(Entry* entry);
  // First stored (bottom) row; null when the block cannot be mapped.
  uint8_t* ImagePixels(Entry* entry);
  // The 48 header bytes (DIB information header and black/white palette).
  std::vector<uint8_t> ImageHeader(Entry* entry);
  void DeleteImage(Entry* entry);
  void Clear();
  // Makes room for `count` pictures at once; false (blocks then grow on demand) when it cannot.
  bool ReserveBlocks(int width, int height, int count, int bits);

  size_t Count() const { return entries_.size(); }
  Entry* At(size_t i) const { return entries_[i].get(); }
  size_t MappedCount() const { return mapped_.size(); }
  int64_t FileSize() const { return file_.Size(); }
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& FileName() const { return file_.FileName(); }
  int64_t EntryOffset(const Entry* entry) const;
  bool IsMapped(const Entry* entry) const;
  bool IsLentOut(const Entry* entry) const;
  size_t FreeBlockCount() const { return freeBlocks_.size(); }

  // Bytes of a block for a picture: header plus rows, rounded up to the mapping granularity; 0 beyond the guard.
  static int64_t BlockSizeFor(int width, int height, int bits);

 private:
  struct Lent {
    Entry* entry;
    std::unique_ptr<gfx::TDib> dib;
    int count;
  };
  struct FreeBlock {
    int64_t offset, size;
  };

  bool OpenFile();
  bool Allocate(Entry& e, int64_t need);
  bool MapEntry(Entry& e);
  void UnmapEntry(Entry& e);
  void UnmapAll();
  void WriteHeader(Entry& e, int width, int height, int bits);
  Lent* FindLent(const gfx::TDib* dib);
  Lent* FindLent(const Entry* entry);
  void StoreBack(Entry& e, const gfx::TDib& dib);

  std::string directory_;
  gfx::TTempFileMap file_;
  int64_t growStep_ = kVirtualFileStart;
  int64_t lastRequest_ = 0;
  int64_t allocPos_ = 0;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::vector<FreeBlock> freeBlocks_;
  std::list<Entry*> mapped_;
  std::vector<Lent> lent_;
};

class TOXVirtualBitmap {
 public:
  // Mode 0: a temporary file in `directory` (or the system's); mode 1 is served the same way.
  explicit TOXVirtualBitmap(int mode = 0, std::string directory = {});

  // False (no storage) when the size is beyond the size guard, bits are not 1, 8 or 24, or no file is made.
  bool Allocate(int width, int height, int bits);
  void Free();
  // Copies the rectangle (x, y, w, h) of `dib` (same depth) to the same place of the picture.
  void CopyFromDib(const gfx::TDib& dib, int x, int y, int w, int h);
  // Each pixel of the rectangle: its address (3 bytes for 24 bits); for 1 bit a byte holding 0 or 1 whose
  // change is written back.
  void ForEachPixel(int x, int y, int w, int h, const std::function<void(int x, int y, uint8_t* pixel)>& callback);
  // Draws srcRect of the picture into destRect of the target tile by tile.
  void DrawTo(TOXDrawTarget& target, const gfx::TRect& destRect, const gfx::TRect& srcRect);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bits_; }
  int TileW() const { return tileW_; }
  int TileH() const { return tileH_; }
  int TilesAcross() const { return across_; }
  int TilesDown() const { return down_; }
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& FileName() const { return file_.FileName(); }
  int64_t TileOffset(int c, int r) const;

 private:
  int64_t TileBytes() const { return rowLength_ * tileH_; }
  uint8_t* MapTile(int c, int r);
  // Each tile meeting [x0, x1) × [y0, y1), mapped, with the part of the range inside it; stops when a
  // tile cannot be mapped.
  void VisitTiles(int x0, int y0, int x1, int y1,
                  const std::function<void(uint8_t* tile, int c, int r, int tx0, int ty0, int tx1, int ty1)>& visit);
  // Rows of tile (c, r) clipped to sx0..sx1 × sy0..sy1 as a DIB (1-bit reduced to gray when shrinking).
  gfx::TDib TilePart(const uint8_t* tile, int c, int r, int sx0, int sy0, int sx1, int sy1);

  std::string directory_;
  gfx::TTempFileMap file_;
  int width_ = 0, height_ = 0, bits_ = 0;
  int tileW_ = 512, tileH_ = 512, across_ = 0, down_ = 0;
  int64_t rowLength_ = 0;
};

}  // namespace ox
