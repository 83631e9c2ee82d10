#include "platform/RtfReader.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <cctype>
#include <climits>

#include "platform/CodePage.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

QString TRichLine::Text() const {
  QString text;
  for (const TRichRun& run : Runs) text += run.Text;
  return text;
}

namespace {

enum class Dest { Text, FontTable, ColorTable, Skip, Pn };

struct State {
  Dest dest = Dest::Text;
  int font = -1;  // font number, -1 = default
  int halfPoints = 24;
  int color = 0;  // colour-table index, 0 = automatic
  TFontStyles style = 0;
  int uc = 1;
  TRichParagraph para;
  bool starSeen = false;  // "\*" seen at the start of this group
};

struct FontEntry {
  QString name;
  int charset = -1;
};

// Character sets of the ANSI code pages \ansicpg names.
int CharsetOfCodePage(int codePage) {
  switch (codePage) {
    case 874:
      return 222;
    case 936:
      return 134;
    case 950:
      return 136;
    case 1250:
      return 238;
    case 1251:
      return 204;
    case 1253:
      return 161;
    case 1254:
      return 162;
    case 1255:
      return 177;
    case 1256:
      return 178;
    case 1257:
      return 186;
    default:
      return 0;
  }
}

bool IsSkippedDestination(const QByteArray& word) {
  static const char* const kWords[] = {"stylesheet",
                                       "info",
                                       "pict",
                                       "object",
                                       "header",
                                       "headerl",
                                       "headerr",
                                       "headerf",
                                       "footer",
                                       "footerl",
                                       "footerr",
                                       "footerf",
                                       "footnote",
                                       "fldinst",
                                       "themedata",
                                       "colorschememapping",
                                       "latentstyles",
                                       "listtable",
                                       "listoverridetable",
                                       "rsidtbl",
                                       "generator",
                                       "xmlnstbl",
                                       "mmathPr",
                                       "pntext",
                                       "pntxtb",
                                       "pntxta",
                                       "datastore",
                                       "filetbl",
                                       "revtbl",
                                       "bkmkstart",
                                       "bkmkend",
                                       "annotation",
                                       "atnid",
                                       "atnauthor",
                                       "comment",
                                       "title",
                                       "author",
                                       "operator",
                                       "keywords",
                                       "subject",
                                       "doccomm",
                                       "template",
                                       "userprops",
                                       "shp",
                                       "shpinst",
                                       "nonshppict",
                                       "listtext",
                                       "fchars",
                                       "lchars",
                                       "pgdsctbl",
                                       "xe",
                                       "tc",
                                       "txe"};
  for (const char* w : kWords)
    if (word == w) return true;
  return false;
}

class Reader {
 public:
  explicit Reader(QByteArrayView data) : data_(data) {}

  TRichTextDocument Run() {
    SkipBlanks();
    if (!data_.sliced(pos_).startsWith("{\\rtf")) throw ERtfError(QStringLiteral("The data is not an RTF document."));
    bool started = false;
    while (pos_ < data_.size()) {
      const char c = data_[pos_];
      if (c == '{') {
        ++pos_;
        FlushBytes();
        if (stack_.size() >= static_cast<size_t>(RtfReader::MaxDepth))
          throw ERtfError(QStringLiteral("The RTF groups are nested more than %1 deep.").arg(RtfReader::MaxDepth));
        State inner = stack_.empty() ? State() : stack_.back();
        inner.starSeen = false;
        stack_.push_back(inner);
        started = true;
        skipChars_ = 0;
      } else if (c == '}') {
        ++pos_;
        FlushBytes();
        if (stack_.empty()) throw ERtfError(QStringLiteral("The RTF document has a \"}\" without its \"{\"."));
        CloseGroup();
        skipChars_ = 0;
        if (stack_.empty()) break;
      } else if (c == '\\') {
        ++pos_;
        ControlWord();
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        ++pos_;
        if (skipChars_ > 0) {
          --skipChars_;
          continue;
        }
        Byte(static_cast<unsigned char>(c));
      }
    }
    if (!started || !stack_.empty())
      throw ERtfError(QStringLiteral("The RTF document ends before all its groups are closed."));
    SkipBlanks();
    if (pos_ < data_.size() && data_[pos_] != '\0')
      throw ERtfError(QStringLiteral("The RTF document has data after its last \"}\"."));
    FinishDocument();
    return std::move(doc_);
  }

 private:
  State& S() { return stack_.back(); }

  void SkipBlanks() {
    while (pos_ < data_.size() &&
           (data_[pos_] == ' ' || data_[pos_] == '\r' || data_[pos_] == '\n' || data_[pos_] == '\t'))
      ++pos_;
  }

  void CloseGroup() {
    const State closed = stack_.back();
    stack_.pop_back();
    if (closed.dest == Dest::Pn && !stack_.empty() && pnBullet_) {
      S().para.Numbering = TNumberingStyle::nsBullet;
    }
    if (closed.dest == Dest::Pn) pnBullet_ = false;
    if (closed.dest == Dest::FontTable && !stack_.empty() && S().dest != Dest::FontTable) FinishFontEntry();
  }

  void ControlWord() {
    if (pos_ >= data_.size()) throw ERtfError(QStringLiteral("The RTF document ends inside a control word."));
    const char c = data_[pos_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++pos_;
      ControlSymbol(c);
      return;
    }
    qsizetype start = pos_;
    while (pos_ < data_.size() && std::isalpha(static_cast<unsigned char>(data_[pos_])) && pos_ - start < 32) ++pos_;
    const QByteArray word = data_.sliced(start, pos_ - start).toByteArray();
    bool hasParam = false;
    long long param = 0;
    bool negative = false;
    if (pos_ < data_.size() && data_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    int digits = 0;
    while (pos_ < data_.size() && std::isdigit(static_cast<unsigned char>(data_[pos_]))) {
      hasParam = true;
      if (digits < 10) param = param * 10 + (data_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    if (negative && !hasParam)
      throw ERtfError(QStringLiteral("The RTF control word \\%1 has a bad number.").arg(QString::fromLatin1(word)));
    param = std::clamp(negative ? -param : param, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX));
    if (pos_ < data_.size() && data_[pos_] == ' ') ++pos_;
    if (skipChars_ > 0 && word != "bin") {
      --skipChars_;
      return;
    }
    Word(word, hasParam, static_cast<int>(param));
  }

  void ControlSymbol(char c) {
    if (c == '\'') {
      if (pos_ + 2 > data_.size()) throw ERtfError(QStringLiteral("The RTF document ends inside a \\' escape."));
      bool ok = std::isxdigit(static_cast<unsigned char>(data_[pos_])) &&
                std::isxdigit(static_cast<unsigned char>(data_[pos_ + 1]));
      const int value = QByteArray(data_.data() + pos_, 2).toInt(nullptr, 16);
      if (!ok)
        throw ERtfError(QStringLiteral("The RTF escape \\'%1 is not hexadecimal.")
                            .arg(QString::fromLatin1(data_.data() + pos_, 2)));
      pos_ += 2;
      if (skipChars_ > 0) {
        --skipChars_;
        return;
      }
      Byte(static_cast<unsigned char>(value));
      return;
    }
    if (skipChars_ > 0) {
      --skipChars_;
      return;
    }
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Byte(static_cast<unsigned char>(c));
        break;
      case '~':
        Char(u'\u00A0');
        break;
      case '_':
        Char(u'\u2011');
        break;
      case '*':
        S().starSeen = true;
        break;
      case '\r':
      case '\n':
        EndLine();
        break;
      default:
        break;  // "\-" and other symbols add nothing
    }
  }

  void Word(const QByteArray& w, bool hasParam, int p) {
    State& s = S();
    const bool star = std::exchange(s.starSeen, false);
    if (w == "rtf" || w == "ansi") return;
    if (w == "ansicpg") {
      ansiCharset_ = CharsetOfCodePage(p);
      return;
    }
    if (w == "deff") {
      defaultFont_ = p;
      return;
    }
    if (w == "fonttbl") {
      FlushBytes();
      s.dest = Dest::FontTable;
      return;
    }
    if (w == "colortbl") {
      FlushBytes();
      s.dest = Dest::ColorTable;
      colorEntry_ = ColorEntry();
      return;
    }
    if (w == "pn") {
      FlushBytes();
      s.dest = Dest::Pn;
      pnBullet_ = false;
      return;
    }
    if (w == "bin") {
      const long long n = hasParam ? std::max(p, 0) : 0;
      if (n > data_.size() - pos_) throw ERtfError(QStringLiteral("The RTF document ends inside binary data."));
      pos_ += n;
      return;
    }
    if (IsSkippedDestination(w) || star) {
      // An unknown destination after "\*" and the known ones without text.
      FlushBytes();
      s.dest = Dest::Skip;
      return;
    }
    if (s.dest == Dest::FontTable) {
      if (w == "f") {
        FinishFontEntry();
        fontEntryId_ = p;
      } else if (w == "fcharset")
        fonts_[fontEntryId_].charset = p;
      return;
    }
    if (s.dest == Dest::ColorTable) {
      const int v = std::clamp(p, 0, 255);
      if (w == "red")
        colorEntry_.r = v;
      else if (w == "green")
        colorEntry_.g = v;
      else if (w == "blue")
        colorEntry_.b = v;
      return;
    }
    if (s.dest == Dest::Pn) {
      if (w == "pnlvlblt") pnBullet_ = true;
      return;
    }
    if (s.dest == Dest::Skip) return;

    const bool on = !hasParam || p != 0;
    if (w == "b") {
      FlushBytes();
      SetStyle(fsBold, on);
    } else if (w == "i") {
      FlushBytes();
      SetStyle(fsItalic, on);
    } else if (w == "ul") {
      FlushBytes();
      SetStyle(fsUnderline, on);
    } else if (w == "ulnone") {
      FlushBytes();
      SetStyle(fsUnderline, false);
    } else if (w == "strike") {
      FlushBytes();
      SetStyle(fsStrikeOut, on);
    } else if (w == "fs") {
      FlushBytes();
      s.halfPoints = hasParam ? std::clamp(p, 2, 3276) : 24;
    } else if (w == "cf") {
      FlushBytes();
      s.color = std::max(p, 0);
    } else if (w == "f") {
      FlushBytes();
      s.font = p;
    } else if (w == "plain") {
      FlushBytes();
      s.style = 0;
      s.halfPoints = 24;
      s.color = 0;
      s.font = -1;
    } else if (w == "pard") {
      FlushBytes();
      s.para = TRichParagraph();
    } else if (w == "ql" || w == "qj")
      s.para.Alignment = TAlignment::taLeftJustify;
    else if (w == "qc")
      s.para.Alignment = TAlignment::taCenter;
    else if (w == "qr")
      s.para.Alignment = TAlignment::taRightJustify;
    else if (w == "ls") {
      if (p > 0) s.para.Numbering = TNumberingStyle::nsBullet;
    } else if (w == "uc")
      s.uc = std::clamp(p, 0, 16);
    else if (w == "u") {
      FlushBytes();
      int code = p;
      if (code < 0) code += 65536;
      Char(code >= 0 && code <= 0xFFFF ? QChar(static_cast<char16_t>(code)) : QChar(QChar::ReplacementCharacter));
      skipChars_ = s.uc;
    } else if (w == "par" || w == "line" || w == "sect" || w == "page")
      EndLine();
    else if (w == "tab")
      Char(u'\t');
    else if (w == "emdash")
      Char(u'\u2014');
    else if (w == "endash")
      Char(u'\u2013');
    else if (w == "bullet")
      Char(u'\u2022');
    else if (w == "lquote")
      Char(u'\u2018');
    else if (w == "rquote")
      Char(u'\u2019');
    else if (w == "ldblquote")
      Char(u'\u201C');
    else if (w == "rdblquote")
      Char(u'\u201D');
    else if (w == "emspace" || w == "enspace")
      Char(u' ');
    // Every other word changes nothing the converters read.
  }

  void SetStyle(TFontStyle flag, bool on) {
    if (on)
      S().style |= flag;
    else
      S().style &= static_cast<TFontStyles>(~flag);
  }

  void FinishFontEntry() {
    if (fontEntryId_ == INT_MIN) return;
    FontEntry& e = fonts_[fontEntryId_];
    e.name = e.name.trimmed();
    fontEntryId_ = INT_MIN;
  }

  int CharsetOf(int font) const {
    const auto it = fonts_.constFind(font < 0 ? defaultFont_ : font);
    if (it != fonts_.constEnd() && it->charset > 2) return it->charset;
    return ansiCharset_;
  }

  // Bytes gather until a control word ends them, so that double-byte
  // characters written as two \'hh escapes decode as one.
  void Byte(unsigned char b) {
    State& s = S();
    if (s.dest == Dest::Skip || s.dest == Dest::Pn) return;
    if (s.dest == Dest::FontTable) {
      if (b == ';') {
        FinishFontEntry();
      } else if (fontEntryId_ != INT_MIN) {
        fonts_[fontEntryId_].name += QChar(TextCodec::windows1252ToUnicode(b));
      }
      return;
    }
    if (s.dest == Dest::ColorTable) {
      if (b == ';') {
        colors_.push_back(colorEntry_.r | (colorEntry_.g << 8) | (colorEntry_.b << 16));
        colorEntry_ = ColorEntry();
      }
      return;
    }
    pending_.append(static_cast<char>(b));
  }

  void FlushBytes() {
    if (pending_.isEmpty()) return;
    const QByteArray bytes = std::exchange(pending_, QByteArray());
    Text(CodePage::Decode(bytes, CharsetOf(S().font)));
  }

  void Char(QChar c) {
    FlushBytes();
    if (S().dest != Dest::Text) return;
    Text(QString(c));
  }

  TRichFont FontOf(const State& s) const {
    TRichFont f;
    const auto it = fonts_.constFind(s.font < 0 ? defaultFont_ : s.font);
    const auto def = fonts_.constFind(defaultFont_);
    f.Name = it != fonts_.constEnd() ? it->name : def != fonts_.constEnd() ? def->name : QString();
    f.Size = s.halfPoints / 2;
    // Colour 0 is the automatic colour; missing entries count as automatic.
    f.Color =
        s.color > 0 && static_cast<size_t>(s.color) < colors_.size() ? colors_[static_cast<size_t>(s.color)] : clBlack;
    f.Style = s.style;
    return f;
  }

  void Text(const QString& text) {
    if (text.isEmpty()) return;
    const TRichFont font = FontOf(S());
    line_.Paragraph = S().para;
    if (!line_.Runs.empty() && line_.Runs.back().Font == font)
      line_.Runs.back().Text += text;
    else
      line_.Runs.push_back(TRichRun{text, font});
  }

  void EndLine() {
    FlushBytes();
    if (S().dest != Dest::Text) return;
    line_.Paragraph = S().para;
    doc_.Lines.push_back(std::move(line_));
    line_ = TRichLine();
  }

  void FinishDocument() {
    // The last paragraph needs no closing \par.
    if (!line_.Runs.empty() || doc_.Lines.empty()) {
      doc_.Lines.push_back(std::move(line_));
    }
    State base;
    doc_.Default = FontOf(base);
  }

  QByteArrayView data_;
  qsizetype pos_ = 0;
  std::vector<State> stack_;
  QByteArray pending_;
  int skipChars_ = 0;
  int ansiCharset_ = 0;
  int defaultFont_ = 0;
  QHash<int, FontEntry> fonts_;
  int fontEntryId_ = INT_MIN;
  std::vector<TColor> colors_;
  struct ColorEntry {
    int r = 0, g = 0, b = 0;
  };
  ColorEntry colorEntry_;
  bool pnBullet_ = false;
  TRichLine line_;
  TRichTextDocument doc_;
};

}  // namespace

namespace RtfReader {

TRichTextDocument Read(QByteArrayView rtf) { return Reader(rtf).Run(); }

TRichTextDocument ReadFile(const QString& fileName) {
  // A FIFO or a device is refused before it is opened: it could hold the
  // open, or never come to an end.
  const QByteArray bytes = ReadRegularFileOrRaise(fileName);
  return Read(bytes);
}

}  // namespace RtfReader
