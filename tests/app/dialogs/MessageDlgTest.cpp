// Tests of TfMessageDlg (app/dialogs/ufMessageDlg.cpp) and the prompts that
// show it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/dialogs/ufMessageDlg.h"

namespace {

// A module whose texts equal their keys, so captions and answers can be
// checked by key.
class MessageDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QByteArray module;
    for (const char* key : {"btOk", "btYes", "btNo", "btCancel", "btYesToAll", "InformMsg1Lib", "ConfirmMsg1Lib",
                            "ErrorMsg1Lib", "ExitMsg", "DoYou"})
      module += QByteArray(key).leftJustified(20, ' ') + key + "\n";
    Language().LoadFromBytes(module);
  }
  void TearDown() override { Language().Clear(); }
};

struct KindCase {
  int kind;
  const char* caption;
  const char* panel;
  std::vector<std::pair<const char*, int>> buttons;  // name and result, left to right
  const char* defaultButton;
};

TEST_F(MessageDlgTest, EveryKindShowsItsButtonsCaptionAndDefault) {
  const KindCase cases[] = {
      {0, "InformMsg1Lib", "PanOk", {{"btok", 1}}, "btok"},
      {1, "ConfirmMsg1Lib", "PanYesNo", {{"btYes", 6}, {"btNo", 7}}, "btNo"},
      {2, "ErrorMsg1Lib", "PanOk", {{"btok", 1}}, "btok"},
      {3, "ConfirmMsg1Lib", "PanYesNoCancel", {{"mrYes2", 6}, {"mrNo2", 7}, {"mrCancel2", 2}}, "mrCancel2"},
      {4, "ConfirmMsg1Lib", "PanYesToAll", {{"btYes3", 6}, {"Btno3", 7}, {"yestoall", 10}}, "Btno3"},
      {10, "ConfirmMsg1Lib", "PanYesNo", {{"btYes", 6}, {"btNo", 7}}, "btNo"},
  };
  const std::map<QString, QString> captions = {{"btok", "btOk"},    {"btYes", "btYes"}, {"btNo", "btNo"},
                                               {"mrYes2", "btYes"}, {"mrNo2", "btNo"},  {"mrCancel2", "btCancel"},
                                               {"btYes3", "btYes"}, {"Btno3", "btNo"},  {"yestoall", "btYesToAll"}};
  for (const KindCase& c : cases) {
    for (const auto& [name, result] : c.buttons) {
      TfMessageDlg dlg;
      dlg.Prepare(QStringLiteral("Question?"), c.kind);
      EXPECT_EQ(dlg.Result, 0);
      EXPECT_EQ(dlg.windowTitle(), QLatin1String(c.caption)) << c.kind;
      EXPECT_EQ(dlg.Label->text(), QStringLiteral("Question?"));
      EXPECT_FALSE(dlg.Image->pixmap().isNull());
      std::vector<QString> visible;
      for (QWidget* panel : {dlg.PanOk, dlg.PanYesNo, dlg.PanYesNoCancel, dlg.PanYesToAll})
        if (!panel->isHidden()) visible.push_back(panel->objectName());
      EXPECT_EQ(visible, std::vector<QString>{QLatin1String(c.panel)}) << c.kind;
      ASSERT_NE(dlg.DefaultButton(), nullptr);
      EXPECT_EQ(dlg.DefaultButton()->objectName(), QLatin1String(c.defaultButton)) << c.kind;

      auto* button = dlg.findChild<QPushButton*>(QLatin1String(name));
      ASSERT_NE(button, nullptr) << name;
      EXPECT_EQ(button->text(), captions.at(QLatin1String(name))) << name;
      button->click();
      EXPECT_EQ(dlg.Result, result) << c.kind << " " << name;
    }
  }
}

TEST_F(MessageDlgTest, AnyOtherKindShowsNoButtonsCaptionOrIcon) {
  TfMessageDlg dlg;
  dlg.Prepare(QStringLiteral("Just text"), 7);
  EXPECT_EQ(dlg.windowTitle(), QString());
  EXPECT_TRUE(dlg.Image->pixmap().isNull());
  for (QWidget* panel : {dlg.PanOk, dlg.PanYesNo, dlg.PanYesNoCancel, dlg.PanYesToAll}) EXPECT_TRUE(panel->isHidden());
  EXPECT_EQ(dlg.DefaultButton(), nullptr);
  dlg.show();
  dlg.close();
  EXPECT_EQ(dlg.Result, 0);
}

TEST_F(MessageDlgTest, TheBoxKeepsItsSizeAndGrowsForLongTexts) {
  TfMessageDlg dlg;
  dlg.Prepare(QStringLiteral("Short"), 0);
  EXPECT_EQ(dlg.width(), 414);
  EXPECT_EQ(dlg.height(), 103);
  dlg.Prepare(QStringLiteral("A long message that goes on. ").repeated(20), 0);
  EXPECT_EQ(dlg.width(), 414);
  EXPECT_GT(dlg.height(), 130);
  EXPECT_GE(dlg.Label->height(), dlg.Label->heightForWidth(dlg.Label->width()));
}

// Runs `action` on the modal box once it shows.
void WhenModalShows(std::function<void(TfMessageDlg&)> action) {
  QTimer::singleShot(0, [action] {
    auto* dlg = qobject_cast<TfMessageDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    action(*dlg);
  });
}

TEST_F(MessageDlgTest, ShowMessageDlgReturnsThePressedButtonOrZeroWhenClosed) {
  WhenModalShows([](TfMessageDlg& dlg) { dlg.yestoall->click(); });
  EXPECT_EQ(ShowMessageDlg(QStringLiteral("Replace all?"), 4), 10);

  // The title bar's close button.
  WhenModalShows([](TfMessageDlg& dlg) { dlg.close(); });
  EXPECT_EQ(ShowMessageDlg(QStringLiteral("Replace all?"), 4), 0);

  WhenModalShows([](TfMessageDlg& dlg) { dlg.reject(); });
  EXPECT_EQ(ShowMessageDlg(QStringLiteral("Close?"), 3), 0);
}

TEST_F(MessageDlgTest, ScriptedAnswersGoByText) {
  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  prompts.Answer(LangText(QStringLiteral("ExitMsg")), 6);
  EXPECT_EQ(ShowMessageDlg(LangText(QStringLiteral("ExitMsg")), 10), 6);
  EXPECT_EQ(ShowMessageDlg(LangText(QStringLiteral("DoYou")), 1), 0);
  ASSERT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(prompts.Messages()[0].text, QStringLiteral("ExitMsg"));
  EXPECT_EQ(prompts.Messages()[0].kind, 10);
  EXPECT_EQ(prompts.Messages()[1].kind, 1);

  QDialog dialog;
  dialog.setObjectName(QStringLiteral("fAbout"));
  prompts.AnswerDialog(QStringLiteral("fAbout"), [](QDialog& d) { return d.objectName() == "fAbout" ? 1 : 0; });
  EXPECT_EQ(Prompts().ExecModal(dialog), 1);
  EXPECT_EQ(prompts.Dialogs(), QStringList{QStringLiteral("fAbout")});
}

}  // namespace
