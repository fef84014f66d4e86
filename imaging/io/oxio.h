// TOrvexIO: the component through which every picture enters and leaves: codec dispatch by extension,
// format or content, the standard load and save steps, parameters-only reading and square pixels.
#pragma once

#include <functional>
#include <string>

#include "imaging/io/oxcodecs.h"
#include "imaging/model/oxholder.h"
#include "imaging/io/oxioparams.h"
#include "imaging/io/oxregistry.h"

namespace ox {

// Draws a metafile: installed by the Qt layer (the core has no metafile player of its own).
// Load: false when the file is not a readable metafile; sets the natural size (in pixels at dpiX x dpiY)
// and whether it is enhanced.
struct TMetafileImporter {
  std::function<bool(const std::string& fileName, int dpiX, int dpiY, int& naturalWidth, int& naturalHeight,
                     bool& enhanced, std::function<void(gfx::TDib& target)>& draw)>
      Load;
};
extern TMetafileImporter MetafileImporter;

class TOrvexIO : private TOXHolderListener {
 public:
  TOrvexIO();
  ~TOrvexIO() override;
  TOrvexIO(const TOrvexIO&) = delete;
  TOrvexIO& operator=(const TOrvexIO&) = delete;

  TIOParamsVals Params;
  bool Aborted = false;
  // Set with Aborted when the data ended after some rows were decoded: the bitmap holds those rows (the
  // rest background), so a caller can show what the file holds instead of nothing.
  bool Partial = false;
  // With Partial: the rows the bitmap holds from the file, and the rows the picture has.
  int64_t RowsRead = 0, RowsExpected = 0;
  // With Aborted (or Partial), when a built-in codec stopped: why, and whether the file is damaged or uses
  // what this library does not support.
  TCodecFailure Failure;
  TOXProgressEvent OnProgress;
  bool StreamHeaders = false;
  // Square pixels after each load, for the formats whose two resolutions describe a pixel's shape (not PCX,
  // whose fields hold screen or picture sizes).
  bool AutoAdjustDPI = true;
  int MsgLanguage = 0;  // msSystem

  // Attaching: a view-like holder, or a bare DIB.
  TOXImageHolder* AttachedOrvex() const { return holder_; }
  void SetAttachedOrvex(TOXImageHolder* holder);
  gfx::TDib* AttachedBitmap() const { return bitmap_; }
  void SetAttachedBitmap(gfx::TDib* dib);
  gfx::TDib* Bitmap() const { return bitmap_; }
  TOXMask* AlphaMask() const { return mask_; }

  gfx::TColor Background() const;
  void SetBackground(gfx::TColor c);

  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToFile(const std::string& fileName);
  virtual void LoadFromFileFormat(const std::string& fileName, TOXFileFormat format);
  virtual void ReadParamsFromFile(const std::string& fileName);
  virtual void ReadParamsFromFileFormat(const std::string& fileName, TOXFileFormat format);
  virtual void ReadParamsFromStream(TOXStream& stream);
  virtual void ReadParamsFromStreamFormat(TOXStream& stream, TOXFileFormat format);
  virtual void LoadFromStream(TOXStream& stream);
  virtual void LoadFromStreamFormat(TOXStream& stream, TOXFileFormat format);
  virtual void SaveToStreamFormat(TOXStream& stream, TOXFileFormat format);

  // Metafile import at a requested size; -1 = natural.
  void ImportMetafile(const std::string& fileName, int width = -1, int height = -1);

  void AssignParams(const TIOParamsVals& source) { Params.CopyParams(source); }
  void AssignParams(const TOrvexIO& source) { Params.CopyParams(source.Params); }

  // Resamples non-square pixels (DpiX != DpiY) to square ones.
  void AdjustDpi();

 private:
  void HolderBitmapReplaced(TOXImageHolder& holder) override;
  void HolderDestroyed(TOXImageHolder& holder) override;
  void LeaveHolder();

  // Clears Aborted and Partial at the start of an operation.
  void BeginOperation();
  void PrepareProgress(TProgressRec& rec);
  // Standard load steps 3..8 around one codec read; `file` empty for stream loads.
  void RunLoad(TOXFileFormat format, TOXStream& stream, const std::string& file, const TBuiltInCodec* codec,
               const TOXRegReadProc* regProc);
  // The registry record that reads `format` (the load's fields reset), or null with Aborted set.
  const TOXFileFormatInfo* RegisteredReader(TOXFileFormat format);
  void LoadFileAs(const std::string& fileName, TOXFileFormat format);
  void LoadStreamAs(TOXStream& stream, TOXFileFormat format);
  void WriteStream(TOXStream& stream, TOXFileFormat format, const TOXRegWriteProc* regProc);
  void ReadParamsOnly(TOXStream& stream, TOXFileFormat format, int64_t dataLength);
  void ImageChanged();
  void ResetOwnerDefaults(TIOParamsVals& p);
  // The resolution of pictures without one: the holder's screen, else kDefaultScreenDpi.
  void TakeScreenDpi(TIOParamsVals& p) const;

  TOXImageHolder* holder_ = nullptr;
  gfx::TDib* bitmap_ = nullptr;
  TOXMask* mask_ = nullptr;
  gfx::TColor background_ = 0;
};

// Content detection; the stream position is restored. 0 when nothing matches or on any error.
TOXFileFormat DetectStreamFormat(TOXStream& stream);
TOXFileFormat DetectFileFormat(const std::string& fileName, bool useExtension);
// "JPEG Bitmap (JPG) YCbCr" and the like; empty when the format has no registry record.
std::string DescribeParams(const TIOParamsVals& params);

// The codec a file-name extension (".jpg", lower case, with the dot) loads or saves with; 0 for none.
TOXFileFormat LoadFormatOfExtension(const std::string& ext);
TOXFileFormat SaveFormatOfExtension(const std::string& ext);

}  // namespace ox
