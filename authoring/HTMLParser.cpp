#include "authoring/HTMLParser.h"

#include <cctype>
#include <unordered_map>

// The entity names of U+00A0 to U+00FF, in order.
const char* Latin1EntityName(int code) {
  static const char* const names[] = {
      "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
      "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
      "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
      "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
      "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
      "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
      "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
      "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
      "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
  return code >= 0xA0 && code <= 0xFF ? names[code - 0xA0] : nullptr;
}

namespace {

bool IsBlank(QChar c) { return c.isSpace() || c.isNull(); }

// The end of the value that starts at `i` (quoted or not) in `s`.
int ValueEnd(const QString& s, int i) {
  if (i < s.size() && (s[i] == u'"' || s[i] == u'\'')) {
    const int close = s.indexOf(s[i], i + 1);
    return close < 0 ? s.size() : close + 1;
  }
  while (i < s.size() && !IsBlank(s[i])) ++i;
  return i;
}

// The file kind of an upper-cased extension, or null.
TLocalRemote* KindOf(TParsed& p, const QString& ext) {
  struct TKind {
    TLocalRemote TParsed::*pair;
    QStringList exts;
  };
  if (ext.contains(QLatin1String("HTM"))) return &p.HTML;
  static const TKind kinds[] = {
      {&TParsed::Image, {".JPG", ".JPEG", ".GIF", ".TIF", ".PCX", ".PNG", ".BMP"}},
      {&TParsed::Media, {".AVI", ".MP3", ".AU", ".MOV", ".MPG", ".MPEG"}},
      {&TParsed::Java, {".JS", ".CLASS", ".JAVA"}},
      {&TParsed::ASP, {".ASP"}},
      {&TParsed::PERL, {".PL", ".CGI"}},
  };
  for (const TKind& k : kinds)
    if (k.exts.contains(ext)) return &(p.*k.pair);
  if (ext.contains(QLatin1String("PHP"))) return &p.PHP;
  if (ext == QLatin1String(".CAB")) return &p.ActiveX;
  return nullptr;
}

struct TEntity {
  char32_t code;
  bool legacy;  // also recognised without the closing ";"
};

// The named character references of HTML 4 (and "apos"), as browsers read
// them today.
const std::unordered_map<QString, TEntity>& EntityTable() {
  static const std::unordered_map<QString, TEntity> table = [] {
    std::unordered_map<QString, TEntity> t;
    // U+00A0 to U+00FF; all of them are old names.
    for (char32_t code = 0xA0; code <= 0xFF; ++code) t[QLatin1String(Latin1EntityName(int(code)))] = {code, true};
    static const struct {
      const char* name;
      char32_t code;
      bool legacy;
    } others[] = {
        {"quot", 34, true},     {"QUOT", 34, true},      {"amp", 38, true},        {"AMP", 38, true},
        {"lt", 60, true},       {"LT", 60, true},        {"gt", 62, true},         {"GT", 62, true},
        {"COPY", 0xA9, true},   {"REG", 0xAE, true},     {"apos", 39, false},      {"OElig", 338, false},
        {"oelig", 339, false},  {"Scaron", 352, false},  {"scaron", 353, false},   {"Yuml", 376, false},
        {"fnof", 402, false},   {"circ", 710, false},    {"tilde", 732, false},    {"ensp", 8194, false},
        {"emsp", 8195, false},  {"thinsp", 8201, false}, {"zwnj", 8204, false},    {"zwj", 8205, false},
        {"lrm", 8206, false},   {"rlm", 8207, false},    {"ndash", 8211, false},   {"mdash", 8212, false},
        {"lsquo", 8216, false}, {"rsquo", 8217, false},  {"sbquo", 8218, false},   {"ldquo", 8220, false},
        {"rdquo", 8221, false}, {"bdquo", 8222, false},  {"dagger", 8224, false},  {"Dagger", 8225, false},
        {"bull", 8226, false},  {"hellip", 8230, false}, {"permil", 8240, false},  {"prime", 8242, false},
        {"Prime", 8243, false}, {"lsaquo", 8249, false}, {"rsaquo", 8250, false},  {"oline", 8254, false},
        {"frasl", 8260, false}, {"euro", 8364, false},   {"image", 8465, false},   {"weierp", 8472, false},
        {"real", 8476, false},  {"trade", 8482, false},  {"alefsym", 8501, false}, {"larr", 8592, false},
        {"uarr", 8593, false},  {"rarr", 8594, false},   {"darr", 8595, false},    {"harr", 8596, false},
        {"crarr", 8629, false}, {"lArr", 8656, false},   {"uArr", 8657, false},    {"rArr", 8658, false},
        {"dArr", 8659, false},  {"hArr", 8660, false},   {"forall", 8704, false},  {"part", 8706, false},
        {"exist", 8707, false}, {"empty", 8709, false},  {"nabla", 8711, false},   {"isin", 8712, false},
        {"notin", 8713, false}, {"ni", 8715, false},     {"prod", 8719, false},    {"sum", 8721, false},
        {"minus", 8722, false}, {"lowast", 8727, false}, {"radic", 8730, false},   {"prop", 8733, false},
        {"infin", 8734, false}, {"ang", 8736, false},    {"and", 8743, false},     {"or", 8744, false},
        {"cap", 8745, false},   {"cup", 8746, false},    {"int", 8747, false},     {"there4", 8756, false},
        {"sim", 8764, false},   {"cong", 8773, false},   {"asymp", 8776, false},   {"ne", 8800, false},
        {"equiv", 8801, false}, {"le", 8804, false},     {"ge", 8805, false},      {"sub", 8834, false},
        {"sup", 8835, false},   {"nsub", 8836, false},   {"sube", 8838, false},    {"supe", 8839, false},
        {"oplus", 8853, false}, {"otimes", 8855, false}, {"perp", 8869, false},    {"sdot", 8901, false},
        {"lceil", 8968, false}, {"rceil", 8969, false},  {"lfloor", 8970, false},  {"rfloor", 8971, false},
        {"lang", 10216, false}, {"rang", 10217, false},  {"loz", 9674, false},     {"spades", 9824, false},
        {"clubs", 9827, false}, {"hearts", 9829, false}, {"diams", 9830, false},   {"thetasym", 977, false},
        {"upsih", 978, false},  {"piv", 982, false},     {"sigmaf", 962, false},
    };
    for (const auto& e : others) t[QLatin1String(e.name)] = {e.code, e.legacy};
    // The Greek letters, capitals from U+0391 and small ones from U+03B1
    // (U+03A2 and the final sigma are no letters of this run).
    static const char* const capitals[] = {"Alpha",   "Beta", "Gamma", "Delta",  "Epsilon", "Zeta", "Eta",
                                           "Theta",   "Iota", "Kappa", "Lambda", "Mu",      "Nu",   "Xi",
                                           "Omicron", "Pi",   "Rho",   nullptr,  "Sigma",   "Tau",  "Upsilon",
                                           "Phi",     "Chi",  "Psi",   "Omega"};
    for (int k = 0; k < 25; ++k) {
      if (!capitals[k]) continue;
      QString name = QLatin1String(capitals[k]);
      t[name] = {static_cast<char32_t>(0x391 + k), false};
      name[0] = name[0].toLower();
      t[name] = {static_cast<char32_t>(0x3B1 + k), false};
    }
    return t;
  }();
  return table;
}

// The character a numeric reference stands for, as browsers read it: the
// C1 controls as their Windows-1252 characters, nothing and surrogates as
// the replacement character.
char32_t NumericCode(char32_t code) {
  static const char16_t c1[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0xFFFD;
  if (code >= 0x80 && code <= 0x9F) return c1[code - 0x80];
  return code;
}

void AppendCode(QString& out, char32_t code) {
  const char32_t one[] = {code};
  out += QString::fromUcs4(one, 1);
}

// Follows a tag's text character by character and tells whether it stands
// inside a quoted attribute value. A quote opens a value only where a value
// begins (after "=" and blanks), as FindAttribute and a browser read a tag: an
// apostrophe inside a word or a name opens none.
class TQuoteScan {
 public:
  void Reset() { *this = TQuoteScan(); }
  bool Inside() const { return state_ == State::Quoted; }
  void Feed(QChar c) {
    const bool blank = IsBlank(c);
    switch (state_) {
      case State::TagName:
        if (blank) state_ = State::BeforeName;
        break;
      case State::BeforeName:
      case State::AfterName:
        if (c == u'=')
          state_ = State::BeforeValue;
        else if (!blank)
          state_ = State::Name;
        break;
      case State::Name:
        if (c == u'=')
          state_ = State::BeforeValue;
        else if (blank)
          state_ = State::AfterName;
        break;
      case State::BeforeValue:
        if (c == u'"' || c == u'\'') {
          quote_ = c;
          state_ = State::Quoted;
        } else if (!blank) {
          state_ = State::Unquoted;
        }
        break;
      case State::Unquoted:
        if (blank) state_ = State::BeforeName;
        break;
      case State::Quoted:
        if (c == quote_) state_ = State::BeforeName;
        break;
    }
  }

 private:
  enum class State { TagName, BeforeName, Name, AfterName, BeforeValue, Unquoted, Quoted };
  State state_ = State::TagName;
  QChar quote_;
};
}  // namespace

void SplitURL(QString url, QString& protocol, QString& path, QString& query, QString& fileName) {
  path.clear();
  query.clear();
  fileName.clear();
  if (const int at = url.indexOf(QLatin1String("://")); at >= 0) {
    protocol = url.left(at);
    url.remove(0, at + 3);
  } else if (const int mail = url.indexOf(QLatin1String("MAILTO:"), 0, Qt::CaseInsensitive); mail >= 0) {
    protocol = QStringLiteral("MAILTO:");
    url.remove(mail, 7);
  } else {
    protocol = QStringLiteral("http");
  }
  const int slash = url.lastIndexOf(u'/');
  path = url.left(slash + 1);
  const QString rest = url.mid(slash + 1);
  if (rest.contains(u'.')) {
    const int q = rest.indexOf(u'?');
    fileName = q < 0 ? rest : rest.left(q);
    query = q < 0 ? QString() : rest.mid(q + 1);
  } else {
    path += rest;
    if (!path.endsWith(u'/')) path += u'/';
  }
}

QString ExtractBetween(const QString& s, QChar c) {
  const int first = s.indexOf(c);
  if (first < 0) return s;
  const int next = s.indexOf(c, first + 1);
  return next < 0 ? s.mid(first + 1) : s.mid(first + 1, next - first - 1);
}

QString FindAttribute(const QString& tag, const QString& name) {
  // Attributes follow the tag name; each is a name, optionally "=" and a
  // value, with blanks allowed around the "=".
  int i = 0;
  while (i < tag.size() && !IsBlank(tag[i])) ++i;  // the tag name
  while (i < tag.size()) {
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    const int start = i;
    while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != u'=') ++i;
    const QString attr = tag.mid(start, i - start);
    int j = i;
    while (j < tag.size() && IsBlank(tag[j])) ++j;
    int end = i;
    if (j < tag.size() && tag[j] == u'=') {
      ++j;
      while (j < tag.size() && IsBlank(tag[j])) ++j;
      end = ValueEnd(tag, j);
      i = end;
      if (attr.compare(name, Qt::CaseInsensitive) == 0) return attr + u'=' + tag.mid(j, end - j);
    } else if (attr.compare(name, Qt::CaseInsensitive) == 0) {
      return attr;
    }
    if (i == start) ++i;  // a stray "=" or quote
  }
  return QString();
}

QString AttributeValue(const QString& attributeText) {
  const int eq = attributeText.indexOf(u'=');
  if (eq < 0) return QString();
  QString v = attributeText.mid(eq + 1).trimmed();
  if (!v.isEmpty() && (v[0] == u'"' || v[0] == u'\'')) {
    const int close = v.indexOf(v[0], 1);
    v = close < 0 ? v.mid(1) : v.mid(1, close - 1);
  }
  return DecodeCharacterReferences(v);
}

QString DecodeCharacterReferences(const QString& value) {
  if (!value.contains(u'&')) return value;
  const auto& names = EntityTable();
  QString out;
  out.reserve(value.size());
  const int n = value.size();
  int i = 0;
  while (i < n) {
    const QChar c = value[i];
    if (c != u'&') {
      out += c;
      ++i;
      continue;
    }
    int j = i + 1;
    if (j < n && value[j] == u'#') {
      // Numeric: "&#" decimal digits or "&#x" hex digits, ";" optional.
      ++j;
      const bool hex = j < n && (value[j] == u'x' || value[j] == u'X');
      if (hex) ++j;
      const int first = j;
      char32_t code = 0;
      bool tooLarge = false;
      for (; j < n; ++j) {
        const char16_t d = value[j].unicode();
        int digit = -1;
        if (d >= u'0' && d <= u'9')
          digit = d - u'0';
        else if (hex && d >= u'a' && d <= u'f')
          digit = d - u'a' + 10;
        else if (hex && d >= u'A' && d <= u'F')
          digit = d - u'A' + 10;
        if (digit < 0) break;
        code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        if (code > 0x10FFFF) tooLarge = true, code = 0x110000;  // no overflow on long runs
      }
      if (j == first) {  // no digits: left as written
        out += c;
        ++i;
        continue;
      }
      if (j < n && value[j] == u';') ++j;
      AppendCode(out, tooLarge ? 0xFFFD : NumericCode(code));
      i = j;
      continue;
    }
    while (j < n && value[j].unicode() < 128 && std::isalnum(value[j].unicode())) ++j;
    const QString name = value.mid(i + 1, j - i - 1);
    const auto it = name.isEmpty() ? names.end() : names.find(name);
    if (it != names.end() && j < n && value[j] == u';') {
      AppendCode(out, it->second.code);
      i = j + 1;
    } else if (it != names.end() && it->second.legacy && !(j < n && value[j] == u'=')) {
      // An old name written without ";" counts too, unless "=" follows
      // (then it is part of a query, as browsers read it).
      AppendCode(out, it->second.code);
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

void THTMLParser::Parse() {
  Parsed = TParsed();
  inTitle_ = false;
  titleText_.clear();
  QString text;
  QString tag;
  bool inTag = false;
  TQuoteScan quotes;
  const int count = HTML.size();
  bool started = false;  // a line with characters was read
  bool blank = false;    // a line break is owed as a blank
  for (int n = 0; n < count; ++n) {
    const QString& line = HTML[n];
    // A line break inside a quoted value stays one (an address wrapped in
    // its quotes is whole again once the break is dropped); anywhere else
    // it separates like a blank.
    if (started) {
      if (inTag && quotes.Inside())
        tag += u'\n';
      else
        blank = true;
    }
    if (line.isEmpty()) continue;
    if (OnParsing) OnParsing(this, n + 1, count);
    if (blank) {
      if (inTag) {
        tag += u' ';
        quotes.Feed(u' ');
      } else if (!text.isEmpty()) {
        text += u' ';
      }
      blank = false;
    }
    started = true;
    for (const QChar c : line) {
      if (c == u'<' && !inTag) {
        if (!text.isEmpty()) HandleText(text);
        text.clear();
        inTag = true;
        tag += c;
        quotes.Reset();
      } else if (c == u'>' && inTag) {
        HandleTag(tag.mid(tag.lastIndexOf(u'<') + 1));
        inTag = false;
        tag.clear();
      } else if (inTag) {
        tag += c;
        // The tag's text starts anew from a "<" inside it.
        if (c == u'<')
          quotes.Reset();
        else
          quotes.Feed(c);
      } else {
        text += c;
      }
    }
  }
}

void THTMLParser::HandleTag(const QString& tag) {
  const QString upper = tag.toUpper();
  if (inTitle_ && !upper.contains(QLatin1String("/TITLE"))) {
    titleText_ += u'<' + tag + u'>';
    return;
  }
  if (!tag.contains(QLatin1String("!--")) && OnFoundTag) OnFoundTag(this, tag);
  int blank = 0;
  while (blank < tag.size() && !IsBlank(tag[blank])) ++blank;
  const QString name = upper.left(blank);
  if (name == u"A") {
    const QString attr = FindAttribute(tag, QStringLiteral("href"));
    if (attr.isEmpty()) return;  // an anchor, not a link
    const QString address = AttributeValue(attr);
    const QString up = address.toUpper();
    QString protocol, path, query, fileName;
    SplitURL(up, protocol, path, query, fileName);
    const int dot = fileName.lastIndexOf(u'.');
    const QString ext = dot < 0 ? QString() : fileName.mid(dot);
    if (TLocalRemote* kind = KindOf(Parsed, ext))
      (up.contains(QLatin1String("HTTP://")) ? kind->Remote : kind->Local) << address;
    if (up.contains(QLatin1String("MAILTO:")))
      Parsed.EMails << address.mid(7);
    else if (up.contains(QLatin1String("FTP://")))
      Parsed.FTPlinks << address;
    else if (up.contains(QLatin1String("HTTP://")))
      Parsed.HTTPlinks << address;
    else if (!up.contains(QLatin1String("://")))
      Parsed.Locallinks << address;
    else if (OnFoundHyperlink)
      OnFoundHyperlink(this, address);
    Parsed.Hyperlinks << address;
  } else if (name == u"IMG" || name == u"FRAME") {
    const QString attr = FindAttribute(tag, QStringLiteral("src"));
    if (!attr.isEmpty()) (name == u"IMG" ? Parsed.Images : Parsed.FramePages) << AttributeValue(attr);
  } else if (name == u"META") {
    const QString metaName = AttributeValue(FindAttribute(tag, QStringLiteral("name"))).toUpper();
    const QString content = AttributeValue(FindAttribute(tag, QStringLiteral("content")));
    if (metaName == u"KEYWORD" || metaName == u"KEYWORDS") Parsed.Keyword = content;
    if (metaName == u"DESCRIPTION") Parsed.Description = content;
  } else if (name == u"!--") {
    QString comment = tag.mid(4);
    comment.chop(3);
    if (OnFoundComment) OnFoundComment(this, comment);
  } else if (name == u"TITLE") {
    inTitle_ = true;
  } else if (name == u"/TITLE") {
    inTitle_ = false;
    Parsed.Title = titleText_;
    titleText_.clear();
  }
}

void THTMLParser::HandleText(const QString& text) {
  if (inTitle_)
    titleText_ = text;
  else if (OnFoundText)
    OnFoundText(this, text);
}
