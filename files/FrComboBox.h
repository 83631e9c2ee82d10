// Framed combo boxes: the combo-box base with type-ahead search in the list
// styles and auto-complete in the edit style, and the font picker built on it.
#pragma once

#include <QComboBox>
#include <QFont>
#include <functional>
#include <memory>
#include <optional>

#include "files/FramedControl.h"

// The one-shot timer that ends a type-ahead search; tests put a fake in place.
class TSearchTimer {
 public:
  virtual ~TSearchTimer() = default;
  // (Re)starts the timer; `fire` runs once when it elapses.
  virtual void Start(int ms, std::function<void()> fire) = 0;
};

class TFrCustomComboBox : public QComboBox {
  Q_OBJECT
 public:
  static constexpr int kSearchResetMs = 1500;

  explicit TFrCustomComboBox(QWidget* parent = nullptr);
  ~TFrCustomComboBox() override;

  TFrameState& Frame() { return frame_; }
  bool FlatButtons() const { return flatButtons_; }
  void SetFlatButtons(bool v);
  int DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(int w);
  bool AutoComplete() const { return autoComplete_; }
  void SetAutoComplete(bool v) { autoComplete_ = v; }
  bool BeepOnMiss() const { return beepOnMiss_; }
  void SetBeepOnMiss(bool v) { beepOnMiss_ = v; }
  const QString& SearchText() const { return search_; }
  void SetSearchTimer(std::unique_ptr<TSearchTimer> timer);

 signals:
  void Click();
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  bool event(QEvent* e) override;
  void showPopup() override;

 private:
  void SelectAndNotify(int index);
  void TypeAhead(QKeyEvent* e);
  void Complete(QKeyEvent* e);
  void PaintFrame();

  TFrameState frame_;
  bool flatButtons_ = true;
  int dropDownWidth_ = 0;
  bool autoComplete_ = true;
  bool beepOnMiss_ = true;
  QString search_;
  std::unique_ptr<TSearchTimer> timer_;
};

enum class TFontDevice { fdScreen, fdPrinter };
enum class TFontType { ftAll, ftTrueType, ftFixedPitch, ftPrinter };
enum class TShowStyle { ssFontName, ssFontSample, ssFontNameAndSample };

// Pitch-and-family flags kept with each family.
inline constexpr int kPitchVariable = 1;  // set: variable pitch; clear: fixed pitch
inline constexpr int kTrueType = 4;       // an outline font

struct TFontFamily {
  QString name;
  bool fixedPitch = false;
  bool scalable = true;
};

class TFrFontComboBox : public TFrCustomComboBox {
  Q_OBJECT
 public:
  explicit TFrFontComboBox(QWidget* parent = nullptr);

  // Where families come from (the font database unless replaced).
  static void SetFamilySource(std::function<QList<TFontFamily>()> source);

  TFontDevice FontDevice() const { return device_; }
  void SetFontDevice(TFontDevice d);
  TFontType FontType() const { return type_; }
  void SetFontType(TFontType t);
  TShowStyle ShowStyle() const { return showStyle_; }
  void SetShowStyle(TShowStyle s);
  QString FontName() const { return currentIndex() < 0 ? QString() : currentText(); }
  void SetFontName(const QString& name);
  int FontSize() const { return fontSize_; }
  void SetFontSize(int size) { fontSize_ = size; }
  // Bits: 1 bold, 2 italic, 4 underline, 8 strike-out.
  int FontStyle() const { return fontStyle_; }
  void SetFontStyle(int style) { fontStyle_ = style; }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  // The selected family in FontSize and FontStyle; nothing when none is selected.
  std::optional<QFont> SelectedFont() const;
  void SetSelectedFont(const QFont& font) { SetFontName(font.family()); }
  // Fills the list again, keeping the selected name.
  void Refill();
  // The glyph kind an item shows: 0 TrueType fixed, 1 TrueType, 2 fixed, 3 printer, 4 device.
  int GlyphKind(int index) const;

 private:
  TFontDevice device_ = TFontDevice::fdScreen;
  TFontType type_ = TFontType::ftAll;
  TShowStyle showStyle_ = TShowStyle::ssFontName;
  int fontSize_ = 8;
  int fontStyle_ = 0;
  bool sorted_ = true;
};
