#include "modules/Network.h"

#include "modules/ModuleLoader.h"

QString NetworkModuleFile() { return QStringLiteral(KV_NET_MODULE_FILE); }

ILinkConnection* NewLinkConnection(bool secure, TConnectionEvents events, QObject* owner, TConnectionRefusal& refusal) {
  using TOpen = ILinkConnection* (*)(bool, TConnectionEvents*, QObject*);
  const auto open = reinterpret_cast<TOpen>(Modules::Entry(NetworkModuleFile(), "KvNewLinkConnection"));
  if (!open) {
    refusal = TConnectionRefusal::NoModule;
    return nullptr;
  }
  ILinkConnection* connection = open(secure, &events, owner);
  refusal = connection ? TConnectionRefusal::None : TConnectionRefusal::NoSecureSockets;
  return connection;
}

int LookUpHost(const QString& name, QObject* context, std::function<void(const QStringList& addresses)> done) {
  using TLookUp = int (*)(const QString&, QObject*, std::function<void(const QStringList&)>*);
  const auto lookUp = reinterpret_cast<TLookUp>(Modules::Entry(NetworkModuleFile(), "KvLookUpHost"));
  return lookUp ? lookUp(name, context, &done) : -1;
}

void AbortHostLookup(int id) {
  using TAbort = void (*)(int);
  if (const auto abort = reinterpret_cast<TAbort>(Modules::Entry(NetworkModuleFile(), "KvAbortHostLookup"))) abort(id);
}
