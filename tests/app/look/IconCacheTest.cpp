// Tests of the pictures kept from one run to the next (app/look/IconCache.cpp)
// and of the theme icons drawn from them (app/look/Icons.cpp).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QApplication>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>

#include "app/core/Prompts.h"
#include "app/look/IconCache.h"
#include "app/look/Icons.h"
#include "platform/Memory.h"
#include "platform/ScopeExit.h"
#include "tests/app/look/IconCacheFiles.h"
#include "tests/common/TestUtil.h"

namespace {

QImage Picture(int side, QRgb colour, qreal ratio = 1) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(QColor::fromRgba(colour));
  image.setPixel(0, 0, qRgba(1, 2, 3, 255));  // not one colour all over
  image.setDevicePixelRatio(ratio);
  return image;
}

QByteArray ReadAll(const QString& fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& fileName, const QByteArray& bytes) {
  QFile f(fileName);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// A cache whose file is no regular file: nothing is read from it, and a
// picture drawn is not saved over it.
void ExpectNeitherReadNorSaved(TIconCache& cache) {
  EXPECT_FALSE(cache.Load("s"));
  cache.Add(QStringLiteral("a"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
  EXPECT_FALSE(cache.Save());
}

}  // namespace

// What is kept comes back pixel for pixel (with its scale) under the same
// stamp, and not at all under another; a run that added nothing writes
// nothing.
TEST(IconCache, KeptPicturesComeBackUnderTheirStampOnly) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("sub/icons.cache"));
  TIconCache cache(file);
  EXPECT_FALSE(cache.Load("stamp one"));
  const QImage a = Picture(24, qRgba(200, 10, 10, 255));
  const QImage b = Picture(48, qRgba(0, 0, 0, 0), 2);
  cache.Add(QStringLiteral("document-new"), QSize(24, 24), a);
  cache.Add(QStringLiteral("document-new"), QSize(48, 48), b);
  cache.Add(QStringLiteral("édition-ü"), QSize(22, 22),
            Picture(22, qRgba(1, 200, 3, 128)).convertToFormat(QImage::Format_ARGB32));
  ASSERT_TRUE(cache.Save());

  TIconCache again(file);
  ASSERT_TRUE(again.Load("stamp one"));
  EXPECT_EQ(again.Count(), 3);
  ASSERT_TRUE(again.Find(QStringLiteral("document-new"), QSize(24, 24)));
  EXPECT_EQ(*again.Find(QStringLiteral("document-new"), QSize(24, 24)), a);
  EXPECT_EQ(again.Find(QStringLiteral("document-new"), QSize(48, 48))->devicePixelRatio(), 2);
  EXPECT_EQ(*again.Find(QStringLiteral("document-new"), QSize(48, 48)), b);
  EXPECT_EQ(*again.Find(QStringLiteral("édition-ü"), QSize(22, 22)),
            Picture(22, qRgba(1, 200, 3, 128)).convertToFormat(QImage::Format_ARGB32_Premultiplied));
  EXPECT_EQ(again.Find(QStringLiteral("document-new"), QSize(16, 16)), nullptr);
  EXPECT_EQ(again.Find(QStringLiteral("document-open"), QSize(24, 24)), nullptr);

  const QByteArray written = ReadAll(file);
  EXPECT_TRUE(again.Save());  // nothing added: nothing written
  EXPECT_EQ(ReadAll(file), written);

  TIconCache stale(file);
  EXPECT_FALSE(stale.Load("stamp two"));
  EXPECT_EQ(stale.Count(), 0);
  EXPECT_EQ(stale.Find(QStringLiteral("document-new"), QSize(24, 24)), nullptr);
}

// A damaged file (cut short anywhere, a byte changed in its header, sizes
// beyond reason, trailing bytes, not a file) is not used, and the next save
// replaces it.
TEST(IconCache, DamagedFilesAreNotUsed) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("icons.cache"));
  {
    TIconCache cache(file);
    cache.Load("s");
    cache.Add(QStringLiteral("a"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
    cache.Add(QStringLiteral("b"), QSize(3, 3), Picture(3, qRgba(9, 9, 9, 255)));
    ASSERT_TRUE(cache.Save());
  }
  const QByteArray whole = ReadAll(file);
  ASSERT_GT(whole.size(), 100);
  for (int cut = 0; cut < whole.size(); ++cut) {
    WriteAll(file, whole.left(cut));
    TIconCache cache(file);
    EXPECT_FALSE(cache.Load("s")) << "cut at " << cut;
    EXPECT_EQ(cache.Count(), 0);
  }
  WriteAll(file, whole + "x");
  EXPECT_FALSE(TIconCache(file).Load("s"));
  for (int at = 0; at < 8; ++at) {  // the mark at the start
    QByteArray changed = whole;
    changed[at] = char(changed[at] ^ 0x20);
    WriteAll(file, changed);
    EXPECT_FALSE(TIconCache(file).Load("s")) << at;
  }
  // A picture count and sides far beyond any run's.
  QByteArray huge = whole;
  const int countAt = whole.indexOf(QByteArray("\0\0\0\2", 4), 8);
  ASSERT_GT(countAt, 0);
  huge.replace(countAt, 4, QByteArray("\x7f\xff\xff\xff", 4));
  WriteAll(file, huge);
  EXPECT_FALSE(TIconCache(file).Load("s"));
  QByteArray wide = whole;
  const int sideAt = whole.indexOf(QByteArray("\0\0\0\4\0\0\0\4", 8));
  ASSERT_GT(sideAt, 0);
  wide.replace(sideAt, 8, QByteArray("\0\x10\0\0\0\x10\0\0", 8));
  WriteAll(file, wide);
  EXPECT_FALSE(TIconCache(file).Load("s"));

  ASSERT_TRUE(QFile::remove(file));
  ASSERT_TRUE(QDir().mkdir(file));  // a folder where the file should be
  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  TIconCache folder(file);
  ExpectNeitherReadNorSaved(folder);
  ASSERT_TRUE(QDir(file).removeRecursively());

  WriteAll(file, "KVICONS1 and then nothing sensible at all, but long enough to read a count from");
  TIconCache garbage(file);
  EXPECT_FALSE(garbage.Load("s"));
  garbage.Add(QStringLiteral("a"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
  ASSERT_TRUE(garbage.Save());
  EXPECT_TRUE(TIconCache(file).Load("s"));
}

// A file with more pictures than any run draws (640 000 tiny ones, 31.8 MB;
// or 5 000 in a small file) is not read: nothing of it stays in memory. Only
// the pictures a run drew are written back.
TEST(IconCache, FilesBeyondAnyRunAreRefusedAndOnlyDrawnPicturesAreKept) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("icons.cache"));
  WriteAll(file, IconCacheFile("s", 640000, 1));
  ASSERT_GT(QFileInfo(file).size(), 31000000);
  const qint64 before = Memory::Resident();
  {
    TIconCache huge(file);
    EXPECT_FALSE(huge.Load("s"));
    EXPECT_EQ(huge.Count(), 0);
    EXPECT_LT(Memory::Resident() - before, 64 << 20);
  }
  WriteAll(file, IconCacheFile("s", 5000, 1));
  ASSERT_LT(QFileInfo(file).size(), 1 << 20);
  EXPECT_FALSE(TIconCache(file).Load("s"));
  WriteAll(file, IconCacheFile("s", 300, 1));  // as many as a run draws
  EXPECT_TRUE(TIconCache(file).Load("s"));

  {
    TIconCache cache(file);
    cache.Load("s");
    cache.Add(QStringLiteral("a"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
    cache.Add(QStringLiteral("b"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
    cache.Add(QStringLiteral("c"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
    ASSERT_TRUE(cache.Save());
  }
  TIconCache next(file);
  ASSERT_TRUE(next.Load("s"));
  EXPECT_EQ(next.Count(), 3);  // the 300 read but not drawn were left out
  ASSERT_TRUE(next.Find(QStringLiteral("a"), QSize(4, 4)));
  next.Add(QStringLiteral("d"), QSize(4, 4), Picture(4, qRgba(9, 9, 9, 255)));
  ASSERT_TRUE(next.Save());
  TIconCache after(file);
  ASSERT_TRUE(after.Load("s"));
  EXPECT_EQ(after.Count(), 2);
  EXPECT_TRUE(after.Find(QStringLiteral("a"), QSize(4, 4)));
  EXPECT_TRUE(after.Find(QStringLiteral("d"), QSize(4, 4)));
  // Drawn later in the same run than the save that left it out: kept by the
  // next save.
  EXPECT_FALSE(next.Dirty());
  ASSERT_TRUE(next.Find(QStringLiteral("b"), QSize(4, 4)));
  EXPECT_TRUE(next.Dirty());
  ASSERT_TRUE(next.Save());
  TIconCache last(file);
  ASSERT_TRUE(last.Load("s"));
  EXPECT_EQ(last.Count(), 3);
  EXPECT_TRUE(last.Find(QStringLiteral("b"), QSize(4, 4)));
}

// A link to a device in place of the file: not read, not replaced, named
// once a run.
TEST(IconCache, ALinkToADeviceIsNeitherReadNorReplaced) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("icons.cache"));
  const QString null = dir.filePath(QStringLiteral("null"));
  if (const std::string why = MakeDeviceNode(null, TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(::symlink("null", QFile::encodeName(file).constData()), 0);
  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  TIconCache cache(file);
  ExpectNeitherReadNorSaved(cache);
  EXPECT_FALSE(cache.Save());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text.left(file.size()), file);
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_EQ(QFile::symLinkTarget(file), null);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(null).constData(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"icons.cache", "null"}));
}

namespace {

// A theme of our own with one picture, put in front of the icon loader's
// search folders for the test's length.
class OwnTheme {
 public:
  OwnTheme() : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
    theme_ = MakeTheme(QStringLiteral("kvcachetest"));
    SetPicture(qRgba(250, 0, 0, 255));
    QIcon::setThemeSearchPaths(QStringList{dir_.path()} + paths_);
    QIcon::setThemeName(QStringLiteral("kvcachetest"));
  }
  // Another theme beside it, with the picture in `colour`.
  QString MakeTheme(const QString& name, QRgb colour = 0) {
    const QString theme = dir_.filePath(name);
    QDir().mkpath(theme + QStringLiteral("/24x24/actions"));
    WriteAll(theme + QStringLiteral("/index.theme"), "[Icon Theme]\nName=" + name.toUtf8() +
                                                         "\nDirectories=24x24/actions\n\n[24x24/actions]\n"
                                                         "Size=24\nType=Fixed\n");
    if (colour) Picture(24, colour).save(theme + QStringLiteral("/24x24/actions/kv-test-icon.png"));
    return theme;
  }
  ~OwnTheme() {
    UseIconCache(QString());
    QIcon::setThemeName(name_);
    QIcon::setThemeSearchPaths(paths_);
  }
  void SetPicture(QRgb colour) {
    const QString file = theme_ + QStringLiteral("/24x24/actions/kv-test-icon.png");
    ASSERT_TRUE(Picture(24, colour).save(file));
    // A time of its own each time: the toolkit knows a picture file again
    // by its name, size and time to the second.
    static long seconds = 1500000000;
    utimbuf times{++seconds, seconds};
    ASSERT_EQ(utime(QFile::encodeName(file).constData(), &times), 0);
  }
  // Changes the index's time, as an update of the theme does.
  void TouchIndex() {
    const QByteArray index = QFile::encodeName(theme_ + QStringLiteral("/index.theme"));
    utimbuf times{1000000000, 1000000000};
    ASSERT_EQ(utime(index.constData(), &times), 0);
  }
  // The kept file lies outside the searched folders.
  QString CacheFile() const { return cacheDir_.filePath(QStringLiteral("cache/icons.cache")); }
  // As the next start of the program: the theme is read anew, the kept
  // file too.
  void NextStart() {
    QIcon::setThemeName(QStringLiteral("hicolor"));
    QIcon::setThemeName(QStringLiteral("kvcachetest"));
    UseIconCache(CacheFile());
  }

 private:
  QTemporaryDir dir_, cacheDir_;
  QString theme_;
  QStringList paths_;
  QString name_;
};

QRgb Middle(const QPixmap& pixmap) { return pixmap.toImage().pixel(12, 12); }

}  // namespace

// A theme picture drawn once is drawn from the kept file at the next start
// without the theme being read (a changed picture file is not seen), in every
// mode as the theme's own icon draws it; once the theme's index changes, the
// kept pictures are dropped and the theme's new picture is drawn and kept.
TEST(IconCache, ThemeIconsDrawFromTheKeptFileUntilTheThemeChanges) {
  OwnTheme theme;
  UseIconCache(theme.CacheFile());
  const QString name = QStringLiteral("kv-test-icon");
  EXPECT_EQ(Middle(ThemeIcon(name).pixmap(24)), qRgba(250, 0, 0, 255));
  SaveIconCache();
  ASSERT_TRUE(QFile::exists(theme.CacheFile()));

  theme.SetPicture(qRgba(0, 0, 250, 255));
  theme.NextStart();
  const QIcon kept = ThemeIcon(name);
  EXPECT_EQ(Middle(kept.pixmap(24)), qRgba(250, 0, 0, 255)) << "drawn from the kept file";
  EXPECT_EQ(kept.actualSize(QSize(24, 24)), QSize(24, 24));
  QImage painted(30, 30, QImage::Format_ARGB32_Premultiplied);
  painted.fill(Qt::transparent);
  {
    QPainter painter(&painted);
    kept.paint(&painter, QRect(0, 0, 30, 30));
  }
  EXPECT_EQ(painted.pixel(15, 15), qRgba(250, 0, 0, 255));
  EXPECT_EQ(painted.pixel(1, 1), 0u) << "centred, not stretched";

  // Greyed as the style greys the theme's own picture.
  theme.SetPicture(qRgba(250, 0, 0, 255));
  QIcon::setThemeName(QStringLiteral("hicolor"));
  QIcon::setThemeName(QStringLiteral("kvcachetest"));  // the loader reads the picture anew
  const QImage themeDisabled = QIcon::fromTheme(name).pixmap(24, QIcon::Disabled).toImage();
  EXPECT_EQ(kept.pixmap(24, QIcon::Disabled).toImage().convertToFormat(themeDisabled.format()), themeDisabled);

  theme.SetPicture(qRgba(0, 0, 250, 255));
  theme.TouchIndex();
  theme.NextStart();
  EXPECT_EQ(Middle(ThemeIcon(name).pixmap(24)), qRgba(0, 0, 250, 255)) << "the theme changed";
  SaveIconCache();
  TIconCache file(theme.CacheFile());
  ASSERT_TRUE(file.Load(TIconCache::CurrentStamp()));
  ASSERT_TRUE(file.Find(name, QSize(24, 24)));
  EXPECT_EQ(file.Find(name, QSize(24, 24))->pixel(12, 12), qRgba(0, 0, 250, 255));
}

// Names no theme has are kept as our drawing; without a cache nothing is
// written anywhere.
TEST(IconCache, OurDrawingsAreKeptToo) {
  OwnTheme theme;
  const QString name = QStringLiteral("kv-no-such-icon-anywhere");
  const QImage ours = FallbackIcon(name).pixmap(22).toImage();
  EXPECT_EQ(ThemeIcon(name).pixmap(22).toImage(), ours);
  SaveIconCache();
  EXPECT_FALSE(QFile::exists(theme.CacheFile()));

  UseIconCache(theme.CacheFile());
  EXPECT_EQ(ThemeIcon(name).pixmap(22).toImage(), ours);
  SaveIconCache();
  TIconCache file(theme.CacheFile());
  ASSERT_TRUE(file.Load(TIconCache::CurrentStamp()));
  ASSERT_TRUE(file.Find(name, QSize(22, 22)));
  EXPECT_EQ(file.Find(name, QSize(22, 22))->convertToFormat(ours.format()), ours);
}

// Switching the icon theme while the program runs switches the icons drawn
// already, kept pictures or not.
TEST(IconCache, IconsFollowASwitchOfTheme) {
  OwnTheme theme;
  theme.MakeTheme(QStringLiteral("kvcachetest2"), qRgba(0, 160, 0, 255));
  const QString name = QStringLiteral("kv-test-icon");
  for (const bool keeping : {false, true}) {
    UseIconCache(keeping ? theme.CacheFile() : QString());
    QIcon::setThemeName(QStringLiteral("kvcachetest"));
    const QIcon icon = ThemeIcon(name);
    EXPECT_EQ(Middle(icon.pixmap(24)), qRgba(250, 0, 0, 255)) << keeping;
    QIcon::setThemeName(QStringLiteral("kvcachetest2"));
    EXPECT_EQ(Middle(icon.pixmap(24)), qRgba(0, 160, 0, 255)) << keeping;
    EXPECT_EQ(Middle(ThemeIcon(name).pixmap(24)), qRgba(0, 160, 0, 255)) << keeping;
    QIcon::setThemeName(QStringLiteral("kvcachetest"));
    EXPECT_EQ(Middle(icon.pixmap(24)), qRgba(250, 0, 0, 255)) << keeping;
  }
}

// The pictures as the bars show them (inked for a dark bar) and as disabled
// buttons show them are kept beside the theme's picture, for the bar's
// colours only: a start under other colours makes and keeps its own.
TEST(IconCache, PicturesAsTheBarsShowThemAreKeptForTheirColours) {
  OwnTheme theme;
  theme.SetPicture(qRgba(60, 60, 60, 255));  // a dark grey that vanishes on a dark bar
  const QString name = QStringLiteral("kv-test-icon");
  const QPalette before = QGuiApplication::palette();
  QPalette dark = before, light = before;
  dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
  dark.setColor(QPalette::ButtonText, Qt::white);
  light.setColor(QPalette::Window, QColor(0xf0, 0xf0, 0xf0));
  light.setColor(QPalette::ButtonText, Qt::black);
  ScopeExit restore([&before] { QApplication::setPalette(before); });

  QApplication::setPalette(dark);
  theme.NextStart();
  const QImage shownDark = ThemeIcon(name).pixmap(24).toImage();
  const QImage greyedDark = ThemeIcon(name).pixmap(24, QIcon::Disabled).toImage();
  EXPECT_GT(qGray(shownDark.pixel(12, 12)), 160) << "inked for the dark bar";
  SaveIconCache();
  TIconCache file(theme.CacheFile());
  ASSERT_TRUE(file.Load(TIconCache::CurrentStamp()));
  EXPECT_EQ(file.Count(), 3) << "the theme's picture, as shown, and greyed";

  // The next start under the same colours takes them as kept, even when the
  // theme's picture changed on disk (its index did not).
  theme.SetPicture(qRgba(70, 70, 70, 255));
  theme.NextStart();
  EXPECT_EQ(ThemeIcon(name).pixmap(24).toImage(), shownDark);
  EXPECT_EQ(ThemeIcon(name).pixmap(24, QIcon::Disabled).toImage(), greyedDark);

  // Under a light bar the kept picture of the dark one is not used.
  QApplication::setPalette(light);
  theme.NextStart();
  const QImage shownLight = ThemeIcon(name).pixmap(24).toImage();
  EXPECT_EQ(shownLight.pixel(12, 12), qRgba(60, 60, 60, 255)) << "the theme's own picture, as drawn";
  EXPECT_NE(ThemeIcon(name).pixmap(24, QIcon::Disabled).toImage(), greyedDark);
  SaveIconCache();
  ASSERT_TRUE(file.Load(TIconCache::CurrentStamp()));
  EXPECT_EQ(file.Count(), 3) << "only what this start drew";
}
