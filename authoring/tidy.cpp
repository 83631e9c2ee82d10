#include "authoring/tidy.h"

#include "modules/ModuleEntries.h"
#include "modules/ModuleLoader.h"

namespace {

TTidyEngineFactory& Factory() {
  static TTidyEngineFactory factory = nullptr;
  return factory;
}

const QString& ModuleFile() {
  static const QString file = QStringLiteral(KV_TIDY_MODULE_FILE);
  return file;
}

}  // namespace

void SetTidyEngineFactory(TTidyEngineFactory factory) { Factory() = factory; }

ITidyEngine* NewTidyEngine() {
  if (Factory()) return Factory()();
  const auto entry = KV_MODULE_ENTRY(ModuleFile(), KvNewTidyEngine);
  return entry ? entry() : nullptr;
}

QString TidyModuleError() { return Factory() ? QString() : Modules::Error(ModuleFile()); }

TTidy::TTidy(TObject* owner) : engine_(NewTidyEngine()), owner_(owner) {
  if (!engine_) unavailable_ = TidyModuleError();
}

TTidy::~TTidy() = default;

QString TTidy::AltText() const { return GetText(TidyAltText); }
void TTidy::SetAltText(const QString& v) { SetText(TidyAltText, v); }
QString TTidy::ErrorFile() const { return engine_ ? engine_->ErrorFile() : QString(); }

void TTidy::SetErrorFile(const QString& v) {
  if (engine_) engine_->SetErrorFile(v);
}

bool TTidy::LoadConfigFile(const QString& fileName) { return engine_ && engine_->LoadConfigFile(fileName); }

void TTidy::SetSourceString(const QString& s) {
  if (engine_) engine_->SetSourceString(s);
}

void TTidy::Execute(QString& output) {
  output.clear();
  if (engine_) engine_->Execute(output, Congruent);
}

void TTidy::Run(QString& output) {
  output.clear();
  if (engine_) engine_->Run(output, Congruent);
}

void TTidy::CleanAndSave(QString& output) {
  output.clear();
  if (engine_) engine_->CleanAndSave(output, Congruent);
}

void TTidy::Reset() {
  if (engine_) engine_->Reset();
}

QByteArray TTidy::ConfigText() const { return engine_ ? engine_->ConfigText() : QByteArray(); }

void TTidy::SetOnReport(tTidyReportEvent handler) {
  onReport_ = std::move(handler);
  if (!engine_) return;
  if (!onReport_) return engine_->SetOnReport(nullptr);
  engine_->SetOnReport([this](int level, unsigned line, unsigned col, const QString& msg, bool& writeOut) {
    onReport_(this, level, line, col, msg, writeOut);
  });
}

void TTidy::SetReportFilter(TidyReportFilter filter) {
  onReport_ = nullptr;
  if (engine_) engine_->SetReportFilter(filter);
}
