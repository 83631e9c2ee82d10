// Small building blocks shared by the components: a root class with a class
// name, comparable method pointers and the keyboard shift state.
#pragma once

#include <cstdint>
#include <utility>

// Root of the classes that act as senders of notifications.
class TObject {
 public:
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

// A bound method: an object and a function called with it. Two methods are
// equal when both the object and the function are, so a method can be looked
// up and removed from a list it was added to.
template <class... Args>
struct TMethod {
  using Code = void (*)(void*, Args...);
  void* data = nullptr;
  Code code = nullptr;

  // TMethod<...>::Bind<&T::Member>(object)
  template <auto Member, class T>
  static TMethod Bind(T* object) {
    return TMethod{object, [](void* d, Args... args) { (static_cast<T*>(d)->*Member)(std::forward<Args>(args)...); }};
  }
  // A plain function, optionally with a context pointer.
  static TMethod FromFunction(Code fn, void* context = nullptr) { return TMethod{context, fn}; }

  explicit operator bool() const { return code != nullptr; }
  void operator()(Args... args) const { code(data, std::forward<Args>(args)...); }
  bool operator==(const TMethod& other) const = default;
};

using TNotifyEvent = TMethod<TObject*>;

// Modifier keys and mouse buttons held during an input event.
enum TShiftStateFlag : std::uint16_t {
  ssShift = 1 << 0,
  ssAlt = 1 << 1,
  ssCtrl = 1 << 2,
  ssLeft = 1 << 3,
  ssRight = 1 << 4,
  ssMiddle = 1 << 5,
  ssDouble = 1 << 6,
};
using TShiftState = std::uint16_t;

// Font styles as a set of bits.
enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;
