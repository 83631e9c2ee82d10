// The highlighters a document window or the template editor offers, by the
// code their menu items carry ("HTML", "PHP", "CSS", "VBS", "JS", "SQL",
// "XML"), with the extension a document of that kind gets.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QObject;
class TSrcCustomHighlighter;

struct THighlighterCode {
  const char* code;
  const char* className;
  const char* caption;
  const char* extension;
};
inline constexpr THighlighterCode kHighlighterCodes[] = {
    {"HTML", "TSrcHTMLHighlighter", "HTML", ".html"},      {"PHP", "TSrcPHPHighlighter", "PHP", ".php"},
    {"CSS", "TSrcCssHighlighter", "CSS", ".css"},          {"VBS", "TSrcVBScriptHighlighter", "VBScript", ".vbs"},
    {"JS", "TSrcJScriptHighlighter", "JavaScript", ".js"}, {"SQL", "TSrcSQLHighlighter", "SQL", ".sql"},
    {"XML", "TSrcXMLHighlighter", "XML", ".xml"},
};

// The code of the highlighter for a file name, by its extension; HTML for
// any extension without one of its own.
QString HighlighterCodeFor(const QString& name);
// One highlighter of each code, owned by `owner`.
QHash<QString, TSrcCustomHighlighter*> CreateHighlighters(QObject* owner);
// Fills `menu` with one checkable item per highlighter (its code as data);
// choosing one calls `select` with the code.
QList<QAction*> AddHighlighterItems(QMenu* menu, std::function<void(const QString& code)> select);
