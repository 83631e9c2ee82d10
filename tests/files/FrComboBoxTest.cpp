#include <QLineEdit>
#include <QTest>

#include "files/FrComboBox.h"
#include "tests/files/FilesFixture.h"

namespace {
class TFakeTimer : public TSearchTimer {
 public:
  explicit TFakeTimer(int* ms, std::function<void()>* fire) : ms_(ms), fire_(fire) {}
  void Start(int ms, std::function<void()> fire) override {
    *ms_ = ms;
    *fire_ = std::move(fire);
  }

 private:
  int* ms_;
  std::function<void()>* fire_;
};

const QList<TFontFamily> kFamilies = {{"Verdana", false, true}, {"Arial", false, true},
                                      {"Courier", true, false}, {"vera Sans Mono", true, true},
                                      {"Vemana", false, true},  {"System", false, false}};
}  // namespace

class Combo : public FilesFixture {
 protected:
  void SetUp() override {
    FilesFixture::SetUp();
    TFrFontComboBox::SetFamilySource([] { return kFamilies; });
  }
  int timerMs = 0;
  std::function<void()> fireTimer;
};

TEST_F(Combo, TypeAheadSearchesAndResets) {
  TFrFontComboBox box;
  box.SetSearchTimer(std::make_unique<TFakeTimer>(&timerMs, &fireTimer));
  int changes = 0;
  QObject::connect(&box, &TFrCustomComboBox::Change, [&] { ++changes; });
  ASSERT_EQ(box.itemText(0), "Arial");
  QTest::keyClicks(&box, "ve");
  EXPECT_EQ(box.currentText(), "Vemana");  // first family beginning with "ve", case ignored
  EXPECT_EQ(timerMs, 1500);
  EXPECT_EQ(changes, 2);
  QTest::keyClicks(&box, "r");
  EXPECT_EQ(box.currentText(), "vera Sans Mono");
  fireTimer();  // the pause: the next letter starts a new search
  QTest::keyClicks(&box, "c");
  EXPECT_EQ(box.currentText(), "Courier");
  QTest::keyClicks(&box, "x");  // a miss beeps and keeps the selection
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(box.currentText(), "Courier");
  QTest::keyClick(&box, Qt::Key_Backspace);
  QTest::keyClick(&box, Qt::Key_Backspace);
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(box.SearchText(), "");
  box.setCurrentIndex(3);
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_EQ(box.currentIndex(), 0);
}

TEST_F(Combo, AutoCompleteSelectsTheRest) {
  TFrCustomComboBox box;
  box.setEditable(true);
  box.addItems({"Arial", "Arimo", "Courier"});
  box.setCurrentIndex(-1);
  box.lineEdit()->clear();
  QTest::keyClicks(&box, "Ari");
  EXPECT_EQ(box.lineEdit()->text(), "Arial");
  EXPECT_EQ(box.lineEdit()->selectedText(), "al");
  QTest::keyClicks(&box, "m");  // typing replaces the completed rest
  EXPECT_EQ(box.lineEdit()->text(), "Arimo");
  EXPECT_EQ(box.lineEdit()->selectedText(), "o");
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_EQ(box.currentIndex(), -1);
  EXPECT_EQ(box.lineEdit()->text(), "");
}

TEST_F(Combo, FontFiltersAndSelection) {
  TFrFontComboBox box;
  struct Case {
    TFontType type;
    QStringList expected;
  } cases[] = {
      {TFontType::ftFixedPitch, {"Courier", "vera Sans Mono"}},
      {TFontType::ftTrueType, {"Arial", "Vemana", "vera Sans Mono", "Verdana"}},
      {TFontType::ftPrinter, {}},
      {TFontType::ftAll, {"Arial", "Courier", "System", "Vemana", "vera Sans Mono", "Verdana"}},
  };
  box.SetFontName("vera Sans Mono");
  for (const Case& c : cases) {
    box.SetFontType(c.type);
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    EXPECT_EQ(items, c.expected);
  }
  // the selection survives a refill that still holds it
  EXPECT_EQ(box.FontName(), "");  // ftPrinter dropped it
  box.SetFontName("vera Sans Mono");
  box.SetFontType(TFontType::ftFixedPitch);
  EXPECT_EQ(box.FontName(), "vera Sans Mono");
  EXPECT_EQ(box.GlyphKind(0), 2);  // Courier: fixed, not an outline font
  EXPECT_EQ(box.GlyphKind(1), 0);
  const std::optional<QFont> font = box.SelectedFont();
  ASSERT_TRUE(font);
  EXPECT_EQ(font->family(), "vera Sans Mono");
  EXPECT_EQ(font->pointSize(), 8);
  box.setCurrentIndex(-1);
  EXPECT_FALSE(box.SelectedFont());
}
