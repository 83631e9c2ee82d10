#include "modules/ModuleEntries.h"
#include "modules/ModuleLoader.h"
#include "modules/PrintModule.h"
#include "platform/SafeFile.h"

namespace PrintModule {
namespace {

// Printing into a PDF file through the safe save: the module's canvas draws
// into the save's device, which is opened when the job starts and put in
// place when it ends whole. Bytes bound for a file written in place gather in
// a temporary first.
class TSafePdfCanvas : public TPrintCanvas {
 public:
  TSafePdfCanvas(const QString& fileName, const TInPlaceQuestion& askWriteProtected)
      : file_(std::make_unique<TSafeFile>(fileName, [askWriteProtected](const QString& name, TInPlaceReason reason) {
          if (reason != TInPlaceReason::WriteProtected) return true;
          return askWriteProtected && askWriteProtected(name, reason);
        })) {
    file_->StageInPlace();
  }
  // The pages are drawn by `canvas`, made on Device().
  void Draw(std::unique_ptr<TPrintCanvas> canvas) { canvas_ = std::move(canvas); }
  QIODevice* Device() { return file_.get(); }

  TSrcEditPrinterGeometry Geometry() const override { return canvas_->Geometry(); }
  bool BeginDoc(const QString& title) override {
    try {
      file_->Open();
    } catch (const Exception& e) {
      error_ = e.Message();  // said with the failure
      return false;
    }
    return canvas_->BeginDoc(title);
  }
  void NewPage() override { canvas_->NewPage(); }
  bool EndDoc() override {
    if (!canvas_->EndDoc() || !file_->isOpen()) return false;
    try {
      file_->Commit();
    } catch (const Exception& e) {
      error_ = e.Message();
      return false;
    }
    return true;
  }
  QString Error() const override {
    if (error_.isEmpty() && file_->WriteFailed()) return file_->errorString();
    return error_;
  }
  // The temporary goes with the canvas; the file stays as it was.
  void Abort() override { canvas_->Abort(); }
  void SetFont(const QFont& font) override { canvas_->SetFont(font); }
  QFont Font() const override { return canvas_->Font(); }
  TPrintFontMetrics Metrics() const override { return canvas_->Metrics(); }
  int TextWidth(const QString& text) const override { return canvas_->TextWidth(text); }
  void DrawText(int x, int y, const QString& text, const QColor& color, const QColor& background, int cellWidth,
                bool baseline) override {
    canvas_->DrawText(x, y, text, color, background, cellWidth, baseline);
  }
  void FillRect(const QRect& rect, const QColor& color) override { canvas_->FillRect(rect, color); }
  void DrawRect(const QRect& rect, const QColor& pen, const QColor& brush) override {
    canvas_->DrawRect(rect, pen, brush);
  }
  void DrawLine(int x1, int y1, int x2, int y2, const QColor& color) override {
    canvas_->DrawLine(x1, y1, x2, y2, color);
  }

 private:
  std::unique_ptr<TSafeFile> file_;  // goes last: the canvas writes into it
  std::unique_ptr<TPrintCanvas> canvas_;
  QString error_;  // why the file could not be kept
};

}  // namespace

QString File() { return QStringLiteral(KV_PRINT_MODULE_FILE); }

bool HasPrinter() {
  const auto has = KV_MODULE_ENTRY(File(), KvHasPrinter);
  return has && has();
}

std::unique_ptr<TPrintCanvas> OpenCanvas(const QString& pdfFile, const TInPlaceQuestion& askWriteProtected) {
  const auto open = KV_MODULE_ENTRY(File(), KvOpenPrintCanvas);
  if (!open) return nullptr;
  if (pdfFile.isEmpty()) return std::unique_ptr<TPrintCanvas>(open(nullptr));
  auto canvas = std::make_unique<TSafePdfCanvas>(pdfFile, askWriteProtected);
  canvas->Draw(std::unique_ptr<TPrintCanvas>(open(canvas->Device())));
  return canvas;
}

}  // namespace PrintModule
