#include "highlighters/SrcHighlighters.h"

#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterSQL.h"

void RegisterBuiltinHighlighters() {
  TSrcHTMLHighlighter::UnitInit();
  TSrcJScriptHighlighter::UnitInit();
  TSrcCssHighlighter::UnitInit();
  TSrcSQLHighlighter::UnitInit();
}
