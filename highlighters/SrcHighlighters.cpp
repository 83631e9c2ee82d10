#include "highlighters/SrcHighlighters.h"

#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterSQL.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "highlighters/SrcHighlighterXML.h"

void RegisterBuiltinHighlighters() {
  TSrcHTMLHighlighter::UnitInit();
  TSrcJScriptHighlighter::UnitInit();
  TSrcCssHighlighter::UnitInit();
  TSrcXMLHighlighter::UnitInit();
  TSrcSQLHighlighter::UnitInit();
  TSrcVBScriptHighlighter::UnitInit();
  TSrcPHPHighlighter::UnitInit();
}
