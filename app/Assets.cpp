#include "app/Assets.h"

#include <QDir>
#include <QFileInfo>

namespace app {

std::string AssetPath(const std::string& executablePath, const std::string& name) {
  const QString exeDir = QFileInfo(QString::fromStdString(executablePath)).absolutePath();
  QStringList folders = {exeDir + "/../share/vantrel", exeDir + "/assets"};
#ifdef VANTREL_SOURCE_ASSETS
  folders << QStringLiteral(VANTREL_SOURCE_ASSETS);
#endif
  for (const QString& folder : folders) {
    QFileInfo f(QDir(folder).filePath(QString::fromStdString(name)));
    if (f.isFile()) return QDir::cleanPath(f.absoluteFilePath()).toStdString();
  }
  return {};
}

}  // namespace app
