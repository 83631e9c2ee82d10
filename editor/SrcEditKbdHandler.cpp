#include "editor/SrcEditKbdHandler.h"

#include <algorithm>

#include "platform/ScopeExit.h"

namespace {

template <class T>
void RemoveAll(std::vector<T>& list, const T& item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

void TSrcEditKbdHandler::AddKeyDownHandler(const TKeyEvent& handler) {
  if (handler) keyDownHandlers_.push_back(handler);
}
void TSrcEditKbdHandler::RemoveKeyDownHandler(const TKeyEvent& handler) { RemoveAll(keyDownHandlers_, handler); }
void TSrcEditKbdHandler::AddKeyPressHandler(const TKeyPressEvent& handler) {
  if (handler) keyPressHandlers_.push_back(handler);
}
void TSrcEditKbdHandler::RemoveKeyPressHandler(const TKeyPressEvent& handler) { RemoveAll(keyPressHandlers_, handler); }

void TSrcEditKbdHandler::ExecuteKeyDown(TObject* sender, std::uint16_t& key, TShiftState shift) {
  if (inKeyDown_) return;
  inKeyDown_ = true;
  ScopeExit busy([this] { inKeyDown_ = false; });
  const auto handlers = keyDownHandlers_;
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    (*it)(sender, key, shift);
    if (key == 0) return;
  }
  if (hostKeyDown_) hostKeyDown_(sender, key, shift);
}

void TSrcEditKbdHandler::ExecuteKeyPress(TObject* sender, QChar& key) {
  if (inKeyPress_) return;
  inKeyPress_ = true;
  ScopeExit busy([this] { inKeyPress_ = false; });
  const auto handlers = keyPressHandlers_;
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    (*it)(sender, key);
    if (key.isNull()) return;
  }
  if (hostKeyPress_) hostKeyPress_(sender, key);
}
