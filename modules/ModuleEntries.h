// The entry points of the program's modules, declared once for both sides:
// each module defines its entries with these signatures, and the program
// finds them by name (KV_MODULE_ENTRY) and calls them through pointers of
// the same types, so that an entry whose signature changes on one side fails
// to build instead of being called with the wrong arguments.
#pragma once

#include <QStringList>
#include <QtGlobal>
#include <functional>

class QIODevice;
class QObject;
class QString;
class QWidget;
class TPrintCanvas;
class ILinkConnection;
struct TConnectionEvents;
class ITidyEngine;
class IBrowserView;
struct TBrowserViewHost;

extern "C" {

// print-module.so: whether a printer is installed; a canvas on the default
// printer, or, with `pdf`, a PDF file written into that device, which must
// outlive the canvas (the caller owns both).
Q_DECL_EXPORT bool KvHasPrinter();
Q_DECL_EXPORT TPrintCanvas* KvOpenPrintCanvas(QIODevice* pdf);

// net-module.so: a connection (null without secure sockets when `secure`);
// the module takes the events over. A host name look-up whose answer goes to
// the taken-over `done`, and its end.
Q_DECL_EXPORT ILinkConnection* KvNewLinkConnection(bool secure, TConnectionEvents* events, QObject* owner);
Q_DECL_EXPORT int KvLookUpHost(const QString& name, QObject* context, std::function<void(const QStringList&)>* done);
Q_DECL_EXPORT void KvAbortHostLookup(int id);

// tidy-module.so: a new HTML Tidy engine (the caller owns it).
Q_DECL_EXPORT ITidyEngine* KvNewTidyEngine();

// webengine-view.so: a browser view in `parent` that answers to the
// taken-over `host` (the caller owns it).
Q_DECL_EXPORT IBrowserView* KvCreateBrowserView(QWidget* parent, TBrowserViewHost* host);

}  // extern "C"

using THasPrinterEntry = decltype(&KvHasPrinter);
using TOpenPrintCanvasEntry = decltype(&KvOpenPrintCanvas);
using TNewLinkConnectionEntry = decltype(&KvNewLinkConnection);
using TLookUpHostEntry = decltype(&KvLookUpHost);
using TAbortHostLookupEntry = decltype(&KvAbortHostLookup);
using TNewTidyEngineEntry = decltype(&KvNewTidyEngine);
using TCreateBrowserViewEntry = decltype(&KvCreateBrowserView);

// The entry `name` (one of the above) of the module file `file`, as a pointer
// of its declared type; null when the module or the entry cannot be had.
#define KV_MODULE_ENTRY(file, name) reinterpret_cast<decltype(&name)>(Modules::Entry((file), #name))
