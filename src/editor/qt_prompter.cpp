#include "editor/qt_prompter.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "editor/file_filter.h"

namespace orvane::editor {

namespace {

QString Q(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kWarning:
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

Answer QtPrompter::Message(const std::string& title, const std::string& text,
                           MessageButtons buttons, MessageIcon icon) {
  QMessageBox box(
      QtIcon(icon), Q(title), Q(text),
      buttons == MessageButtons::kYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
      parent_);
  const int result = box.exec();
  if (buttons == MessageButtons::kOk) return Answer::kOk;
  return result == QMessageBox::Yes ? Answer::kYes : Answer::kNo;
}

std::optional<std::string> QtPrompter::OpenFile(const std::string& filter) {
  const QString path =
      QFileDialog::getOpenFileName(parent_, QString(), QString(), Q(QtFilter(filter)));
  if (path.isEmpty()) return std::nullopt;
  return path.toLocal8Bit().toStdString();
}

std::optional<std::string> QtPrompter::SaveFile(const std::string& filter) {
  // The dialog asks before it overwrites a file.
  const QString path =
      QFileDialog::getSaveFileName(parent_, QString(), QString(), Q(QtFilter(filter)));
  if (path.isEmpty()) return std::nullopt;
  return path.toLocal8Bit().toStdString();
}

std::optional<std::string> QtPrompter::AskName(const std::string& proposal) {
  bool ok = false;
  const QString name = QInputDialog::getText(parent_, kNameDialogTitle, QStringLiteral("Name:"),
                                             QLineEdit::Normal, Q(proposal), &ok);
  if (!ok) return std::nullopt;
  return name.toLocal8Bit().toStdString();
}

std::optional<Rgb8> QtPrompter::ChooseColor(const Rgb8& current) {
  const QColor chosen =
      QColorDialog::getColor(QColor(current.red, current.green, current.blue), parent_);
  if (!chosen.isValid()) return std::nullopt;
  return Rgb8{chosen.red(), chosen.green(), chosen.blue()};
}

}  // namespace orvane::editor
