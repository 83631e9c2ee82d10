#include "highlighters/SrcHighlighters.h"

#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"

void RegisterBuiltinHighlighters() {
  TSrcHTMLHighlighter::UnitInit();
  TSrcJScriptHighlighter::UnitInit();
  TSrcCssHighlighter::UnitInit();
}
