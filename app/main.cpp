// Korvex Vantar start-up. Until the main window stands, the program shows a
// small window with the line count and line-break style of the file given on
// the command line.
#include "editor/SrcEditTextBuffer.h"
#include "platform/Exceptions.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QString StyleName(TSrcEditFileFormat format) {
  switch (format) {
    case lbsLF: return QStringLiteral("LF");
    case lbsCR: return QStringLiteral("CR");
    default: return QStringLiteral("CR LF");
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvex Vantar"));

  QWidget window;
  window.setWindowTitle(QStringLiteral("Korvex Vantar"));
  auto* layout = new QVBoxLayout(&window);
  auto* label = new QLabel(&window);
  layout->addWidget(label);

  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const QString fileName = args.at(1);
    TSrcEditStringList lines;
    try {
      if (!QFileInfo(fileName).isFile()) throw EFOpenError(fileName, QStringLiteral("It is not a regular file."));
      lines.LoadFromFile(fileName);
      label->setText(QStringLiteral("%1\n%2 lines, line breaks %3, %4")
                         .arg(fileName)
                         .arg(lines.Count())
                         .arg(StyleName(lines.FileFormat()),
                              lines.Encoding() == TextEncoding::Utf8 ? QStringLiteral("UTF-8")
                                                                     : QStringLiteral("Windows-1252")));
    } catch (const Exception& e) {
      label->setText(e.Message());
    }
  } else {
    label->setText(QStringLiteral("No file given."));
  }
  window.resize(480, 120);
  window.show();
  return QApplication::exec();
}
