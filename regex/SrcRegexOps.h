// The node kinds of a compiled program, shared by the compiler and the
// matcher of the regular-expression engine.
#pragma once

#include "regex/SrcRegex.h"

enum TRegexEngine::Op : std::uint8_t {
  opMatch,
  opBol,
  opEol,
  opMBol,
  opMEol,
  opBoi,
  opEoi,
  opAny,
  opAnyNL,
  opText,
  opClass,
  opDigit,
  opNotDigit,
  opWord,
  opNotWord,
  opSpace,
  opNotSpace,
  opBound,
  opNotBound,
  opBackref,
  opSave,
  opSplit,
  opJmp,
  opRep,
  opLoopInit,
  opLoop,
  opLoopEnd,
};
