// Writes small pictures of every built-in format through the library's writers, with the options that
// change the written structure (compression, versions, progressive, metadata, header blocks): fuzz seeds.
// Usage: fuzz_seedgen <folder>; files go to <folder>/<target>/.
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "imaging/io/GIFLzw.h"
#include "imaging/io/TIFFLzw.h"
#include "imaging/io/oxio.h"
#include "imaging/proc/oxclipdib.h"

namespace {

namespace fs = std::filesystem;

gfx::TDib Picture(gfx::TPixelFormat format, int w, int h) {
  gfx::TDib dib(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = dib.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = uint8_t(x * 37), row[3 * x + 1] = uint8_t(y * 53), row[3 * x + 2] = uint8_t((x ^ y) * 29);
    }
  }
  if (format != gfx::TPixelFormat::pf24bit) dib.SetPixelFormat(format);
  return dib;
}

void Put(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// One save through the I/O component; `tune` sets the writer's options.
std::vector<uint8_t> Save(ox::TOXFileFormat format, gfx::TPixelFormat pf, bool headers,
                          const std::function<void(ox::TIOParamsVals&)>& tune = {}) {
  gfx::TDib dib = Picture(pf, 13, 7);
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.StreamHeaders = headers;
  io.Params.Width = dib.Width(), io.Params.Height = dib.Height();
  if (pf == gfx::TPixelFormat::pf1bit) io.Params.BitsPerSample = 1, io.Params.SamplesPerPixel = 1;
  if (tune) tune(io.Params);
  ox::TOXMemoryStream s;
  io.SaveToStreamFormat(s, format);
  return io.Aborted ? std::vector<uint8_t>() : s.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seedgen <folder>\n";
    return 2;
  }
  ox::InstallTiffLzwCoders();
  ox::InstallGifLzwCoders();
  const fs::path root = argv[1];
  using PF = gfx::TPixelFormat;
  int written = 0;
  auto put = [&](const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return;
    Put(root / target / name, bytes);
    ++written;
  };
  const std::pair<const char*, PF> depths[] = {{"1", PF::pf1bit}, {"8", PF::pf8bit}, {"24", PF::pf24bit}};
  for (auto [tag, pf] : depths) {
    const std::string d = tag;
    put("fuzz_bmp", "gen-" + d + ".bmp", Save(ox::oxffBMP, pf, false));
    put("fuzz_bmp", "gen-" + d + "-rle.bmp", Save(ox::oxffBMP, pf, false, [](auto& p) { p.BmpCompressed = true; }));
    put("fuzz_bmp", "gen-" + d + "-core.bmp", Save(ox::oxffBMP, pf, false, [](auto& p) { p.BmpVersion = 2; }));
    put("fuzz_ico", "gen-" + d + ".ico", Save(ox::oxffICO, pf, false));
    put("fuzz_cur", "gen-" + d + ".cur", Save(ox::oxffCUR, pf, false, [](auto& p) { p.CurHotSpotX = 3, p.CurHotSpotY = 2; }));
    put("fuzz_pnm", "gen-" + d + ".pnm", Save(ox::oxffPXM, pf, false));
    put("fuzz_gif", "gen-" + d + ".gif", Save(ox::oxffGIF, pf, false));
    put("fuzz_gif", "gen-" + d + "-interlaced.gif", Save(ox::oxffGIF, pf, false, [](auto& p) { p.GifInterlaced = true; }));
    for (bool headers : {false, true}) {
      const std::string h = headers ? "-block" : "";
      put("fuzz_pcx", "gen-" + d + h + ".pcx", Save(ox::oxffPCX, pf, headers));
      put("fuzz_pcx", "gen-" + d + h + "-raw.pcx", Save(ox::oxffPCX, pf, headers, [](auto& p) { p.PcxCompressed = false; }));
      for (int c : {0, 5, 8})
        put("fuzz_tiff", "gen-" + d + h + "-c" + std::to_string(c) + ".tif",
            Save(ox::oxffTIFF, pf, headers, [c](auto& p) { p.TiffCompression = uint8_t(c); }));
    }
    put("fuzz_tga", "gen-" + d + ".tga", Save(ox::oxffTGA, pf, false));
    put("fuzz_tga", "gen-" + d + "-raw.tga", Save(ox::oxffTGA, pf, false, [](auto& p) { p.TgaCompressed = false; }));
    put("fuzz_png", "gen-" + d + ".png", Save(ox::oxffPNG, pf, false));
    put("fuzz_png", "gen-" + d + "-interlaced.png", Save(ox::oxffPNG, pf, false, [](auto& p) { p.PngInterlaced = true; }));
    put("fuzz_clipdib", "gen-" + d + ".dib", ox::EncodeClipboardDib(Picture(pf, 13, 7)));
  }
  // JPEG: baseline, progressive, gray, behind the header block, and with EXIF (a TIFF structure) and IPTC.
  const std::vector<uint8_t> exifTiff = Save(ox::oxffTIFF, PF::pf24bit, false);
  auto withMetadata = [&](ox::TIOParamsVals& p) {
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), exifTiff.begin(), exifTiff.end());
    p.JpegMarkers.Add(0xE1, app1.data(), app1.size());
    const std::string caption = "A caption";
    p.IptcRecords.Add(2, 120, caption.data(), caption.size());
    p.IptcRecords.UserChanged = true;
  };
  put("fuzz_jpeg", "gen-baseline.jpg", Save(ox::oxffJPEG, PF::pf24bit, false));
  put("fuzz_jpeg", "gen-progressive.jpg", Save(ox::oxffJPEG, PF::pf24bit, false, [](auto& p) { p.JpegProgressive = true; }));
  put("fuzz_jpeg", "gen-gray.jpg", Save(ox::oxffJPEG, PF::pf8bit, false, [](auto& p) { p.SamplesPerPixel = 1; }));
  put("fuzz_jpeg", "gen-block.jpg", Save(ox::oxffJPEG, PF::pf24bit, true));
  put("fuzz_jpeg", "gen-exif-iptc.jpg", Save(ox::oxffJPEG, PF::pf24bit, false, withMetadata));
  // Settings files: sections, keys, comments, odd spacing and line ends.
  const std::string ini =
      "; comment\n[View]\nZoom=100\n  Fit = 1 \r\n[ Recent ]\nFile0=/tmp/a b.jpg\n#x\n=novalue\nnoequals\n[Empty]\n";
  put("fuzz_settings", "gen.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
  std::cout << "fuzz_seedgen: " << written << " files under " << root << "\n";
  return 0;
}
