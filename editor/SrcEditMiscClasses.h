// Option objects of the editor (gutter, selection colours, bookmark options),
// the multicast notification chain and the shared bookmark glyph strip.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>
#include <vector>

#include "editor/SrcEditMiscProcs.h"
#include "editor/SrcEditTypes.h"
#include "platform/Colors.h"
#include "platform/ImageList.h"
#include "platform/Types.h"

class QPainter;

using TOnChange = std::function<void(TObject* sender)>;

// Selection colours.
class TSrcSelectedColor : public TObject {
 public:
  const char* ClassName() const override { return "TSrcSelectedColor"; }
  TColor Background() const { return background_; }
  TColor Foreground() const { return foreground_; }
  void SetBackground(TColor value);
  void SetForeground(TColor value);
  // Copies every property from an object of the same class and notifies
  // once; any other source raises EConvertError.
  void Assign(const TObject* source);

  TOnChange OnChange;

 private:
  void Changed();
  TColor background_ = clHighlight;
  TColor foreground_ = clHighlightText;
};

// The gutter: the band left of the text with line numbers and marks.
class TSrcGutter : public TObject {
 public:
  TSrcGutter();
  const char* ClassName() const override { return "TSrcGutter"; }

  bool AutoSize() const { return autoSize_; }
  TColor Color() const { return color_; }
  Qt::CursorShape Cursor() const { return cursor_; }
  int DigitCount() const { return digitCount_; }
  const QFont& Font() const { return font_; }
  // The colour of the line numbers (the gutter font's colour).
  TColor FontColor() const { return fontColor_; }
  bool LeadingZeros() const { return leadingZeros_; }
  int LeftOffset() const { return leftOffset_; }
  int RightOffset() const { return rightOffset_; }
  bool ShowLineNumbers() const { return showLineNumbers_; }
  bool UseFontStyle() const { return useFontStyle_; }
  bool Visible() const { return visible_; }
  int Width() const { return width_; }
  bool ZeroStart() const { return zeroStart_; }

  void SetAutoSize(bool value);
  void SetColor(TColor value);
  void SetCursor(Qt::CursorShape value);
  void SetDigitCount(int value);  // clamped to 2..12
  void SetFont(const QFont& value);
  void SetFontColor(TColor value);
  void SetLeadingZeros(bool value);
  void SetLeftOffset(int value);   // negative values become 0
  void SetRightOffset(int value);  // negative values become 0
  void SetShowLineNumbers(bool value);
  void SetUseFontStyle(bool value);
  void SetVisible(bool value);
  void SetWidth(int value);  // negative values become 0
  void SetZeroStart(bool value);

  void Assign(const TObject* source);

  // The digit count in use.
  int AutoSizeDigitCount() const { return autoSizeDigitCount_; }
  // Recomputes the digit count in use for a number of lines.
  void AutoSizeDigitCount(int linesCount);
  // A line number (counted from 1) as shown in the gutter.
  QString FormatLineNumber(int line) const;
  // The gutter width in pixels for a character width.
  int RealGutterWidth(int charWidth) const;
  // The font the numbers are drawn in: the gutter font, without its style
  // unless UseFontStyle is set.
  QFont NumberFont() const;

  TOnChange OnChange;

 private:
  void Changed();
  bool autoSize_ = false;
  TColor color_ = clBtnFace;
  Qt::CursorShape cursor_ = Qt::ArrowCursor;
  int digitCount_ = 4;
  QFont font_;
  TColor fontColor_ = clWindowText;
  bool leadingZeros_ = false;
  int leftOffset_ = 16;
  int rightOffset_ = 2;
  bool showLineNumbers_ = false;
  bool useFontStyle_ = true;
  bool visible_ = true;
  int width_ = 30;
  bool zeroStart_ = false;
  int autoSizeDigitCount_ = 4;
};

// How bookmarks are shown and reached.
class TSrcBookMarkOpt : public TObject {
 public:
  explicit TSrcBookMarkOpt(TObject* owner = nullptr) : owner_(owner) {}
  const char* ClassName() const override { return "TSrcBookMarkOpt"; }

  TImageList* BookmarkImages() const { return bookmarkImages_.data(); }
  bool DrawBookmarksFirst() const { return drawBookmarksFirst_; }
  bool EnableKeys() const { return enableKeys_; }
  bool GlyphsVisible() const { return glyphsVisible_; }
  int LeftMargin() const { return leftMargin_; }
  int Xoffset() const { return xoffset_; }
  TObject* Owner() const { return owner_; }

  // The option keeps a guarded pointer: when the image list is destroyed it
  // reads as none.
  void SetBookmarkImages(TImageList* value);
  void SetDrawBookmarksFirst(bool value);
  void SetEnableKeys(bool value);
  void SetGlyphsVisible(bool value);
  void SetLeftMargin(int value);
  void SetXoffset(int value);

  void Assign(const TObject* source);

  TOnChange OnChange;

 private:
  void Changed();
  TObject* owner_;
  QPointer<TImageList> bookmarkImages_;
  bool drawBookmarksFirst_ = true;
  bool enableKeys_ = true;
  bool glyphsVisible_ = true;
  int leftMargin_ = 2;
  int xoffset_ = 12;
};

class ESrcMethodChain : public ESrcEditError {
 public:
  using ESrcEditError::ESrcEditError;
};

class TSrcMethodChain;
// (chain, exception, continue): with continue left true the chain goes on.
using TSrcExceptionEvent = std::function<void(TSrcMethodChain* sender, const std::exception& e, bool& doContinue)>;

// The common part of method chains: the error policy of Fire.
class TSrcMethodChain : public TObject {
 public:
  const char* ClassName() const override { return "TSrcMethodChain"; }
  TSrcExceptionEvent OnHandlerError;

 protected:
  // Runs one call of the chain. Returns false when the chain must stop. An
  // exception goes to OnHandlerError when assigned (and is consumed), else on
  // to the caller of Fire.
  template <class F>
  bool CallGuarded(F&& call) {
    if (!OnHandlerError) {
      call();
      return true;
    }
    try {
      call();
    } catch (const std::exception& e) {
      bool doContinue = true;
      OnHandlerError(this, e, doContinue);
      return doContinue;
    }
    return true;
  }
  [[noreturn]] void RaiseMissing(const char* operation) const;
};

// A chain of notify events, each called with the sender given at creation.
class TSrcNotifyEventChain : public TSrcMethodChain {
 public:
  explicit TSrcNotifyEventChain(TObject* sender) : sender_(sender) {}
  const char* ClassName() const override { return "TSrcNotifyEventChain"; }
  int Count() const { return static_cast<int>(methods_.size()); }
  // Appends the method; a method without code raises ESrcMethodChain.
  void Add(const TNotifyEvent& event);
  // Removes every entry equal to the method.
  void Remove(const TNotifyEvent& event);
  void Fire();
  TObject* Sender() const { return sender_; }

 private:
  TObject* sender_;
  std::vector<TNotifyEvent> methods_;
};

// A strip of equally wide images from a named bitmap, shared by all editors.
class TSrcInternalImage {
 public:
  TSrcInternalImage(const QString& name, int count);
  ~TSrcInternalImage();
  TSrcInternalImage(const TSrcInternalImage&) = delete;
  TSrcInternalImage& operator=(const TSrcInternalImage&) = delete;

  int Count() const { return count_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Draws image `number` at (x, y) inside a line of `lineHeight` pixels:
  // centred vertically, or its middle part when it is taller than the line.
  void Draw(QPainter& painter, int number, int x, int y, int lineHeight) const;

  // Number of distinct bitmaps currently shared (for leak checks).
  static int SharedCount();

 private:
  QString key_;
  const QImage* bitmap_;
  int count_;
  int width_;
  int height_;
};

// The name of the editor's bookmark glyphs and their number.
inline const char* const kSrcEditInternalImages = "SrcEditInternalImages";
inline constexpr int kSrcEditInternalImageCount = 10;
