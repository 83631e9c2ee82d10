// Korvex Vantar start-up. Until the main window stands, the program opens
// the file given on the command line in a highlighting editor, with its line
// count and line-break style; Ctrl+S saves it.
#include "editor/SrcEdit.h"
#include "editor/SrcEditTextBuffer.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/Exceptions.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
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
  RegisterBuiltinHighlighters();

  QWidget window;
  window.setWindowTitle(QStringLiteral("Korvex Vantar"));
  auto* layout = new QVBoxLayout(&window);
  auto* label = new QLabel(&window);
  layout->addWidget(label);

  TSrcHTMLHighlighter highlighter;
  auto* edit = new TSrcEdit(&window);
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const QString fileName = args.at(1);
    try {
      if (!QFileInfo(fileName).isFile()) throw EFOpenError(fileName, QStringLiteral("It is not a regular file."));
      TSrcEditStringList& lines = edit->Lines();
      lines.LoadFromFile(fileName);
      edit->Gutter().SetShowLineNumbers(true);
      edit->Gutter().SetAutoSize(true);
      edit->SetHighlighter(&highlighter);
      label->setText(QStringLiteral("%1\n%2 lines, line breaks %3, %4")
                         .arg(fileName)
                         .arg(lines.Count())
                         .arg(StyleName(lines.FileFormat()),
                              lines.Encoding() == TextEncoding::Utf8 ? QStringLiteral("UTF-8")
                                                                     : QStringLiteral("Windows-1252")));
      layout->addWidget(edit, 1);
      edit->setFocus();
      auto* save = new QShortcut(QKeySequence::Save, &window);
      QObject::connect(save, &QShortcut::activated, &window, [edit, label, fileName] {
        try {
          edit->Lines().SaveToFile(fileName);
          edit->SetModified(false);
          label->setText(QStringLiteral("%1\nSaved.").arg(fileName));
        } catch (const Exception& e) {
          label->setText(e.Message());
        }
      });
    } catch (const Exception& e) {
      label->setText(e.Message());
    }
  } else {
    label->setText(QStringLiteral("No file given."));
  }
  window.resize(800, 600);
  window.show();
  return QApplication::exec();
}
