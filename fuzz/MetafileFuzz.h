// Shared body of the metafile targets: the importer reads files only, so each input goes through a file.
#pragma once

#include <QGuiApplication>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/FuzzCommon.h"
#include "platform/metafile/Metafile.h"

namespace fuzz {

// Text is drawn through Qt: an offscreen GUI application, made once.
inline void StartMetafilePlayer() {
  static std::unique_ptr<QGuiApplication> app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    platform::InstallMetafileImporter();
    return std::make_unique<QGuiApplication>(argc, argv);
  }();
}

// Imports the input at a small requested width (the height follows the natural size, capped by the importer).
inline void ImportMetafile(const uint8_t* data, size_t size, const char* extension) {
  StartMetafilePlayer();
  static const std::string path = [&] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/vantrel-fuzz-" + std::to_string(getpid()) + extension;
  }();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  Guarded([&] {
    gfx::TDib dib;
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.ImportMetafile(path, 96, -1);
    Touch(dib);
  });
}

}  // namespace fuzz
