// The Tidy engine on libtidy (see TidyEngine.h).
#pragma once

#include "authoring/TidyEngine.h"

class TLibTidy : public ITidyEngine {
 public:
  TLibTidy();
  ~TLibTidy() override;
  TLibTidy(const TLibTidy&) = delete;
  TLibTidy& operator=(const TLibTidy&) = delete;

  bool GetBool(TidyOptionId id) const override;
  void SetBool(TidyOptionId id, bool v) override;
  int GetInt(TidyOptionId id) const override;
  void SetInt(TidyOptionId id, int v) override;
  QString GetText(TidyOptionId id) const override;
  void SetText(TidyOptionId id, const QString& v) override;
  QString ErrorFile() const override;
  void SetErrorFile(const QString& v) override;
  bool OptionsOk() const override { return optionsOk_; }
  bool LoadConfigFile(const QString& fileName) override;
  void SetSourceString(const QString& s) override;
  void Execute(QString& output, bool& congruent) override;
  void Run(QString& output, bool& congruent) override;
  void CleanAndSave(QString& output, bool& congruent) override;
  void Reset() override;
  void SetOutputLimit(qint64 bytes) override { outputLimit_ = bytes; }
  bool OutputCut() const override { return outputCut_; }
  QByteArray ConfigText() const override;
  void SetOnReport(TReport handler) override;
  void SetReportFilter(TidyReportFilter filter) override;
  TidyDoc Document() const override { return doc_; }

 private:
  void InstallReportHandler();
  QByteArray SaveOutput();
  static Bool TIDY_CALL ReportMessage(TidyMessage message);

  TidyDoc doc_ = nullptr;
  TReport onReport_;
  TidyReportFilter rawFilter_ = nullptr;
  bool optionsOk_ = true;
  bool hasSource_ = false;
  bool muted_ = false;
  qint64 outputLimit_ = -1;
  bool outputCut_ = false;
  QByteArray source_;
};
