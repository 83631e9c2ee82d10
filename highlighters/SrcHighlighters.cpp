#include "highlighters/SrcHighlighters.h"

#include "highlighters/SrcHighlighterHtml.h"

void RegisterBuiltinHighlighters() { TSrcHTMLHighlighter::UnitInit(); }
