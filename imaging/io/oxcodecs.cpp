// Binds each built-in format to its codec functions.
#include "imaging/io/oxcodecs.h"

#include <array>
#include <string>
#include <vector>

#include "imaging/io/BMPFilt.h"
#include "imaging/io/GIFFilt.h"
#include "imaging/io/ICOFilt.h"
#include "imaging/io/JPEGFilt.h"
#include "imaging/io/PXMFilt.h"
#include "imaging/io/PCXFilt.h"
#include "imaging/io/PNGFilt.h"
#include "imaging/io/TGAFilt.h"
#include "imaging/io/TIFFFilt.h"

namespace ox {

namespace {

std::array<TBuiltInCodec, 13> MakeTable() {
  std::array<TBuiltInCodec, 13> t{};
  t[oxffJPEG].Read = [](TReadCall& c) {
    ReadJpegStream(c.Stream, c.Bitmap, c.Params, c.ParamsOnly, c.Progress);
    JpegReadMetadata(c.Params);
  };
  t[oxffJPEG].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask*) {
    WriteJpegStream(s, d, p, r);
  };
  t[oxffJPEG].Detect = [](TOXStream& s) { return JpegFindSOI(s) >= 0; };

  t[oxffPNG].Read = [](TReadCall& c) { ReadPNGStream(c.Stream, c.Bitmap, c.Params, c.AlphaMask, c.ParamsOnly, c.Progress); };
  t[oxffPNG].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask* m) {
    WritePNGStream(s, d, p, m, r);
  };
  t[oxffPNG].Detect = [](TOXStream& s) { return s.Size() > 8 && IsPNGStream(s); };

  t[oxffPCX].Read = [](TReadCall& c) {
    // Without a known length the data runs to the end of the stream.
    const int64_t length = c.DataLength > 0 ? c.DataLength : c.Stream.Size() - c.Stream.Position();
    ReadPcxStream(c.Stream, c.Bitmap, c.Params, c.ParamsOnly, c.Progress, length);
  };
  t[oxffPCX].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask*) {
    WritePcxStream(s, d, p, r);
  };

  t[oxffPCX].Detect = [](TOXStream& s) { return IsPCXStream(s); };

  t[oxffTGA].Read = [](TReadCall& c) { ReadTgaStream(c.Stream, c.Bitmap, c.Params, c.ParamsOnly, c.Progress); };
  t[oxffTGA].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask*) {
    WriteTgaStream(s, d, p, r);
  };
  t[oxffTGA].Detect = [](TOXStream& s) { return TryTGA(s); };

  t[oxffTIFF].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask*) {
    TIFFWriteStream(s, d, r, p);
  };

  t[oxffBMP].Read = [](TReadCall& c) {
    BMPReadStream(c.Stream, c.Bitmap, c.DataLength, c.ParamsOnly, c.Progress, c.Params);
  };
  t[oxffBMP].Detect = [](TOXStream& s) { return IsBMPStream(s); };
  t[oxffBMP].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask*) {
    BMPWriteStream(s, d, p, r);
  };
  t[oxffICO].Read = [](TReadCall& c) {
    ICOReadStream(c.Stream, c.Bitmap, c.Params, c.AlphaMask, c.Progress, c.ParamsOnly);
  };
  t[oxffICO].Detect = [](TOXStream& s) { return IsICOStream(s); };
  t[oxffCUR].Read = [](TReadCall& c) {
    CURReadStream(c.Stream, c.Bitmap, c.Params, c.AlphaMask, c.Progress, c.ParamsOnly);
  };
  t[oxffCUR].Detect = [](TOXStream& s) { return IsCURStream(s); };
  t[oxffPXM].Read = [](TReadCall& c) { PXMReadStream(c.Stream, c.Bitmap, c.Params, c.ParamsOnly, c.Progress); };
  t[oxffPXM].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask*) {
    PXMWriteStream(s, d, p, r);
  };
  t[oxffPXM].Detect = [](TOXStream& s) { return IsPXMStream(s); };

  t[oxffGIF].Read = [](TReadCall& c) {
    ReadGifStream(c.Stream, c.Bitmap, &c.Params.GifImageCount, c.AlphaMask, c.ParamsOnly, c.Progress, c.Params);
  };
  t[oxffGIF].Detect = [](TOXStream& s) { return IsGIFStream(s); };
  t[oxffGIF].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r, TOXMask* m) {
    WriteGifStream(s, d, p, r, m);
  };

  t[oxffTIFF].Detect = [](TOXStream& s) { return HasTIFFByteOrderMark(s); };
  t[oxffTIFF].Read = [](TReadCall& c) {
    int pages = 0;
    TIFFReadStream(c.Bitmap, c.Stream, pages, c.RelativeOffsets, c.AlphaMask, c.ParamsOnly, c.Progress, &c.Params);
  };
  return t;
}

const char* FormatTag(TOXFileFormat format) {
  static const char* const tags[] = {"", "TIFF", "GIF", "JPEG", "PCX", "BMP", "ICO", "CUR", "PNG", "WMF", "EMF", "TGA", "PXM"};
  return format > oxffUnknown && format <= oxffPXM ? tags[format] : "";
}

}  // namespace

TCodecFailure RunCodecRead(const TBuiltInCodec& codec, TOXFileFormat format, TReadCall& call) {
  TFailureScope scope;
  codec.Read(call);
  if (!call.Progress.IsAborted()) return {};
  if (scope.Failure()) return scope.Failure();
  const std::string tag = FormatTag(format);
  if (call.Progress.DataEnded)
    return {TFailureKind::Damaged, tag + ": the data ends after row " + std::to_string(call.Progress.RowsDelivered) +
                                       " of " + std::to_string(call.Progress.PictureRows)};
  return {TFailureKind::Damaged, tag + ": damaged, or not a " + tag + " file"};
}

TCodecFailure RunCodecWrite(const TBuiltInCodec& codec, TOXFileFormat format, TOXStream& stream, gfx::TDib& dib,
                            TIOParamsVals& params, TProgressRec& progress, TOXMask* mask) {
  TFailureScope scope;
  codec.Write(stream, dib, params, progress, mask);
  if (!progress.IsAborted()) return {};
  if (scope.Failure()) return scope.Failure();
  return {TFailureKind::Damaged, std::string(FormatTag(format)) + ": the picture could not be written"};
}

const std::vector<TOXFileFormat>& DetectionOrder() {
  // Magic numbers first; then the tests that look further into the data, JPEG's wandering start last.
  static const std::vector<TOXFileFormat> order = {oxffGIF, oxffBMP, oxffPCX, oxffTIFF, oxffPNG,
                                                   oxffICO, oxffCUR, oxffTGA, oxffPXM, oxffJPEG};
  return order;
}

const TBuiltInCodec* BuiltInCodec(TOXFileFormat format) {
  static const std::array<TBuiltInCodec, 13> table = MakeTable();
  if (format <= oxffUnknown || format > oxffPXM) return nullptr;
  const TBuiltInCodec& c = table[size_t(format)];
  return (c.Read || c.Write || c.Detect) ? &c : nullptr;
}

}  // namespace ox
