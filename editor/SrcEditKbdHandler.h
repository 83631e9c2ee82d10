// Lets other objects see the editor's keys before its own handlers: extra
// key-down and key-press handlers are called from the last added to the
// first; the first that clears the key ends the dispatch, otherwise the
// host's handler runs.
#pragma once

#include <QChar>
#include <cstdint>
#include <vector>

#include "platform/Types.h"

using TKeyEvent = TMethod<TObject*, std::uint16_t&, TShiftState>;
using TKeyPressEvent = TMethod<TObject*, QChar&>;

class TSrcEditKbdHandler {
 public:
  // The host's own handlers (what the editor's OnKeyDown / OnKeyPress hold).
  const TKeyEvent& OnKeyDown() const { return hostKeyDown_; }
  const TKeyPressEvent& OnKeyPress() const { return hostKeyPress_; }
  void SetOnKeyDown(const TKeyEvent& handler) { hostKeyDown_ = handler; }
  void SetOnKeyPress(const TKeyPressEvent& handler) { hostKeyPress_ = handler; }

  void AddKeyDownHandler(const TKeyEvent& handler);
  void RemoveKeyDownHandler(const TKeyEvent& handler);
  void AddKeyPressHandler(const TKeyPressEvent& handler);
  void RemoveKeyPressHandler(const TKeyPressEvent& handler);

  // The dispatchers the editor calls for each key. A dispatch of one kind
  // started while another of the same kind runs is ignored.
  void ExecuteKeyDown(TObject* sender, std::uint16_t& key, TShiftState shift);
  void ExecuteKeyPress(TObject* sender, QChar& key);

 private:
  TKeyEvent hostKeyDown_;
  TKeyPressEvent hostKeyPress_;
  std::vector<TKeyEvent> keyDownHandlers_;
  std::vector<TKeyPressEvent> keyPressHandlers_;
  bool inKeyDown_ = false;
  bool inKeyPress_ = false;
};
