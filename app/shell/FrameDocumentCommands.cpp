// The commands that work on the active document are offered only while a
// document window is active; the window commands while any window is open.
#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>

#include "app/core/Settings.h"
#include "app/shell/Frame.h"

namespace {
void SetEnabledDeep(const QList<QAction*>& actions, bool on) {
  for (QAction* a : actions) {
    if (a->isSeparator()) continue;
    if (QMenu* sub = a->menu()) SetEnabledDeep(sub->actions(), on);
    a->setEnabled(on);
  }
}
}  // namespace

void TfMain::UpdateDocumentCommands() {
  const bool document = ActiveDocument() != nullptr;
  static const char* const onDocument[] = {"Undo1",      "Redo1",        "Cut1",    "Copy1",   "Paste1",
                                           "SelectAll1", "GotoLine1",    "WWrap1",  "Search1", "SearchReplace",
                                           "FindNext",   "FindPrevious", "ExpDoc1", "PR_DOC1", "preview",
                                           "nopreview",  "ToolButton22"};
  for (const char* name : onDocument)
    if (QAction* a = Action(QLatin1String(name))) a->setEnabled(document);
  // Without a browser set, F12 opens the options at the browsers' page, with
  // or without a document.
  if (QAction* a = Action(QStringLiteral("LoadBrowser")))
    a->setEnabled(document ||
                  Settings::Open().ReadString(QStringLiteral("WEB"), QStringLiteral("Path"), QString()).isEmpty());
  // Every insert command, in the menu and on the insert pages.
  if (QMenu* insert = menus_.value(QStringLiteral("Insert"))) SetEnabledDeep(insert->actions(), document);
  for (int i = 0; i < PageControl1->count(); ++i)
    if (auto* bar = qobject_cast<QToolBar*>(PageControl1->widget(i))) SetEnabledDeep(bar->actions(), document);

  const bool anyWindow = !MDIClient->subWindowList().isEmpty();
  if (QAction* a = Action(QStringLiteral("SaveAll"))) a->setEnabled(!Documents().isEmpty());
  for (const char* name : {"Close1", "CloseAll"})
    if (QAction* a = Action(QLatin1String(name))) a->setEnabled(anyWindow);
  // The picture command asks for no more than a window: with an image
  // browser in front it goes to the document window used last.
  if (QAction* a = Action(QStringLiteral("ToolButton19"))) a->setEnabled(anyWindow);
}
