#include "authoring/tidy.h"

#include <QFile>
#include <utility>

#include "modules/ModuleEntries.h"
#include "modules/ModuleLoader.h"
#include "platform/RegularFile.h"

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

TTidy::TTidy(TObject* owner) : owner_(owner) {
  // A linked engine costs nothing to make; the module's waits for Tidy's first use.
  if (Factory()) Engine();
}

TTidy::~TTidy() = default;

ITidyEngine* TTidy::Engine() const {
  if (engine_) return engine_.get();
  engine_.reset(NewTidyEngine());
  if (!engine_) {
    unavailable_ = TidyModuleError();
    return nullptr;  // what was kept stays kept: the module may be mended before the next try
  }
  unavailable_.clear();
  for (const TStep& step : std::exchange(pending_, {})) step(*engine_);
  return engine_.get();
}

void TTidy::Apply(TStep step) {
  if (engine_)
    step(*engine_);
  else
    pending_.push_back(std::move(step));
}

QString TTidy::AltText() const { return GetText(TidyAltText); }
void TTidy::SetAltText(const QString& v) { SetText(TidyAltText, v); }

QString TTidy::ErrorFile() const {
  const ITidyEngine* engine = Engine();
  return engine ? engine->ErrorFile() : QString();
}

void TTidy::SetErrorFile(const QString& v) {
  Apply([v](ITidyEngine& e) { e.SetErrorFile(v); });
}

bool TTidy::LoadConfigFile(const QString& fileName) {
  if (engine_) return engine_->LoadConfigFile(fileName);
  QFile file;
  if (OpenRegularFile(fileName, file) != TRegularOpen::Opened) return false;
  pending_.push_back([fileName](ITidyEngine& e) { e.LoadConfigFile(fileName); });
  return true;
}

void TTidy::SetSourceString(const QString& s) {
  Apply([s](ITidyEngine& e) { e.SetSourceString(s); });
}

void TTidy::Execute(QString& output) {
  output.clear();
  if (ITidyEngine* engine = Engine()) engine->Execute(output, Congruent);
}

void TTidy::Run(QString& output) {
  output.clear();
  if (ITidyEngine* engine = Engine()) engine->Run(output, Congruent);
}

void TTidy::CleanAndSave(QString& output) {
  output.clear();
  if (ITidyEngine* engine = Engine()) engine->CleanAndSave(output, Congruent);
}

void TTidy::Reset() {
  // Without an engine yet there is nothing but the configuration to keep.
  if (engine_) engine_->Reset();
}

QByteArray TTidy::ConfigText() const {
  const ITidyEngine* engine = Engine();
  return engine ? engine->ConfigText() : QByteArray();
}

void TTidy::InstallReport(ITidyEngine& engine) {
  if (!onReport_) return engine.SetOnReport(nullptr);
  engine.SetOnReport([this](int level, unsigned line, unsigned col, const QString& msg, bool& writeOut) {
    onReport_(this, level, line, col, msg, writeOut);
  });
}

void TTidy::SetOnReport(tTidyReportEvent handler) {
  onReport_ = std::move(handler);
  Apply([this](ITidyEngine& e) { InstallReport(e); });
}

void TTidy::SetReportFilter(TidyReportFilter filter) {
  onReport_ = nullptr;
  Apply([filter](ITidyEngine& e) { e.SetReportFilter(filter); });
}
