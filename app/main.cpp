// Korvex Vantar start-up. Until the main window stands, the program shows the
// file given on the command line, highlighted, with its line count and
// line-break style.
#include "editor/SrcEditTextBuffer.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/Exceptions.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
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

// A read-only view that paints the lines in the highlighter's colours.
class SourceView : public QAbstractScrollArea {
 public:
  SourceView(TSrcEditStringList& lines, TSrcCustomHighlighter& highlighter)
      : lines_(lines), highlighter_(highlighter) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(font);
    // Scan once from the top so that every line knows its start state.
    highlighter_.ResetRange();
    for (int i = 0; i < lines_.Count(); ++i) {
      lines_.SetLineRange(i, highlighter_.GetRange());
      highlighter_.SetLine(lines_.Get(i), i);
      highlighter_.ScanToLineEnd();
    }
    verticalScrollBar()->setRange(0, std::max(0, lines_.Count() - 1));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().base());
    const QFontMetrics fm(font());
    const int lineHeight = std::max(1, fm.height());
    const int charWidth = std::max(1, fm.horizontalAdvance(u'M'));
    const int top = verticalScrollBar()->value();
    for (int row = 0; row * lineHeight < viewport()->height() && top + row < lines_.Count(); ++row) {
      const int index = top + row;
      highlighter_.SetRange(lines_.LineRange(index));
      highlighter_.SetLine(lines_.ExpandedText(index).replace(u'\t', u' '), index);
      for (int n = highlighter_.MaxTokens(); n > 0 && !highlighter_.AtLineEnd(); --n) {
        const TSrcHighlighterAttributes* a = highlighter_.GetTokenAttribute();
        QFont f = font();
        QColor fg = palette().text().color();
        if (a) {
          f.setBold(a->Style() & fsBold);
          f.setItalic(a->Style() & fsItalic);
          f.setUnderline(a->Style() & fsUnderline);
          if (a->Foreground() != clNone) fg = ToQColor(a->Foreground());
        }
        const QRect cell(4 + highlighter_.GetTokenPos() * charWidth, row * lineHeight,
                         highlighter_.GetTokenLength() * charWidth, lineHeight);
        if (a && a->Background() != clNone) p.fillRect(cell, ToQColor(a->Background()));
        p.setFont(f);
        p.setPen(fg);
        p.drawText(cell.left(), cell.top() + fm.ascent(), highlighter_.GetTokenText());
        highlighter_.ScanNext();
      }
    }
  }

 private:
  TSrcEditStringList& lines_;
  TSrcCustomHighlighter& highlighter_;
};

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

  TSrcEditStringList lines;
  TSrcHTMLHighlighter highlighter;
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const QString fileName = args.at(1);
    try {
      if (!QFileInfo(fileName).isFile()) throw EFOpenError(fileName, QStringLiteral("It is not a regular file."));
      lines.LoadFromFile(fileName);
      label->setText(QStringLiteral("%1\n%2 lines, line breaks %3, %4")
                         .arg(fileName)
                         .arg(lines.Count())
                         .arg(StyleName(lines.FileFormat()),
                              lines.Encoding() == TextEncoding::Utf8 ? QStringLiteral("UTF-8")
                                                                     : QStringLiteral("Windows-1252")));
      layout->addWidget(new SourceView(lines, highlighter), 1);
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
