// Shell hand-offs through the desktop's own services.
#include "platform/shell/ShellQt.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace platform {

namespace {

QStringList ToQt(const std::vector<std::string>& args) {
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  return list;
}

}  // namespace

bool TShellQt::OpenUrl(const std::string& url) { return QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

bool TShellQt::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool TShellQt::StartNewInstance(const std::vector<std::string>& args) {
  return QProcess::startDetached(QCoreApplication::applicationFilePath(), ToQt(args));
}

bool TShellQt::StartProgram(const std::string& program, const std::vector<std::string>& args) {
  return QProcess::startDetached(QString::fromStdString(program), ToQt(args));
}

bool TShellQt::ShowInFolder(const std::string& path) {
  const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
  QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
  if (reply.type() == QDBusMessage::ReplyMessage) return true;
  // No file manager that selects items: open the folder itself.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

}  // namespace platform
