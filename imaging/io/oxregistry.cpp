// The file-format registry and its look-ups.
#include "imaging/io/oxregistry.h"

#include <cctype>

namespace ox {

namespace {

std::string Upper(std::string s) {
  for (auto& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> SplitExtensions(const std::string& list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t semi = list.find(';', start);
    if (semi == std::string::npos) semi = list.size();
    out.push_back(list.substr(start, semi - start));
    start = semi + 1;
  }
  return out;
}

std::vector<TOXFileFormatInfo> BuiltIns() {
  struct Row { TOXFileFormat id; const char* desc; const char* exts; };
  static const Row rows[] = {
      {oxffTIFF, "TIFF Bitmap", "TIF;TIFF;FAX"},
      {oxffGIF, "CompuServe Bitmap", "GIF"},
      {oxffJPEG, "JPEG Bitmap", "JPG;JPEG;JPE"},
      {oxffPCX, "PaintBrush", "PCX"},
      {oxffBMP, "Windows Bitmap", "BMP;DIB;RLE"},
      {oxffICO, "Windows Icon", "ICO"},
      {oxffCUR, "Windows Cursor", "CUR"},
      {oxffPNG, "Portable Network Graphics", "PNG"},
      {oxffWMF, "Windows Metafile", "WMF"},
      {oxffEMF, "Enhanced Windows Metafile", "EMF"},
      {oxffTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX"},
      {oxffPXM, "Portable Pixmap, GreyMap, BitMap", "PXM;PPM;PGM;PBM"},
  };
  std::vector<TOXFileFormatInfo> list;
  for (const auto& r : rows) {
    TOXFileFormatInfo info;
    info.FormatId = r.id;
    info.Description = r.desc;
    info.Extensions = r.exts;
    list.push_back(std::move(info));
  }
  return list;
}

}  // namespace

std::vector<TOXFileFormatInfo>& FileFormatRegistry() {
  static std::vector<TOXFileFormatInfo> registry = BuiltIns();
  return registry;
}

void RegisterFileFormat(TOXFileFormatInfo info) {
  info.Extensions = Upper(info.Extensions);
  if (info.Description.size() > 80) info.Description.resize(80);
  if (info.Extensions.size() > 80) info.Extensions.resize(80);
  FileFormatRegistry().push_back(std::move(info));
}

const TOXFileFormatInfo* FindFormatById(TOXFileFormat id) {
  for (const auto& f : FileFormatRegistry())
    if (f.FormatId == id) return &f;
  return nullptr;
}

const TOXFileFormatInfo* FindFormatByExtension(const std::string& ext) {
  std::string key = Upper(ext);
  if (!key.empty() && key[0] == '.') key.erase(0, 1);
  if (key.empty()) return nullptr;
  for (const auto& f : FileFormatRegistry())
    for (const auto& e : SplitExtensions(f.Extensions))
      if (e == key) return &f;
  return nullptr;
}

std::string FormatExtension(TOXFileFormat id, int k) {
  const auto* f = FindFormatById(id);
  if (!f || k < 0) return {};
  auto list = SplitExtensions(f->Extensions);
  return size_t(k) < list.size() ? list[size_t(k)] : std::string();
}

int FormatExtensionCount(TOXFileFormat id) {
  const auto* f = FindFormatById(id);
  if (!f) return 0;
  int n = 0;
  for (const auto& e : SplitExtensions(f->Extensions)) n += !e.empty();
  return n;
}

std::string LowerExtension(const std::string& fileName) {
  size_t slash = fileName.find_last_of('/');
  size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = fileName.substr(dot);
  for (auto& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool IsKnownFileExtension(const std::string& fileName) {
  std::string ext = LowerExtension(fileName);
  return ext.size() > 1 && FindFormatByExtension(ext.substr(1)) != nullptr;
}

}  // namespace ox
