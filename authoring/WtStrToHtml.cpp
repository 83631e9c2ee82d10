#include "authoring/WtStrToHtml.h"

#include <array>

namespace {

std::vector<TWtEntityPair> BuildPairs() {
  std::vector<TWtEntityPair> pairs = {
      {34, QStringLiteral("&quot;")},    {224, QStringLiteral("&agrave;")}, {231, QStringLiteral("&ccedil;")},
      {233, QStringLiteral("&eacute;")}, {232, QStringLiteral("&egrave;")}, {234, QStringLiteral("&ecirc;")},
      {249, QStringLiteral("&ugrave;")}, {235, QStringLiteral("&euml;")},   {60, QStringLiteral("&lt;")},
      {62, QStringLiteral("&gt;")},
  };
  const auto numeric = [&pairs](int from, int to) {
    for (int c = from; c <= to; ++c) pairs.push_back({static_cast<char16_t>(c), QStringLiteral("&#%1;").arg(c)});
  };
  for (int c : {163, 167, 176, 178, 179, 181, 183, 188, 189, 191}) numeric(c, c);
  numeric(192, 207);
  numeric(209, 214);
  numeric(217, 221);
  numeric(223, 239);
  numeric(241, 247);
  numeric(249, 253);
  numeric(255, 255);
  return pairs;
}

}  // namespace

const std::vector<TWtEntityPair>& TWtStrToHtml::Pairs() {
  static const std::vector<TWtEntityPair> pairs = BuildPairs();
  return pairs;
}

namespace {

// For each 8-bit code, the index of its first pair, or -1.
const std::array<int, 256>& FirstPair() {
  static const std::array<int, 256> table = [] {
    std::array<int, 256> t;
    t.fill(-1);
    const auto& pairs = TWtStrToHtml::Pairs();
    for (int i = static_cast<int>(pairs.size()) - 1; i >= 0; --i) t[pairs[static_cast<size_t>(i)].Char] = i;
    return t;
  }();
  return table;
}

}  // namespace

QString TWtStrToHtml::CharToHtml(QChar c) {
  const int index = c.unicode() < 256 ? FirstPair()[c.unicode()] : -1;
  return index < 0 ? QString(c) : Pairs()[static_cast<size_t>(index)].Entity;
}

void TWtStrToHtml::AppendHtml(QString& out, QStringView s) {
  const auto& first = FirstPair();
  const auto& pairs = Pairs();
  for (QChar c : s) {
    const int index = c.unicode() < 256 ? first[c.unicode()] : -1;
    if (index < 0)
      out += c;
    else
      out += pairs[static_cast<size_t>(index)].Entity;
  }
}

QString TWtStrToHtml::HtmlToText(const QString& s) {
  QString out;
  out.reserve(s.size());
  AppendHtml(out, s);
  return out;
}

QString TWtStrToHtml::TextToHtml(const QString& s) {
  QString out = s;
  if (!out.contains(u'&')) return out;
  for (const TWtEntityPair& pair : Pairs()) out.replace(pair.Entity, QString(QChar(pair.Char)), Qt::CaseInsensitive);
  return out;
}
