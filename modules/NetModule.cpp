// The network module: the link check's connections and host look-ups on Qt Network.
#include <QHostAddress>
#include <QHostInfo>
#include <QSslSocket>
#include <QTcpSocket>

#include "modules/ModuleEntries.h"
#include "modules/Network.h"

namespace {

class TSocketConnection : public QObject, public ILinkConnection {
 public:
  TSocketConnection(QTcpSocket* socket, TConnectionEvents events, QObject* owner)
      : QObject(owner), socket_(socket), events_(std::move(events)) {
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
      if (events_.readyRead) events_.readyRead();
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
      if (events_.failed) events_.failed(Translate(e));
    });
  }
  void Ready() {
    if (events_.ready) events_.ready();
  }
  void Connect(const QString& host, quint16 port) override {
#if QT_CONFIG(ssl)
    if (auto* ssl = qobject_cast<QSslSocket*>(socket_)) return ssl->connectToHostEncrypted(host, port);
#endif
    socket_->connectToHost(host, port);
  }
  void Write(const QByteArray& bytes) override { socket_->write(bytes); }
  QByteArray Read(qint64 maxBytes) override { return socket_->read(maxBytes); }
  qint64 BytesAvailable() const override { return socket_->bytesAvailable(); }
  void Close(bool now) override {
    socket_->disconnect(this);
    disconnect();
    socket_->abort();  // the connection is gone now, not at some later point
    if (now)
      delete this;
    else
      deleteLater();
  }

 private:
  static TConnectionError Translate(QAbstractSocket::SocketError e) {
    switch (e) {
      case QAbstractSocket::ConnectionRefusedError:
        return TConnectionError::Refused;
      case QAbstractSocket::HostNotFoundError:
        return TConnectionError::HostNotFound;
      case QAbstractSocket::SocketTimeoutError:
        return TConnectionError::Timeout;
      case QAbstractSocket::SslHandshakeFailedError:
      case QAbstractSocket::SslInternalError:
      case QAbstractSocket::SslInvalidUserDataError:
        return TConnectionError::Secure;
      case QAbstractSocket::RemoteHostClosedError:
        return TConnectionError::RemoteClosed;
      default:
        return TConnectionError::Other;
    }
  }

  QTcpSocket* socket_;
  TConnectionEvents events_;
};

}  // namespace

extern "C" Q_DECL_EXPORT ILinkConnection* KvNewLinkConnection(bool secure, TConnectionEvents* events, QObject* owner) {
  if (secure) {
#if QT_CONFIG(ssl)
    if (!QSslSocket::supportsSsl()) return nullptr;
    auto* ssl = new QSslSocket;
    auto* connection = new TSocketConnection(ssl, std::move(*events), owner);
    QObject::connect(ssl, &QSslSocket::encrypted, connection, [connection] { connection->Ready(); });
    return connection;
#else
    return nullptr;
#endif
  }
  auto* socket = new QTcpSocket;
  auto* connection = new TSocketConnection(socket, std::move(*events), owner);
  QObject::connect(socket, &QTcpSocket::connected, connection, [connection] { connection->Ready(); });
  return connection;
}

extern "C" Q_DECL_EXPORT int KvLookUpHost(const QString& name, QObject* context,
                                          std::function<void(const QStringList&)>* done) {
  return QHostInfo::lookupHost(name, context, [done = std::move(*done)](const QHostInfo& info) {
    QStringList addresses;
    if (info.error() == QHostInfo::NoError)
      for (const QHostAddress& a : info.addresses()) addresses << a.toString();
    done(addresses);
  });
}

extern "C" Q_DECL_EXPORT void KvAbortHostLookup(int id) { QHostInfo::abortHostLookup(id); }
