// Pictures as the window framework knows them: an abstract graphic that can
// be loaded, saved, drawn and put on the clipboard, and the registry of
// picture file formats (extension, description, factory) through which the
// picture loader and the open dialogs find a class for a file.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QMimeData;
class QPainter;
class QRect;

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual const char* ClassName() const { return "TGraphic"; }

  // Copying between graphics; the base refuses with EConvertError.
  virtual void Assign(const TGraphic& source);
  virtual void AssignTo(TGraphic& dest) const;

  virtual void Draw(QPainter& canvas, const QRect& rect) = 0;
  virtual bool GetEmpty() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual bool GetTransparent() const { return false; }

  virtual void LoadFromStream(QIODevice& stream) = 0;
  virtual void SaveToStream(QIODevice& stream) = 0;
  // Whole files; open failures raise EFOpenError / EFCreateError. A name that
  // leads to a FIFO, a device or a folder is refused unopened.
  void LoadFromFile(const QString& fileName);
  void SaveToFile(const QString& fileName);

  virtual void LoadFromClipboardFormat(const QMimeData& data) = 0;
  virtual void SaveToClipboardFormat(QMimeData& data) = 0;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TPictureFileFormat {
  QString extension;  // without the dot, compared without regard to case
  QString description;
  const void* classId;  // identifies the registering class
  TGraphicFactory factory;
};

// The registry of picture file formats.
class TPicture {
 public:
  static void RegisterFileFormat(const QString& extension, const QString& description, const void* classId,
                                 TGraphicFactory factory);
  static void UnregisterGraphicClass(const void* classId);
  // The format registered for an extension (with or without the dot), or null.
  static const TPictureFileFormat* FindFormat(const QString& extension);
  // A new graphic for the extension of a file name; null when none is registered.
  static std::unique_ptr<TGraphic> CreateForFile(const QString& fileName);
  // Open-dialog filter: "All (*.a;*.b)" then one entry per format.
  static QString GraphicFilter();
  static std::vector<TPictureFileFormat> Formats();
};
