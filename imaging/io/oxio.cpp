// TOrvexIO: dispatch of loads and saves to the codecs, the standard steps around them, attachment.
#include "imaging/io/oxio.h"

#include <cstring>

#include "imaging/io/oxsafesave.h"
#include "imaging/model/OrvexError.h"
#include "imaging/proc/oxresample.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

TMetafileImporter MetafileImporter;

namespace {

gfx::TColor ColorOf(const TOXRGB& c) { return gfx::RGBColor(c.r, c.g, c.b); }
TOXRGB RGBOf(gfx::TColor c) { return TOXRGB{gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)}; }

// Formats whose codecs produce no transparency: the alpha plane becomes opaque after their loads.
bool OpaqueFormat(TOXFileFormat f) {
  return f == oxffPCX || f == oxffJPEG || f == oxffTGA || f == oxffBMP || f == oxffPXM || f == oxffWMF ||
         f == oxffEMF;
}

constexpr int kMaxDpiStretch = 16;

// PCX resolution fields hold the screen or the picture size in practice (old paint programs store
// 640 x 480, netpbm the picture's own size), never the shape of a pixel.
bool ResolutionGivesPixelShape(TOXFileFormat f) { return f != oxffPCX; }

bool HasHeaderBlock(TOXFileFormat f) { return f == oxffTIFF || f == oxffPCX || f == oxffJPEG; }

const char* HeaderTag(TOXFileFormat f) { return f == oxffTIFF ? "TIFF" : f == oxffPCX ? "PCX2" : "JFIF"; }

void WriteHeaderBlock(TOXStream& s, const char* tag, uint32_t length) {
  uint8_t block[12] = {};
  std::memcpy(block, tag, 4);
  for (int i = 0; i < 4; ++i) block[8 + i] = uint8_t(length >> (8 * i));
  s.Write(block, 12);
}

struct THeaderBlock {
  char tag[5] = {};
  uint32_t length = 0;
  bool ok = false;
};

THeaderBlock ReadHeaderBlock(TOXStream& s) {
  THeaderBlock h;
  uint8_t block[12];
  if (s.Read(block, 12) != 12) return h;
  std::memcpy(h.tag, block, 4);  // a zero-terminated string of at most 4 characters + the terminator
  h.length = uint32_t(block[8]) | uint32_t(block[9]) << 8 | uint32_t(block[10]) << 16 | uint32_t(block[11]) << 24;
  h.ok = true;
  return h;
}

// Encodes user-changed IPTC records into the first APP13 marker (or a new one) before a JPEG save.
void StoreIptcMarker(TIOParamsVals& p) {
  if (!p.IptcRecords.UserChanged) return;
  std::vector<uint8_t> block = p.IptcRecords.SaveToBuffer();
  int index = p.JpegMarkers.IndexOfType(0xED);
  if (index >= 0)
    p.JpegMarkers.Replace(index, 0xED, block.data(), block.size());
  else
    p.JpegMarkers.Add(0xED, block.data(), block.size());
}

void ClearExifAndMarkers(TIOParamsVals& p) {
  p.IptcRecords.Clear();
  p.JpegMarkers.Clear();
  p.ClearMetadata();
}

}  // namespace

TOXFileFormat LoadFormatOfExtension(const std::string& ext) {
  static const struct { const char* ext; TOXFileFormat f; } table[] = {
      {".jpg", oxffJPEG}, {".jpeg", oxffJPEG}, {".jpe", oxffJPEG}, {".png", oxffPNG},   {".tif", oxffTIFF},
      {".tiff", oxffTIFF}, {".fax", oxffTIFF}, {".pcx", oxffPCX},  {".gif", oxffGIF},   {".wmf", oxffWMF},
      {".emf", oxffEMF},  {".bmp", oxffBMP},  {".dib", oxffBMP},  {".rle", oxffBMP},   {".cur", oxffCUR},
      {".ico", oxffICO},  {".tga", oxffTGA},  {".targa", oxffTGA}, {".vda", oxffTGA},  {".icb", oxffTGA},
      {".vst", oxffTGA},  {".win", oxffTGA},  {".pxm", oxffPXM},  {".ppm", oxffPXM},   {".pgm", oxffPXM},
      {".pbm", oxffPXM},
  };
  for (const auto& row : table)
    if (ext == row.ext) return row.f;
  return oxffUnknown;
}

TOXFileFormat SaveFormatOfExtension(const std::string& ext) {
  TOXFileFormat f = LoadFormatOfExtension(ext);
  // Icons, cursors and metafiles have no writer.
  return (f == oxffICO || f == oxffCUR || f == oxffWMF || f == oxffEMF) ? oxffUnknown : f;
}

TOrvexIO::TOrvexIO() : Params(this) {
  Params.OwnerDefaults = [this](TIOParamsVals& p) { ResetOwnerDefaults(p); };
  Params.ResetParams();
}

TOrvexIO::~TOrvexIO() { LeaveHolder(); }

void TOrvexIO::ResetOwnerDefaults(TIOParamsVals& p) {
  if (bitmap_) {
    p.Width = bitmap_->Width();
    p.Height = bitmap_->Height();
  }
  if (holder_) {
    p.DpiX = holder_->HolderDpiX();
    p.DpiY = holder_->HolderDpiY();
  }
  TakeScreenDpi(p);
}

void TOrvexIO::TakeScreenDpi(TIOParamsVals& p) const {
  p.ScreenDpiX = holder_ ? holder_->HolderScreenDpiX() : kDefaultScreenDpi;
  p.ScreenDpiY = holder_ ? holder_->HolderScreenDpiY() : kDefaultScreenDpi;
}

void TOrvexIO::LeaveHolder() {
  if (holder_) holder_->RemoveHolderListener(this);
}

void TOrvexIO::SetAttachedOrvex(TOXImageHolder* holder) {
  LeaveHolder();
  holder_ = holder;
  if (holder_) {
    bitmap_ = holder_->HolderBitmap();
    mask_ = holder_->HolderAlphaMask();
    holder_->AddHolderListener(this);
  } else {
    bitmap_ = nullptr;
    mask_ = nullptr;
  }
}

void TOrvexIO::SetAttachedBitmap(gfx::TDib* dib) {
  // An empty value while a holder is attached changes nothing (and keeps its notifications).
  if (!dib && holder_) return;
  LeaveHolder();
  holder_ = nullptr;
  mask_ = nullptr;
  bitmap_ = dib;
}

void TOrvexIO::HolderBitmapReplaced(TOXImageHolder& holder) {
  bitmap_ = holder.HolderBitmap();
  mask_ = holder.HolderAlphaMask();
}

void TOrvexIO::HolderDestroyed(TOXImageHolder& holder) {
  if (&holder != holder_) return;
  holder_ = nullptr;
  bitmap_ = nullptr;
  mask_ = nullptr;
}

gfx::TColor TOrvexIO::Background() const { return holder_ ? holder_->HolderBackground() : background_; }

void TOrvexIO::SetBackground(gfx::TColor c) {
  if (!holder_)
    background_ = c;
  else if (!holder_->KeepsOwnBackground())
    holder_->SetHolderBackground(c);
}

void TOrvexIO::BeginOperation() {
  Aborted = false;
  Partial = false;
  RowsRead = RowsExpected = 0;
  // The view may have moved to another screen since the last operation.
  TakeScreenDpi(Params);
  Failure = {};
}

void TOrvexIO::PrepareProgress(TProgressRec& rec) {
  rec.OnProgress = OnProgress;
  rec.Sender = this;
  rec.Aborted = &Aborted;
  rec.FillColor = Background();
}

void TOrvexIO::ImageChanged() {
  if (holder_)
    holder_->HolderImageChanged();
  else if (bitmap_)
    bitmap_->Modified = true;
}

// ---------------------------------------------------------------------------------------------- loading

void TOrvexIO::RunLoad(TOXFileFormat format, TOXStream& stream, const std::string& file, const TBuiltInCodec* codec,
                       const TOXRegReadProc* regProc) {
  const bool fileLoad = !file.empty();
  if (format == oxffPNG && fileLoad) Params.PngBackground = RGBOf(Background());
  TProgressRec progress;
  PrepareProgress(progress);
  int64_t restoreTo = -1;
  if (regProc) {
    (*regProc)(stream, bitmap_, Params, false, progress);
  } else {
    TReadCall call{stream, bitmap_, Params, progress};
    call.AlphaMask = mask_;
    const int64_t start = stream.Position();
    call.DataLength = fileLoad ? stream.Size() - start : 0;
    bool ready = true;
    if (!fileLoad && format == oxffTIFF && StreamHeaders) {
      THeaderBlock h = ReadHeaderBlock(stream);
      if (!h.ok || std::strncmp(h.tag, "TIFF", 5) != 0) ready = false;
      else restoreTo = start + 12 + int64_t(h.length);
    } else if (!fileLoad && format == oxffPCX) {
      const int64_t rest = stream.Size() - start;
      call.DataLength = rest;
      if (StreamHeaders) {
        THeaderBlock h = ReadHeaderBlock(stream);
        if (!h.ok || std::strncmp(h.tag, "PCX", 3) != 0) {
          ready = false;
        } else if (std::strncmp(h.tag, "PCX2", 5) == 0) {
          // The block's length is untrusted: never more than the stream holds.
          call.DataLength = std::min<int64_t>(h.length, std::max<int64_t>(0, rest - 12));
          restoreTo = start + 12 + call.DataLength;
        } else {
          stream.SetPosition(start + 4);
          call.DataLength = std::max<int64_t>(0, rest - 4);
        }
      }
    } else if (!fileLoad && format == oxffJPEG) {
      THeaderBlock h = ReadHeaderBlock(stream);
      if (h.ok && std::strncmp(h.tag, "JFIF", 5) == 0) {
        call.DataLength = std::min<int64_t>(h.length, std::max<int64_t>(0, stream.Size() - start - 12));
        restoreTo = start + 12 + call.DataLength;
      } else {
        stream.SetPosition(start);
      }
    }
    // Files and plain streams count TIFF offsets from the data's start; with header blocks they count
    // from the stream's start, as the writer puts them.
    call.RelativeOffsets = fileLoad || !StreamHeaders;
    if (!ready) {
      Aborted = true;
      return;
    }
    Failure = RunCodecRead(*codec, format, call);
    if (restoreTo >= 0) stream.SetPosition(restoreTo);
  }
  if (Aborted && progress.PartialPicture() && bitmap_) {
    progress.FillMissingRows(*bitmap_);
    Partial = true;
    RowsRead = progress.RowsDelivered;
    RowsExpected = progress.PictureRows;
  }
  if (AutoAdjustDPI && ResolutionGivesPixelShape(format)) AdjustDpi();
  if (OpaqueFormat(format) && mask_ && bitmap_ && !bitmap_->Empty()) {
    mask_->Allocate(bitmap_->Width(), bitmap_->Height(), 8);
    mask_->Fill(255);
  }
  Params.FileName = file;
  Params.FileType = format;
  if (holder_) holder_->SetHolderResolution(Params.DpiX, Params.DpiY);
  ImageChanged();
  if (format == oxffGIF) SetBackground(ColorOf(Params.GifTransparent ? Params.GifTransparentColor : Params.GifBackgroundColor));
  if (format == oxffPNG) SetBackground(ColorOf(Params.PngBackground));
}

void TOrvexIO::LoadFileAs(const std::string& fileName, TOXFileFormat format) {
  BeginOperation();
  if (!bitmap_) return;
  if (format == oxffWMF || format == oxffEMF) {
    ImportMetafile(fileName, -1, -1);
    return;
  }
  const TBuiltInCodec* codec = BuiltInCodec(format);
  if (!codec || !codec->Read) {
    // A codec not built into this library fails like an unknown format.
    Aborted = true;
    return;
  }
  ClearExifAndMarkers(Params);
  TOXFileStream stream(fileName, fmOpenRead);
  RunLoad(format, stream, fileName, codec, nullptr);
}

void TOrvexIO::LoadStreamAs(TOXStream& stream, TOXFileFormat format) {
  BeginOperation();
  if (!bitmap_) return;
  const TBuiltInCodec* codec = BuiltInCodec(format);
  if (!codec || !codec->Read || format == oxffWMF || format == oxffEMF) {
    Aborted = true;
    return;
  }
  ClearExifAndMarkers(Params);
  RunLoad(format, stream, std::string(), codec, nullptr);
}

void TOrvexIO::LoadFromFile(const std::string& fileName) {
  if (!bitmap_ || fileName.empty()) return;
  TOXFileFormat f = LoadFormatOfExtension(LowerExtension(fileName));
  if (f != oxffUnknown) {
    LoadFileAs(fileName, f);
    return;
  }
  BeginOperation();
  std::string ext = LowerExtension(fileName);
  const TOXFileFormatInfo* rec = ext.size() > 1 ? FindFormatByExtension(ext.substr(1)) : nullptr;
  if (!rec || !rec->ReadProc) {
    Aborted = true;
    return;
  }
  ClearExifAndMarkers(Params);
  TOXRegReadProc proc = rec->ReadProc;
  TOXFileStream stream(fileName, fmOpenRead);
  RunLoad(rec->FormatId, stream, fileName, nullptr, &proc);
}

const TOXFileFormatInfo* TOrvexIO::RegisteredReader(TOXFileFormat format) {
  BeginOperation();
  ClearExifAndMarkers(Params);
  Params.FileName.clear();
  Params.FileType = oxffUnknown;
  const TOXFileFormatInfo* rec = FindFormatById(format);
  if (!rec || !rec->ReadProc || !bitmap_) {
    Aborted = true;
    return nullptr;
  }
  Params.FileType = rec->FormatId;
  return rec;
}

void TOrvexIO::LoadFromFileFormat(const std::string& fileName, TOXFileFormat format) {
  if (format >= oxffTIFF && format <= oxffPXM) {
    LoadFileAs(fileName, format);
    return;
  }
  const TOXFileFormatInfo* rec = RegisteredReader(format);
  if (!rec) return;
  TOXRegReadProc proc = rec->ReadProc;
  TOXFileStream stream(fileName, fmOpenRead);
  RunLoad(rec->FormatId, stream, fileName, nullptr, &proc);
}

void TOrvexIO::LoadFromStreamFormat(TOXStream& stream, TOXFileFormat format) {
  if (format >= oxffTIFF && format <= oxffPXM && format != oxffWMF && format != oxffEMF) {
    LoadStreamAs(stream, format);
    return;
  }
  const TOXFileFormatInfo* rec = RegisteredReader(format);
  if (!rec) return;
  TOXRegReadProc proc = rec->ReadProc;
  RunLoad(rec->FormatId, stream, std::string(), nullptr, &proc);
}

void TOrvexIO::LoadFromStream(TOXStream& stream) {
  LoadFromStreamFormat(stream, DetectStreamFormat(stream));
}

// ---------------------------------------------------------------------------------------------- saving

void TOrvexIO::WriteStream(TOXStream& stream, TOXFileFormat format, const TOXRegWriteProc* regProc) {
  // The caller's DIB is reduced to the two depths every writer takes.
  if (bitmap_->PixelFormat() != gfx::TPixelFormat::pf24bit && bitmap_->PixelFormat() != gfx::TPixelFormat::pf1bit)
    bitmap_->SetPixelFormat(gfx::TPixelFormat::pf24bit);
  TProgressRec progress;
  PrepareProgress(progress);
  if (regProc) {
    (*regProc)(stream, *bitmap_, Params, progress);
    return;
  }
  const TBuiltInCodec* codec = BuiltInCodec(format);
  if (!codec || !codec->Write) {
    Aborted = true;
    return;
  }
  if (format == oxffJPEG) StoreIptcMarker(Params);
  const bool block = StreamHeaders && HasHeaderBlock(format);
  const int64_t start = stream.Position();
  if (block) WriteHeaderBlock(stream, "\0\0\0\0", 0);
  Failure = RunCodecWrite(*codec, format, stream, *bitmap_, Params, progress, mask_);
  if (block && !(format == oxffPCX && Aborted)) {
    const int64_t end = stream.Position();
    stream.SetPosition(start);
    WriteHeaderBlock(stream, HeaderTag(format), uint32_t(end - start - 12));
    stream.SetPosition(end);
  }
}

void TOrvexIO::SaveToStreamFormat(TOXStream& stream, TOXFileFormat format) {
  BeginOperation();
  if (!bitmap_) return;
  if (format >= oxffTIFF && format <= oxffPXM) {
    WriteStream(stream, format, nullptr);
    return;
  }
  const TOXFileFormatInfo* rec = FindFormatById(format);
  if (!rec || !rec->WriteProc) {
    Aborted = true;
    return;
  }
  TOXRegWriteProc proc = rec->WriteProc;
  WriteStream(stream, format, &proc);
}

void TOrvexIO::SaveToFile(const std::string& fileName) {
  if (!bitmap_ || fileName.empty()) return;
  BeginOperation();
  std::string ext = LowerExtension(fileName);
  TOXFileFormat f = SaveFormatOfExtension(ext);
  TOXRegWriteProc proc;
  if (f == oxffUnknown) {
    const TOXFileFormatInfo* rec = ext.size() > 1 ? FindFormatByExtension(ext.substr(1)) : nullptr;
    if (!rec || !rec->WriteProc) {
      Aborted = true;
      return;
    }
    f = rec->FormatId;
    proc = rec->WriteProc;
    Params.FileType = rec->FormatId;
    Params.FileName = fileName;
  } else {
    const TBuiltInCodec* codec = BuiltInCodec(f);
    if (!codec || !codec->Write) {
      Aborted = true;  // no file is created for a format this library cannot write
      return;
    }
  }
  // The target is replaced only by a complete file: a failed save leaves it as it was.
  TSafeFileWriter writer(fileName);
  WriteStream(writer.Stream(), f, proc ? &proc : nullptr);
  if (Aborted)
    writer.Discard();
  else
    writer.Commit();
}

// ---------------------------------------------------------------------------------------------- params only

void TOrvexIO::ReadParamsOnly(TOXStream& stream, TOXFileFormat format, int64_t dataLength) {
  TProgressRec progress;
  progress.Aborted = &Aborted;
  if (format >= oxffTIFF && format <= oxffPXM) {
    const TBuiltInCodec* codec = BuiltInCodec(format);
    if (!codec || !codec->Read || format == oxffWMF || format == oxffEMF) {
      Aborted = true;
      return;
    }
    TReadCall call{stream, nullptr, Params, progress};
    call.ParamsOnly = true;
    call.DataLength = dataLength;
    Failure = RunCodecRead(*codec, format, call);
    return;
  }
  const TOXFileFormatInfo* rec = FindFormatById(format);
  if (rec && rec->ReadProc) rec->ReadProc(stream, nullptr, Params, true, progress);
}

void TOrvexIO::ReadParamsFromFileFormat(const std::string& fileName, TOXFileFormat format) {
  Params.FileType = format;
  ClearExifAndMarkers(Params);
  BeginOperation();
  try {
    TOXFileStream stream(fileName, fmOpenRead);
    ReadParamsOnly(stream, format, stream.Size());
    if (Aborted) Params.FileType = oxffUnknown;
  } catch (...) {
    Params.FileType = oxffUnknown;
  }
  Params.FileName = fileName;
}

void TOrvexIO::ReadParamsFromStreamFormat(TOXStream& stream, TOXFileFormat format) {
  Params.FileType = format;
  ClearExifAndMarkers(Params);
  BeginOperation();
  try {
    ReadParamsOnly(stream, format, 0);
    if (Aborted) Params.FileType = oxffUnknown;
  } catch (...) {
    Params.FileType = oxffUnknown;
  }
}

void TOrvexIO::ReadParamsFromFile(const std::string& fileName) {
  ReadParamsFromFileFormat(fileName, DetectFileFormat(fileName, true));
}

void TOrvexIO::ReadParamsFromStream(TOXStream& stream) {
  TOXFileFormat f = DetectStreamFormat(stream);
  ReadParamsFromStreamFormat(stream, f);
}

// ---------------------------------------------------------------------------------------------- square pixels

void TOrvexIO::AdjustDpi() {
  TIOParamsVals& p = Params;
  if (!bitmap_ || bitmap_->Empty() || p.DpiX == p.DpiY || p.DpiX <= 0 || p.DpiY <= 0) return;
  // A TIFF page turned by its orientation holds the stored axes swapped; the resolutions belong to those.
  const int w = bitmap_->Width(), h = bitmap_->Height();
  const bool turned = w != h && w == p.Height && h == p.Width;
  const int dpiX = turned ? p.DpiY : p.DpiX, dpiY = turned ? p.DpiX : p.DpiY;
  // Real non-square pixels differ by a small factor (fax: about 2); a side stretched more than 16 times comes
  // from a damaged resolution field and would only blow a small file up into a huge picture. Skipped too when
  // the square-pixel size would be empty or too large to hold.
  const bool tall = !(h < w);
  const double side = tall ? double(w) / dpiX * dpiY : double(h) / dpiY * dpiX;
  if (!(side >= 1) || side > double(kMaxDpiStretch) * (tall ? w : h)) return;
  const int newW = tall ? int(side) : w, newH = tall ? h : int(side);
  if (newW < 1 || newH < 1 || !gfx::ImageSizeAllowed(newW, newH, 24)) return;
  gfx::TDib resized;
  if (!Resample(*bitmap_, resized, newW, newH, rfFastLinear)) return;
  if (mask_ && mask_->BitsPerPixel == 8 && mask_->Width > 0 && mask_->Height > 0) {
    TOXMask scaled;
    scaled.Allocate(newW, newH, 8);
    FastLinearAlpha(mask_->Data.data(), mask_->Width, mask_->Height, mask_->RowLength, scaled.Data.data(), newW, newH,
                    scaled.RowLength);
    scaled.X1 = 0, scaled.Y1 = 0, scaled.X2 = newW - 1, scaled.Y2 = newH - 1;
    mask_->Assign(&scaled);
  }
  bitmap_->Assign(resized);
  p.DpiX = p.DpiY = tall ? dpiY : dpiX;
  // The parameters keep the stored axes.
  if (tall != turned) p.Width = tall ? newW : newH;
  else p.Height = tall ? newW : newH;
}

// ---------------------------------------------------------------------------------------------- metafiles

void TOrvexIO::ImportMetafile(const std::string& fileName, int width, int height) {
  BeginOperation();
  if (width == 0 || height == 0 || !bitmap_) return;
  ClearExifAndMarkers(Params);
  int natW = 0, natH = 0;
  bool enhanced = false;
  std::function<void(gfx::TDib&)> draw;
  if (!MetafileImporter.Load || !MetafileImporter.Load(fileName, Params.ScreenDpiX, Params.ScreenDpiY, natW, natH, enhanced, draw)) {
    Aborted = true;
    return;
  }
  int64_t w = width, h = height;
  if (width < 0 || height < 0) {
    // Proportional sizes divide by the natural size: refuse a metafile without one.
    if (natW <= 0 || natH <= 0) {
      Aborted = true;
      return;
    }
    if (width < 0 && height < 0) {
      w = natW;
      h = natH;
    } else if (width < 0) {
      w = int64_t(height) * natW / natH;
    } else {
      h = int64_t(width) * natH / natW;
    }
  }
  if (w <= 0 || h <= 0) {
    Aborted = true;
    return;
  }
  if (w > 2800 || h > 2800) {
    if (w >= h) {
      h = h * 2800 / w;
      w = 2800;
    } else {
      w = w * 2800 / h;
      h = 2800;
    }
  }
  if (w - 1 < 1 || h - 1 < 1) {
    Aborted = true;
    return;
  }
  bitmap_->SetPixelFormat(gfx::TPixelFormat::pf24bit);
  bitmap_->SetSize(int(w - 1), int(h - 1));
  Params.FileName = fileName;
  Params.FileType = enhanced ? oxffEMF : oxffWMF;
  Params.BitsPerSample = 8;
  Params.SamplesPerPixel = 3;
  Params.Width = bitmap_->Width();
  Params.Height = bitmap_->Height();
  Params.DpiX = Params.ScreenDpiX;
  Params.DpiY = Params.ScreenDpiY;
  Params.FreeColorMap();
  if (holder_) holder_->SetHolderResolution(Params.DpiX, Params.DpiY);
  const gfx::TColor bg = Background();
  for (int y = 0; y < bitmap_->Height(); ++y) {
    uint8_t* row = bitmap_->ScanLine(y);
    for (int x = 0; x < bitmap_->Width(); ++x) {
      row[3 * x] = gfx::BlueOf(bg);
      row[3 * x + 1] = gfx::GreenOf(bg);
      row[3 * x + 2] = gfx::RedOf(bg);
    }
  }
  draw(*bitmap_);
  if (mask_) {
    mask_->Allocate(bitmap_->Width(), bitmap_->Height(), 8);
    mask_->Fill(255);
  }
  ImageChanged();
}

// ---------------------------------------------------------------------------------------------- detection

TOXFileFormat DetectStreamFormat(TOXStream& stream) {
  int64_t pos = 0;
  try {
    pos = stream.Position();
    const int64_t size = stream.Size();
    auto restore = [&] { stream.SetPosition(pos); };
    for (const auto& rec : FileFormatRegistry()) {
      if (!rec.DetectProc) continue;
      bool hit = rec.DetectProc(stream);
      restore();
      if (hit) return rec.FormatId;
    }
    uint8_t b[16] = {};
    stream.Read(b, sizeof b);
    restore();
    auto starts = [&](const char* s, size_t n) { return std::memcmp(b, s, n) == 0; };
    // The header blocks this component puts before a picture in a stream.
    if (size > 12 && starts("JFIF\0", 5)) return oxffJPEG;
    if (size > 12 && starts("PCX2\0", 5)) return oxffPCX;
    if (size > 4 && starts("PCX\0", 4)) return oxffPCX;
    if (size > 12 && starts("TIFF\0", 5)) return oxffTIFF;
    for (TOXFileFormat f : DetectionOrder()) {
      const TBuiltInCodec* c = BuiltInCodec(f);
      if (!c || !c->Detect) continue;
      const bool hit = c->Detect(stream);
      restore();
      if (hit) return f;
    }
  } catch (...) {
    try {
      stream.SetPosition(pos);
    } catch (...) {
    }
  }
  return oxffUnknown;
}

TOXFileFormat DetectFileFormat(const std::string& fileName, bool useExtension) {
  TOXFileFormat f = oxffUnknown;
  try {
    TOXFileStream stream(fileName, fmOpenRead);
    f = DetectStreamFormat(stream);
  } catch (...) {
    return oxffUnknown;
  }
  if (!useExtension) return f;
  std::string ext = LowerExtension(fileName);
  const TOXFileFormatInfo* rec = ext.size() > 1 ? FindFormatByExtension(ext.substr(1)) : nullptr;
  if (!rec) return oxffUnknown;
  // The icon and cursor tests cannot tell the two apart: the extension decides.
  if (f == oxffICO || f == oxffCUR) return rec->FormatId;
  return f == rec->FormatId ? f : oxffUnknown;
}

std::string DescribeParams(const TIOParamsVals& p) {
  const TOXFileFormatInfo* rec = FindFormatById(p.FileType);
  if (!rec) return {};
  std::string s = rec->Description + " (" + FormatExtension(p.FileType, 0) + ")";
  switch (p.FileType) {
    case oxffTIFF: {
      static const char* names[] = {" Uncompressed", " Huffman", " Group 3 Fax", " Group 3 Fax 2D", " Group 4 Fax",
                                    " LZW", " Jpeg v.5", " Jpeg", " PackBits RLE"};
      if (p.TiffCompression <= 8) s += names[p.TiffCompression];
      break;
    }
    case oxffGIF:
      if (p.GifInterlaced) s += " Interlaced";
      break;
    case oxffJPEG: {
      static const char* names[] = {"", " Gray level", " YCbCr", " CMYK", " YCbCrK"};
      if (p.JpegColorSpace <= 4) s += names[p.JpegColorSpace];
      break;
    }
    case oxffPCX:
      if (!p.PcxCompressed) s += " Uncompressed";
      break;
    case oxffBMP: {
      static const char* names[] = {" ver.1", " ver.3", " OS/2 v.1", " OS/2 v.2"};
      if (p.BmpVersion <= 3) s += names[p.BmpVersion];
      break;
    }
    case oxffPNG:
      if (p.PngInterlaced) s += " Interlaced";
      break;
    case oxffTGA:
      s += p.TgaCompressed ? " Compressed" : " Uncompressed";
      break;
    default:
      break;
  }
  return s;
}

}  // namespace ox
