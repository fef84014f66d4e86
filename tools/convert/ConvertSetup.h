// Library start-up of the command-line tool: the coders and the metafile player a program installs.
#pragma once

#include <memory>
#include <string>

class QGuiApplication;

namespace vc {

// The metafile player draws text through Qt: a (display-less) GUI application is made for metafile input.
struct TLibrarySetup {
  std::unique_ptr<QGuiApplication> app;
  TLibrarySetup();
  ~TLibrarySetup();
};

std::unique_ptr<TLibrarySetup> SetupLibrary(int& argc, char** argv, const std::string& inputFile);

}  // namespace vc
