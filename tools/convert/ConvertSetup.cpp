// Installs what the library leaves to the programs that use it.
#include "tools/convert/ConvertSetup.h"

#include <QGuiApplication>

#include <cstdlib>

#include "imaging/io/GIFLzw.h"
#include "imaging/io/TIFFLzw.h"
#include "imaging/io/oxregistry.h"
#include "platform/metafile/Metafile.h"

namespace vc {

TLibrarySetup::TLibrarySetup() = default;
TLibrarySetup::~TLibrarySetup() = default;

std::unique_ptr<TLibrarySetup> SetupLibrary(int& argc, char** argv, const std::string& inputFile) {
  auto setup = std::make_unique<TLibrarySetup>();
  ox::InstallTiffLzwCoders();
  ox::InstallGifLzwCoders();
  platform::InstallMetafileImporter();
  const std::string ext = ox::LowerExtension(inputFile);
  if (ext == ".wmf" || ext == ".emf") {
    // A command-line tool never needs a screen: draw offscreen unless told otherwise.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setup->app = std::make_unique<QGuiApplication>(argc, argv);
  }
  return setup;
}

}  // namespace vc
