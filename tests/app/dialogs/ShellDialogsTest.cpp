// Tests of the shell dialogs (app/dialogs/ShellDialogs.cpp).
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "app/dialogs/ShellDialogs.h"
#include "app/sidepane/FileManagerPane.h"
#include "files/FrDirectoryTree.h"
#include "modules/ModuleLoader.h"
#include "platform/MountWatcher.h"
#include "tests/app/AppFixture.h"

namespace {
// A launcher that starts only the programs and addresses it knows.
class TPickyLauncher : public TRecordingLauncher {
 public:
  QStringList available;
  bool Start(const QString& program, const QStringList& arguments, const QString& folder) override {
    TRecordingLauncher::Start(program, arguments, folder);
    return available.contains(program);
  }
  bool Open(const QString& target) override {
    TRecordingLauncher::Open(target);
    return available.contains(target);
  }
  QStringList Tried() const {
    QStringList tried;
    for (const Call& c : calls) tried << (c.program.isEmpty() ? c.target : c.program);
    return tried;
  }
};

QStringList Search(const QString& folder, const QString& pattern) {
  TFileSearch search;
  search.Start(folder, pattern);
  QStringList found;
  while (search.Step(3, [&](const QString& p) { found << p; })) {
  }
  std::sort(found.begin(), found.end());
  return found;
}
}  // namespace

class ShellTools : public AppFixture {
 protected:
  TPickyLauncher picky;
  TLauncherScope pickyScope{picky};
  int ToolMissingBoxes() const {
    int n = 0;
    for (const auto& m : prompts.Messages()) n += m.text.startsWith(LangText(QStringLiteral("ShToolMissing")));
    return n;
  }
};

TEST_F(ShellTools, FallbackOrderAndMissingTools) {
  const QString home = QDir::homePath();
  const QStringList terminals = {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm"};
  const QStringList printers = {"system-config-printer", "http://localhost:631/admin?OP=add-printer"};
  const struct {
    std::function<bool()> execute;
    QStringList available;
    QStringList tried;
    bool result;
  } cases[] = {
      {[] { return TWtAddPrinter().Execute(); }, {printers[1]}, printers, true},
      {[] { return TWtAddPrinter().Execute(); }, {printers[0]}, {printers[0]}, true},
      {[] { return TWtAddPrinter().Execute(); }, {}, printers, false},
      {[] { return TWtCommandPrompt().Execute(); }, {"konsole"}, terminals.mid(0, 3), true},
      {[] { return TWtCommandPrompt().Execute(); }, {}, terminals, false},
  };
  for (const auto& c : cases) {
    picky.calls.clear();
    prompts = TScriptedPrompts();
    picky.available = c.available;
    EXPECT_EQ(c.execute(), c.result);
    EXPECT_EQ(picky.Tried(), c.tried);
    EXPECT_EQ(ToolMissingBoxes(), c.result ? 0 : 1);
  }
}

// The command prompt opens in the file manager's folder (home when it has
// none or it is gone), whichever terminal takes it; the launcher really
// starts a program in the folder it is given.
TEST_F(ShellTools, CommandPromptOpensInTheFolder) {
  const QString folder = root + "my site";
  QDir().mkpath(folder);
  for (const QString terminal : {"x-terminal-emulator", "gnome-terminal", "konsole", "xterm"}) {
    for (const QString& given : {folder, QString(), root + "gone"}) {
      picky.calls.clear();
      picky.available = {terminal};
      TWtCommandPrompt prompt;
      prompt.folder = given;
      EXPECT_TRUE(prompt.Execute());
      ASSERT_FALSE(picky.calls.isEmpty());
      EXPECT_EQ(picky.calls.last().folder, given == folder ? folder : QDir::homePath()) << terminal.toStdString();
    }
  }
  SetLauncher(nullptr);
  const QString out = folder + "/where";
  ASSERT_TRUE(Launcher().Start("/bin/sh", {"-c", "pwd > where.tmp && mv where.tmp where"}, folder));
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(out).isFile(); }, 10000));
  EXPECT_EQ(ReadFileBytes(out).trimmed(), QFile::encodeName(folder));
  SetLauncher(&picky);
}

TEST_F(ShellTools, ConnectMountsTheAddressAsOneArgument) {
  const QString address = QStringLiteral("smb://h/s; rm -rf ~");
  prompts.AnswerDialog(QStringLiteral("NetConnectDlg"), [&](QDialog& d) {
    d.findChild<QLineEdit*>(QStringLiteral("Address"))->setText(address);
    return int(QDialog::Accepted);
  });
  picky.available = {"gio"};
  EXPECT_TRUE(TWtConnectNetwork().Execute());
  ASSERT_EQ(picky.calls.size(), 1);
  EXPECT_EQ(picky.calls[0].program, QStringLiteral("gio"));
  EXPECT_EQ(picky.calls[0].arguments, QStringList({"mount", address}));
  // Without gio the user hears of it.
  picky.available.clear();
  EXPECT_FALSE(TWtConnectNetwork().Execute());
  EXPECT_EQ(ToolMissingBoxes(), 1);
  // Cancelled: nothing runs.
  picky.calls.clear();
  prompts.AnswerDialog(QStringLiteral("NetConnectDlg"), [](QDialog&) { return int(QDialog::Rejected); });
  EXPECT_FALSE(TWtConnectNetwork().Execute());
  EXPECT_TRUE(picky.calls.isEmpty());
}

TEST_F(ShellTools, DisconnectOffersOnlyNetworkMounts) {
  TFakeMountSource mounts;
  mounts.mounts = {{"/", "", "ext4", TDriveType::Fixed},
                   {"/mnt/share", "", "cifs", TDriveType::Remote},
                   {"/media/usb", "", "vfat", TDriveType::Removable},
                   {"/mnt/nfs", "", "nfs4", TDriveType::Remote}};
  QStringList offered;
  prompts.AnswerDialog(QStringLiteral("NetDisconnectDlg"), [&](QDialog& d) {
    auto* list = d.findChild<QListWidget*>(QStringLiteral("Mounts"));
    for (int i = 0; i < list->count(); ++i) offered << list->item(i)->text();
    list->setCurrentRow(1);
    return int(QDialog::Accepted);
  });
  picky.available = {"gio"};
  EXPECT_TRUE(TWtDisconnectNetwork(&mounts).Execute());
  EXPECT_EQ(offered, QStringList({"/mnt/share", "/mnt/nfs"}));
  EXPECT_EQ(picky.calls.last().arguments, QStringList({"mount", "-u", "/mnt/nfs"}));
  mounts.mounts.remove(1);
  mounts.mounts.removeLast();
  EXPECT_FALSE(TWtDisconnectNetwork(&mounts).Execute());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, LangText(QStringLiteral("ShNoNetMounts")));
}

TEST_F(ShellTools, FindFilesNestedCaseInsensitiveNoLinksStoppable) {
  const QString base = root + QStringLiteral("tree/");
  for (const char* f : {"a/Index.HTML", "a/b/c/deep.html", "a/b/skip.css", "top.htm", "x.html"}) {
    QDir().mkpath(QFileInfo(base + QLatin1String(f)).absolutePath());
    WriteFileBytes(base + QLatin1String(f), "x");
  }
  // A link back to the top must not be walked, nor a linked file reported.
  QFile::link(base, base + QStringLiteral("a/b/loop"));
  QFile::link(base + QStringLiteral("x.html"), base + QStringLiteral("a/link.html"));
  EXPECT_EQ(Search(base, QStringLiteral("*.html")),
            QStringList({base + "a/Index.HTML", base + "a/b/c/deep.html", base + "x.html"}));
  EXPECT_EQ(Search(base, QStringLiteral("*.htm; *.css")), QStringList({base + "a/b/skip.css", base + "top.htm"}));

  TFileSearch search;
  search.Start(base, QStringLiteral("*"));
  int found = 0;
  EXPECT_TRUE(search.Step(1, [&](const QString&) { ++found; }));
  search.Stop();
  EXPECT_FALSE(search.Running());
  EXPECT_FALSE(search.Step(100, [&](const QString&) { ++found; }));

  TFindFilesDialog dialog(base);
  dialog.NameEdit->setText(QStringLiteral("*.HTML"));
  dialog.StartSearch();
  EXPECT_FALSE(dialog.FindButton->isEnabled());
  for (int i = 0; i < 100 && dialog.StopButton->isEnabled(); ++i) QCoreApplication::processEvents();
  EXPECT_EQ(dialog.Results->count(), 3);
  EXPECT_TRUE(dialog.FindButton->isEnabled());
}

TEST_F(ShellTools, MenusReachEveryToolAndWindow) {
  picky.available = {"xterm", "system-config-printer"};
  for (const char* name : {"MM_AddPrinter", "ScrP", "MM_SFile", "MM_FindC", "About1", "UpdCheck"})
    Main().findChild<QAction*>(QLatin1String(name))->trigger();
  EXPECT_EQ(picky.Tried().mid(0, 1), QStringList{"system-config-printer"});
  EXPECT_EQ(picky.Tried().last(), QStringLiteral("xterm"));
  EXPECT_EQ(prompts.Dialogs(), QStringList({"FindFilesDlg", "FindComputerDlg", "fAbout", "fUpdate"}));
}

TEST_F(ShellTools, SearchForAFileStartsAtTheFileManagersFolder) {
  const QString folder = root + "site";
  QDir().mkpath(folder + "/sub");
  Ini().WriteString("Work", "Dir", folder);
  QString shown;
  const auto answer = [&shown](QDialog& d) {
    shown = static_cast<TFindFilesDialog&>(d).FolderEdit->text();
    return int(QDialog::Rejected);
  };
  prompts.AnswerDialog(QStringLiteral("FindFilesDlg"), answer);
  Main().findChild<QAction*>("MM_SFile")->trigger();
  EXPECT_EQ(shown, folder) << "before the pane is built: the folder it will show";
  Main().EnsureSidePane();
  Main().FileManager->FrDirectoryTree1->OpenPath(folder + "/sub");
  prompts.AnswerDialog(QStringLiteral("FindFilesDlg"), answer);
  Main().findChild<QAction*>("MM_SFile")->trigger();
  EXPECT_EQ(shown, folder + "/sub");
}

// Looking a computer up: its address from the network module; without the
// module the dialog says so and is ready for another try.
TEST_F(ShellTools, FindComputerWithAndWithoutTheNetworkModule) {
  TFindComputerDialog dialog;
  dialog.NameEdit->setText("localhost");
  dialog.StartLookup();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.FindButton->isEnabled(); }, 10000));
  EXPECT_TRUE(dialog.ResultLabel->text().contains("127.0.0.1") || dialog.ResultLabel->text().contains("::1"))
      << dialog.ResultLabel->text().toStdString();

  Modules::SetFolder(root + "no-modules");
  dialog.StartLookup();
  Modules::SetFolder(QString());
  EXPECT_TRUE(dialog.FindButton->isEnabled());
  EXPECT_TRUE(dialog.ResultLabel->text().startsWith(LangText("NetworkMissing") + "\n"));
  EXPECT_FALSE(dialog.ResultLabel->text().section(u'\n', 1).isEmpty()) << "with the reason";
}
