// The engine behind TTidy: one HTML Tidy document with its options. The
// program gets it from the tidy module (tidy-module.so, loaded when a
// document window first needs Tidy), so that starting the program does not
// load libtidy; the Tidy helper and tests link it in (UseLinkedTidyEngine).
#pragma once

#include <tidy/tidy.h>

#include <QByteArray>
#include <QString>
#include <functional>

class ITidyEngine {
 public:
  // level (counted from Tidy's information level), line, column, message;
  // clearing writeOut keeps Tidy from writing the message to its own output.
  using TReport = std::function<void(int level, unsigned line, unsigned col, const QString& msg, bool& writeOut)>;

  virtual ~ITidyEngine() = default;
  virtual bool GetBool(TidyOptionId id) const = 0;
  virtual void SetBool(TidyOptionId id, bool v) = 0;
  virtual int GetInt(TidyOptionId id) const = 0;
  virtual void SetInt(TidyOptionId id, int v) = 0;
  virtual QString GetText(TidyOptionId id) const = 0;
  virtual void SetText(TidyOptionId id, const QString& v) = 0;
  virtual QString ErrorFile() const = 0;
  virtual void SetErrorFile(const QString& v) = 0;
  // False once Tidy refused an option value.
  virtual bool OptionsOk() const = 0;
  // Reads a Tidy configuration file; only a regular file is opened (a FIFO
  // or a device in its place gives false at once).
  virtual bool LoadConfigFile(const QString& fileName) = 0;
  virtual void SetSourceString(const QString& s) = 0;
  // `congruent` as TTidy::Congruent.
  virtual void Execute(QString& output, bool& congruent) = 0;
  virtual void Run(QString& output, bool& congruent) = 0;
  virtual void CleanAndSave(QString& output, bool& congruent) = 0;
  virtual void Reset() = 0;
  // The most bytes of output a save keeps (negative: no bound). A save that
  // would give more keeps none: the output is empty and OutputCut() true
  // until the next run.
  virtual void SetOutputLimit(qint64 bytes) = 0;
  virtual bool OutputCut() const = 0;
  virtual QByteArray ConfigText() const = 0;
  virtual void SetOnReport(TReport handler) = 0;
  virtual void SetReportFilter(TidyReportFilter filter) = 0;
  virtual TidyDoc Document() const = 0;
};

// Where new engines come from: the tidy module unless set (null: the module
// again). The factory returns null when it has no engine to give.
using TTidyEngineFactory = ITidyEngine* (*)();
void SetTidyEngineFactory(TTidyEngineFactory factory);
// A new engine; null when the tidy module cannot be loaded: TidyModuleError()
// then says why.
ITidyEngine* NewTidyEngine();
QString TidyModuleError();
// Makes the engine linked into this program the one every TTidy uses.
void UseLinkedTidyEngine();
