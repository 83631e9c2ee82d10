#include "authoring/HTMLParser.h"

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
    return close < 0 ? v.mid(1) : v.mid(1, close - 1);
  }
  return v;
}

void THTMLParser::Parse() {
  Parsed = TParsed();
  inTitle_ = false;
  titleText_.clear();
  QString text;
  QString tag;
  bool inTag = false;
  const int count = HTML.size();
  bool firstLine = true;
  for (int n = 0; n < count; ++n) {
    const QString& line = HTML[n];
    if (line.isEmpty()) continue;
    if (OnParsing) OnParsing(this, n + 1, count);
    // A line break separates like a blank.
    if (!firstLine) {
      if (inTag) tag += u' ';
      else if (!text.isEmpty()) text += u' ';
    }
    firstLine = false;
    for (const QChar c : line) {
      if (c == u'<' && !inTag) {
        if (!text.isEmpty()) HandleText(text);
        text.clear();
        inTag = true;
        tag += c;
      } else if (c == u'>' && inTag) {
        HandleTag(tag.mid(tag.lastIndexOf(u'<') + 1));
        inTag = false;
        tag.clear();
      } else if (inTag) {
        tag += c;
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
