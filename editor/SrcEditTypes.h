// Types shared by the editor component's units.
#pragma once

#include <cstdint>

#include "platform/Exceptions.h"

// A text position: column and line, both counted from 1.
struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

enum TSrcSelectionMode : std::uint8_t { smNormal, smLine, smColumn };

// Failures of the editor component.
class ESrcEditError : public Exception {
 public:
  using Exception::Exception;
};
