#include "app/document/HighlighterCodes.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

#include "app/document/Documents.h"
#include "editor/SrcEditHighlighter.h"

QString HighlighterCodeFor(const QString& name) {
  const QString ext = Documents::ExtractFileExt(name);
  QString code = QStringLiteral("HTML");
  if (ext == u".css") code = QStringLiteral("CSS");
  if (QStringList{".xml", ".xsd", ".xsl", ".xslt", ".dtd"}.contains(ext)) code = QStringLiteral("XML");
  if (ext == u".htm" || ext == u".html") code = QStringLiteral("HTML");
  if (ext == u".js") code = QStringLiteral("JS");
  if (ext == u".sql") code = QStringLiteral("SQL");
  if (QStringList{".php", ".php3", ".phtml", ".inc"}.contains(ext)) code = QStringLiteral("PHP");
  if (ext == u".vbs") code = QStringLiteral("VBS");
  return code;
}

QHash<QString, TSrcCustomHighlighter*> CreateHighlighters(QObject* owner) {
  QHash<QString, TSrcCustomHighlighter*> byCode;
  for (const THighlighterCode& h : kHighlighterCodes)
    for (const TSrcHighlighterClass& cls : TSrcHighlighterList())
      if (qstrcmp(cls.meta->className(), h.className) == 0 && cls.create)
        byCode.insert(QLatin1String(h.code), cls.create(owner));
  return byCode;
}

QList<QAction*> AddHighlighterItems(QMenu* menu, std::function<void(const QString& code)> select) {
  QList<QAction*> items;
  for (const THighlighterCode& h : kHighlighterCodes) {
    QAction* a = menu->addAction(QLatin1String(h.caption));
    a->setObjectName(QLatin1String(h.caption) + u'1');
    a->setCheckable(true);
    a->setData(QLatin1String(h.code));
    QObject::connect(a, &QAction::triggered, menu, [select, code = QString::fromLatin1(h.code)] { select(code); });
    items << a;
  }
  return items;
}
