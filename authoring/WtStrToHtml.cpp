#include "authoring/WtStrToHtml.h"

namespace {

std::vector<TWtEntityPair> BuildPairs() {
  std::vector<TWtEntityPair> pairs = {
      {34, QStringLiteral("&quot;")},   {224, QStringLiteral("&agrave;")}, {231, QStringLiteral("&ccedil;")},
      {233, QStringLiteral("&eacute;")}, {232, QStringLiteral("&egrave;")}, {234, QStringLiteral("&ecirc;")},
      {249, QStringLiteral("&ugrave;")}, {235, QStringLiteral("&euml;")},   {60, QStringLiteral("&lt;")},
      {62, QStringLiteral("&gt;")},
  };
  const auto numeric = [&pairs](int from, int to) {
    for (int c = from; c <= to; ++c)
      pairs.push_back({static_cast<char16_t>(c), QStringLiteral("&#%1;").arg(c)});
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

QString TWtStrToHtml::CharToHtml(QChar c) {
  // Characters below the first pair's smallest code need no look-up.
  if (c.unicode() < 34 || c.unicode() > 255) return QString(c);
  for (const TWtEntityPair& pair : Pairs())
    if (pair.Char == c.unicode()) return pair.Entity;
  return QString(c);
}

QString TWtStrToHtml::HtmlToText(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (QChar c : s) out += CharToHtml(c);
  return out;
}

QString TWtStrToHtml::TextToHtml(const QString& s) {
  QString out = s;
  if (!out.contains(u'&')) return out;
  for (const TWtEntityPair& pair : Pairs()) out.replace(pair.Entity, QString(QChar(pair.Char)), Qt::CaseInsensitive);
  return out;
}
