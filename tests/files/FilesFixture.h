// The file controls wired to the program's language module and prompts, as
// the application wires them, with scripted answers and a fake launcher.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ostream>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "files/FileServices.h"
#include "platform/MountWatcher.h"
#include "tests/common/TestUtil.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class FilesFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Language().LoadFromFile(QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms")));
    SetFileServices({[](const QString& key) { return LangText(key); },
                     [](QDialog& d) { return Prompts().ExecModal(d); },
                     [](const QString& text, int kind) { return Prompts().MessageDlg(text, kind); },
                     [this](const QString& path) {
                       opened << path;
                       return openResult;
                     },
                     [this] { ++beeps; }});
    root = dir.path();
  }
  void TearDown() override { TMountWatcher::Instance().SetSource(nullptr); }

  // Makes empty files and folders (names ending in "/") below the temporary folder.
  void Make(const QStringList& names) {
    for (const QString& n : names) {
      if (n.endsWith(u'/'))
        ASSERT_TRUE(QDir(root).mkpath(n));
      else {
        ASSERT_TRUE(QDir(root).mkpath(QFileInfo(n).path()));
        ASSERT_TRUE(WriteFileBytes(root + u'/' + n, "x"));
      }
    }
  }
  QStringList Messages() const {
    QStringList texts;
    for (const auto& m : prompts.Messages()) texts << m.text;
    return texts;
  }

  QTemporaryDir dir;
  QString root;
  TScriptedPrompts prompts;
  TPromptsScope scope{prompts};
  QStringList opened;
  bool openResult = true;
  int beeps = 0;
};
