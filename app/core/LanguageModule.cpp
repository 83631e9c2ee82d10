#include "app/core/LanguageModule.h"

#include <QFile>
#include <QFileInfo>

#include "app/core/Settings.h"
#include "platform/CodePage.h"
#include "platform/ModuleFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

namespace {

constexpr qsizetype kKeyColumns = 19;
constexpr qsizetype kTextColumn = 21;  // counted from 1

// Trims blanks and control characters at both ends.
QString TrimText(const QString& s) {
  qsizetype begin = 0;
  qsizetype end = s.size();
  while (begin < end && s[begin].unicode() <= 0x20) ++begin;
  while (end > begin && s[end - 1].unicode() <= 0x20) --end;
  return s.mid(begin, end - begin);
}

QByteArray TrimBytes(QByteArrayView b) {
  qsizetype begin = 0;
  qsizetype end = b.size();
  while (begin < end && static_cast<unsigned char>(b[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(b[end - 1]) <= 0x20) --end;
  return b.sliced(begin, end - begin).toByteArray();
}

// Splits on CR LF, CR or LF; a final line break does not start a line.
QList<QByteArrayView> SplitLines(QByteArrayView bytes) {
  QList<QByteArrayView> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.append(bytes.sliced(start, i - start));
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < bytes.size()) lines.append(bytes.sliced(start));
  return lines;
}

}  // namespace

void TLanguageModule::Clear() {
  lines_.clear();
  keys_.clear();
  texts_.clear();
  index_.clear();
  defCharSet_.reset();
  utf8_ = false;
}

bool TLanguageModule::LoadFromFile(const QString& fileName) {
  Clear();
  // A pipe or device named as the module is refused at once, never waited on.
  QByteArray bytes;
  if (fileName.isEmpty() || ReadRegularFile(fileName, bytes) != TRegularOpen::Opened) return false;
  LoadFromBytes(bytes);
  return true;
}

void TLanguageModule::LoadFromBytes(const QByteArray& data) {
  Clear();
  QByteArrayView bytes(data);
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    utf8_ = true;
    bytes = bytes.sliced(3);
  } else {
    bool ascii = false;
    utf8_ = TextCodec::isValidUtf8(bytes, &ascii) && !ascii;
  }
  const QList<QByteArrayView> raw = SplitLines(bytes);

  // The character set is named in the module itself; its name is ASCII.
  int charset = CodePage::DEFAULT_CHARSET;
  for (QByteArrayView line : raw) {
    const QByteArray key = TrimBytes(line.first(std::min(line.size(), kKeyColumns)));
    if (key.compare("DefCharSet", Qt::CaseInsensitive) == 0) {
      const QString name =
          line.size() >= kTextColumn ? QString::fromLatin1(TrimBytes(line.sliced(kTextColumn - 1))) : QString();
      defCharSet_ = CodePage::CharsetFromName(name);
      if (defCharSet_) charset = *defCharSet_;
      break;
    }
  }
  const auto decode = [this, charset](QByteArrayView b) {
    return utf8_ ? QString::fromUtf8(b) : CodePage::Decode(b, charset);
  };

  lines_.reserve(raw.size());
  keys_.reserve(raw.size());
  texts_.reserve(raw.size());
  for (QByteArrayView line : raw) {
    const QString key = TrimText(decode(line.first(std::min(line.size(), kKeyColumns))));
    const QString text = line.size() >= kTextColumn ? TrimText(decode(line.sliced(kTextColumn - 1))) : QString();
    lines_.append(decode(line));
    keys_.append(key);
    texts_.append(text);
  }
  // The first line of a key wins: walk backwards so earlier lines overwrite.
  for (int i = static_cast<int>(keys_.size()) - 1; i >= 0; --i) index_.insert(keys_[i].toCaseFolded(), i);
}

QString TLanguageModule::LangText(const QString& key) const {
  const auto it = index_.constFind(key.trimmed().toCaseFolded());
  return it == index_.constEnd() ? QString() : texts_[*it];
}

int TLanguageModule::UICharset() const { return defCharSet_.value_or(CodePage::DEFAULT_CHARSET); }

TLanguageModule& Language() {
  static TLanguageModule module;
  // Why a program module cannot be used is said in the same texts.
  static const bool moduleTexts = (SetModuleTexts([](const QString& key) { return module.LangText(key); }), true);
  Q_UNUSED(moduleTexts);
  return module;
}

QString LangText(const QString& key) { return Language().LangText(key); }

bool LoadLanguageModule() {
  TLanguageModule& module = Language();
  module.Clear();
  QString path;
  try {
    path = Settings::TranslationModulePath();
  } catch (const std::exception&) {
    // An unreadable or unwritable settings file leaves the default module.
  }
  const QString english = ProgramFolder() + QStringLiteral("Language Modules/english.lms");
  if (module.LoadFromFile(path)) {
    // A file that knows none of the shipped module's keys (not a module at
    // all) would leave every caption empty: English serves instead.
    TLanguageModule shipped;
    if (QFileInfo(path) == QFileInfo(english) || !shipped.LoadFromFile(english) || SharesAKey(module, shipped))
      return true;
    module.Clear();
  }
  module.LoadFromFile(english);
  return false;
}

bool SharesAKey(const TLanguageModule& module, const TLanguageModule& other) {
  for (const QString& key : module.LangKeys())
    if (!key.isEmpty() && !other.LangText(key).isEmpty()) return true;
  return false;
}

QString AcceleratedLangText(const QString& key) { return u'&' + LangText(key); }

QString HeadingCaption(int level) { return LangText(QStringLiteral("fmHeading")) + u' ' + QString::number(level); }

QString ComposeText(std::initializer_list<QString> parts) {
  static const QString tight = QStringLiteral(".,;:!?)\r\n");
  QString out;
  for (const QString& part : parts) {
    if (part.isEmpty()) continue;
    const bool joined = out.isEmpty() || tight.contains(part.front()) || out.back() == u'\n' || out.back() == u'\r' ||
                        out.back() == u'(';
    if (!joined) out += u' ';
    out += part;
  }
  return out;
}
