// Message boxes and choosers on QMessageBox and QFileDialog (non-native, so previews can be hosted).
#include "platform/ui/UiQt.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include "platform/ui/QtColor.h"

namespace platform {

std::string QtFilterOf(const std::string& filter) {
  // "A|*.a;*.b|B|*.c" -> "A (*.a *.b);;B (*.c)"
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::string out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (auto& c : patterns)
      if (c == ';') c = ' ';
    if (!out.empty()) out += ";;";
    out += parts[i] + " (" + patterns + ")";
  }
  return out;
}

TMsgAnswer TUiQt::MessageBox(const std::string& caption, const std::string& text, TMsgButtons buttons,
                             TMsgKind kind) {
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case TMsgButtons::Ok: set = QMessageBox::Ok; break;
    case TMsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case TMsgButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case TMsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
  }
  QMessageBox::Icon icon = kind == TMsgKind::Error     ? QMessageBox::Critical
                           : kind == TMsgKind::Warning  ? QMessageBox::Warning
                           : kind == TMsgKind::Question ? QMessageBox::Question
                                                        : QMessageBox::Information;
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), set, Parent());
  switch (box.exec()) {
    case QMessageBox::Yes: return TMsgAnswer::Yes;
    case QMessageBox::No: return TMsgAnswer::No;
    case QMessageBox::Ok: return TMsgAnswer::Ok;
    default: return TMsgAnswer::Cancel;
  }
}

std::vector<std::string> TUiQt::ChooseFilesToOpen(const std::string& title, const std::string& filter,
                                                  const std::string& startPath, bool multiple) {
  QFileDialog dlg(Parent(), QString::fromStdString(title), QString::fromStdString(startPath),
                  QString::fromStdString(QtFilterOf(filter)));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  std::vector<std::string> out;
  if (dlg.exec() == QDialog::Accepted)
    for (const QString& f : dlg.selectedFiles()) out.push_back(f.toStdString());
  return out;
}

std::string TUiQt::ChooseFileToSave(const std::string& title, const std::string& filter, const std::string& startPath,
                                    bool askOverwrite) {
  QFileDialog dlg(Parent(), QString::fromStdString(title), QString::fromStdString(startPath),
                  QString::fromStdString(QtFilterOf(filter)));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setOption(QFileDialog::DontConfirmOverwrite, !askOverwrite);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().front().toStdString();
}

std::string TUiQt::ChooseFolder(const std::string& title, const std::string& startPath) {
  QString dir = QFileDialog::getExistingDirectory(Parent(), QString::fromStdString(title),
                                                  QString::fromStdString(startPath),
                                                  QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  return dir.toStdString();
}

// Qt's own chooser is always expanded; the custom colours are the dialog's process-wide slots.
std::optional<uint32_t> TUiQt::ChooseColor(uint32_t initial, const std::array<uint32_t, 16>& custom) {
  for (int i = 0; i < int(custom.size()); ++i) QColorDialog::setCustomColor(i, ToQColor(custom[size_t(i)]));
  QColorDialog dialog(ToQColor(initial), Parent());
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return ToTColor(dialog.selectedColor());
}

}  // namespace platform
