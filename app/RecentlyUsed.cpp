// The recent list merged under the settings file's lock rules: locked, re-read, our entry replaced, atomic.
#include "app/RecentlyUsed.h"

#include <QByteArray>
#include <QFile>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cstdlib>
#include <filesystem>

#include "app/settings/FileLock.h"
#include "platform/gfx/AtomicFile.h"

namespace app {

namespace {

const QString kBookmarkNs = "http://www.freedesktop.org/standards/desktop-bookmarks";
const QString kMimeNs = "http://www.freedesktop.org/standards/shared-mime-info";
constexpr const char* kMetadataOwner = "http://freedesktop.org";

QString Stamp(const QDateTime& t) { return t.toUTC().toString("yyyy-MM-ddTHH:mm:ss.zzz000Z"); }

void WriteEntry(QXmlStreamWriter& w, const TRecentUse& use, const QString& href, const QString& added, int count) {
  const QString now = Stamp(use.when);
  w.writeStartElement("bookmark");
  w.writeAttribute("href", href);
  w.writeAttribute("added", added.isEmpty() ? now : added);
  w.writeAttribute("modified", now);
  w.writeAttribute("visited", now);
  w.writeStartElement("info");
  w.writeStartElement("metadata");
  w.writeAttribute("owner", kMetadataOwner);
  w.writeStartElement(kMimeNs, "mime-type");
  w.writeAttribute("type", QString::fromStdString(use.mimeType));
  w.writeEndElement();
  w.writeStartElement(kBookmarkNs, "applications");
  w.writeStartElement(kBookmarkNs, "application");
  w.writeAttribute("name", QString::fromStdString(use.appName));
  w.writeAttribute("exec", QString::fromStdString(use.exec));
  w.writeAttribute("modified", now);
  w.writeAttribute("count", QString::number(count));
  w.writeEndElement();
  w.writeEndElement();  // applications
  w.writeEndElement();  // metadata
  w.writeEndElement();  // info
  w.writeEndElement();  // bookmark
}

// How often our application opened the entry before, from its <bookmark:application> element.
int EarlierCount(QXmlStreamReader& r, const std::string& appName) {
  int count = 0;
  int depth = 1;
  while (depth > 0 && !r.atEnd()) {
    r.readNext();
    if (r.isStartElement()) {
      ++depth;
      if (r.name() == QLatin1String("application") &&
          r.attributes().value("name").toString().toStdString() == appName)
        count = r.attributes().value("count").toInt();
    } else if (r.isEndElement()) {
      --depth;
    }
  }
  return count;
}

}  // namespace

std::string RecentlyUsedPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::string(data) + "/recently-used.xbel";
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.local/share/recently-used.xbel" : std::string();
}

bool AddRecentlyUsed(const std::string& xbelPath, const TRecentUse& use) {
  if (xbelPath.empty() || use.file.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(xbelPath).parent_path(), ec);
  TFileLock lock(xbelPath);
  if (!lock.Held()) return false;
  QByteArray before;
  {
    QFile f(QString::fromStdString(xbelPath));
    if (f.exists()) {
      if (!f.open(QIODevice::ReadOnly)) return false;
      before = f.readAll();
    }
  }
  const QString href = QUrl::fromLocalFile(QString::fromStdString(use.file)).toString(QUrl::FullyEncoded);
  QByteArray after;
  QXmlStreamWriter w(&after);
  w.setAutoFormatting(true);
  if (before.trimmed().isEmpty()) {
    w.writeStartDocument();
    w.writeNamespace(kBookmarkNs, "bookmark");
    w.writeNamespace(kMimeNs, "mime");
    w.writeStartElement("xbel");
    w.writeAttribute("version", "1.0");
    WriteEntry(w, use, href, {}, 1);
    w.writeEndElement();
    w.writeEndDocument();
  } else {
    // Every token is copied; our file's old entry gives way to a new one at the end.
    QXmlStreamReader r(before);
    w.setAutoFormatting(false);
    QString added;
    int count = 0;
    int depth = 0;
    bool sawXbel = false;
    while (!r.atEnd()) {
      r.readNext();
      if (r.isStartElement()) {
        ++depth;
        if (depth == 1) sawXbel = r.name() == QLatin1String("xbel");
        if (depth == 2 && r.name() == QLatin1String("bookmark") && r.attributes().value("href") == href) {
          added = r.attributes().value("added").toString();
          count = EarlierCount(r, use.appName);
          --depth;
          continue;
        }
      } else if (r.isEndElement()) {
        if (depth == 1 && sawXbel) WriteEntry(w, use, href, added, count + 1);
        --depth;
      }
      if (!r.hasError()) w.writeCurrentToken(r);
    }
    // Another program's list we cannot read is not ours to replace.
    if (r.hasError() || !sawXbel) return false;
  }
  gfx::TAtomicFile file(xbelPath);
  return file.Write(after.constData(), size_t(after.size())) && file.Commit();
}

}  // namespace app
