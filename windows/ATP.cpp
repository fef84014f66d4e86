// TAttrForm: borderless read-only fields and the four attribute boxes, filled from the file's facts.
#include "windows/ATP.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace app {

TAttrForm::TAttrForm(const TAttrFormSetup& setup)
    : TSmallDialog(setup.owner, "Information", 330, 295), fs_(setup.services.fs) {
  auto* fr1 = new QGroupBox("Current File", this);
  fr1->setGeometry(8, 8, 314, 163);
  auto field = [fr1](const char* label, int y) {
    auto* l = new QLabel(label, fr1);
    l->setGeometry(12, y, 80, 22);
    auto* e = new QLineEdit("Untitled", fr1);
    e->setGeometry(96, y, 206, 22);
    e->setReadOnly(true);
    e->setFrame(false);
    e->setStyleSheet("QLineEdit { background: transparent; }");
    return e;
  };
  PathEd = field("File Name:", 24);
  DirParh = field("Folder:", 51);
  PathNameEd = field("Full Path:", 78);
  SizeEd = field("Size:", 105);
  ChangeFileEd = field("Changed:", 132);

  auto* fr2 = new QGroupBox("Attributes", this);
  fr2->setGeometry(8, 178, 314, 69);
  ChReadOnly = new QCheckBox("Read Only", fr2);
  ChReadOnly->setGeometry(12, 18, 140, 22);
  ChArchive = new QCheckBox("Archive", fr2);
  ChArchive->setGeometry(160, 18, 140, 22);
  ChSystem = new QCheckBox("System", fr2);
  ChSystem->setGeometry(12, 42, 140, 22);
  ChHidden = new QCheckBox("Hidden", fr2);
  ChHidden->setGeometry(160, 42, 140, 22);
  ChArchive->setEnabled(false);
  ChSystem->setEnabled(false);
  ChHidden->setEnabled(false);

  AddOkCancel(150, 257, OK, Cancel);
}

void TAttrForm::ShowFile(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  PathEd->setText(QString::fromStdString(name));
  DirParh->setText(QString::fromStdString(folder));
  PathNameEd->setText(QString::fromStdString(path));
  const platform::TFileFacts facts = fs_ ? fs_->Stat(path) : platform::TFileFacts{};
  SizeEd->setText(facts.Exists ? QLocale().formattedDataSize(facts.Size) + " (" + QLocale().toString(qint64(facts.Size)) +
                                     " bytes)"
                               : QString());
  ChangeFileEd->setText(facts.Exists ? QLocale().toString(QDateTime::fromSecsSinceEpoch(facts.Modified),
                                                          QLocale::ShortFormat)
                                     : QString());
  ChReadOnly->setChecked(facts.Exists && facts.ReadOnly);
  ChHidden->setChecked(!name.empty() && name.front() == '.');
  ChArchive->setChecked(false);
  ChSystem->setChecked(false);
}

}  // namespace app
