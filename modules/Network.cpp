#include "modules/Network.h"

#include "modules/ModuleEntries.h"
#include "modules/ModuleLoader.h"

QString NetworkModuleFile() { return QStringLiteral(KV_NET_MODULE_FILE); }

ILinkConnection* NewLinkConnection(bool secure, TConnectionEvents events, QObject* owner, TConnectionRefusal& refusal) {
  const auto open = KV_MODULE_ENTRY(NetworkModuleFile(), KvNewLinkConnection);
  if (!open) {
    refusal = TConnectionRefusal::NoModule;
    return nullptr;
  }
  ILinkConnection* connection = open(secure, &events, owner);
  refusal = connection ? TConnectionRefusal::None : TConnectionRefusal::NoSecureSockets;
  return connection;
}

int LookUpHost(const QString& name, QObject* context, std::function<void(const QStringList& addresses)> done) {
  const auto lookUp = KV_MODULE_ENTRY(NetworkModuleFile(), KvLookUpHost);
  return lookUp ? lookUp(name, context, &done) : -1;
}

void AbortHostLookup(int id) {
  if (const auto abort = KV_MODULE_ENTRY(NetworkModuleFile(), KvAbortHostLookup)) abort(id);
}
