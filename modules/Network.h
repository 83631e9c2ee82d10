// The network, by the network module (net-module.so, on Qt Network), so
// that the program loads the network libraries only when something first
// goes on the network: the link check's connections to web servers and the
// look-up of a computer's addresses.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class QObject;

enum class TConnectionError { Refused, HostNotFound, Timeout, Secure, RemoteClosed, Other };

// What the connection tells: each on the event loop, never after Close.
struct TConnectionEvents {
  // Connected (and, for a secure connection, encrypted): the request may go.
  std::function<void()> ready;
  std::function<void()> readyRead;
  std::function<void(TConnectionError error)> failed;
};

class ILinkConnection {
 public:
  // Starts connecting to `host` (encoded) at `port`.
  virtual void Connect(const QString& host, quint16 port) = 0;
  virtual void Write(const QByteArray& bytes) = 0;
  virtual QByteArray Read(qint64 maxBytes) = 0;
  virtual qint64 BytesAvailable() const = 0;
  // Ends the connection at once and gives the object up: it is deleted now
  // (`now`) or when the event loop comes back (from inside an event).
  virtual void Close(bool now) = 0;

 protected:
  virtual ~ILinkConnection() = default;
};

// Why no connection was made.
enum class TConnectionRefusal { None, NoModule, NoSecureSockets };

// A connection, over TLS when `secure`, not yet connected, that goes at the
// latest with `owner`; null when that cannot be tried: `refusal` says why
// (Modules::Error for the module).
ILinkConnection* NewLinkConnection(bool secure, TConnectionEvents events, QObject* owner, TConnectionRefusal& refusal);
// The network module's file name.
QString NetworkModuleFile();

// Looks the addresses of computer `name` up; `done` gets them (empty when
// none were found) on the event loop, unless `context` went or the look-up
// was aborted. Returns the look-up's id, or -1 when the module cannot be
// loaded (nothing is called then).
int LookUpHost(const QString& name, QObject* context, std::function<void(const QStringList& addresses)> done);
void AbortHostLookup(int id);
