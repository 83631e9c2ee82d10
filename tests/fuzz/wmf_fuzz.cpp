// Fuzz target for the metafile picture: every input is measured and drawn
// within a picture budget, as a thumbnail (at most 256 pixels on its longer
// side) and at full size, where bitmaps, patterns and clips cost the most.
// Built by -DKV_BUILD_FUZZ=ON with clang; see tests/fuzz/CMakeLists.txt for
// how to run it.
#include <QByteArray>
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#include "platform/Exceptions.h"
#include "platform/PictureDecoder.h"
#include "platform/WmfPicture.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
  if (!WmfPicture::IsWmf(data)) return 0;
  QSize thumbnail = WmfPicture::Size(data);
  if (thumbnail.isValid() && (thumbnail.width() > 256 || thumbnail.height() > 256))
    thumbnail.scale(256, 256, Qt::KeepAspectRatio);
  for (const QSize target : {thumbnail, QSize()}) {
    const std::shared_ptr<PictureDecoder::TPictureBudget> budget = PictureDecoder::TPictureBudget::Create();
    try {
      const PictureDecoder::TDecoded decoded = WmfPicture::Render(data, *budget, target);
      if (decoded.image.width() > WmfPicture::kMaxSide || decoded.image.height() > WmfPicture::kMaxSide) std::abort();
    } catch (const Exception&) {
    }
    if (budget->Used() != 0) std::abort();  // every charge given back
  }
  return 0;
}
