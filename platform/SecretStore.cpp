#include "platform/SecretStore.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

#include "platform/RegistryStore.h"

namespace platform {
namespace {

using Attributes = QMap<QString, QString>;

const QString kService = QStringLiteral("org.freedesktop.secrets");
const QString kServicePath = QStringLiteral("/org/freedesktop/secrets");
const QString kServiceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const QString kItemInterface = QStringLiteral("org.freedesktop.Secret.Item");
const QString kCollectionInterface = QStringLiteral("org.freedesktop.Secret.Collection");
const QString kNoPath = QStringLiteral("/");
// Long enough for a service started on demand, short enough not to hold the window.
constexpr int kCallLimitMs = 5000;

// Whether there is a session bus to ask at all. Without one the bus library is never started: its
// thread would outlive a forked child and holds a connection attempt per call.
bool SessionBusThere() {
  const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address.isEmpty()) return !address.startsWith("disabled:");
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  return !runtime.isEmpty() && QFileInfo(QString::fromLocal8Bit(runtime) + "/bus").exists();
}

// One conversation with the service: the session the secrets travel in (unencrypted: they stay
// on this machine's bus).
class Conversation {
 public:
  Conversation() {
    if (!SessionBusThere()) return;
    m_bus = QDBusConnection::sessionBus();
    static const int registered = [] {
      qDBusRegisterMetaType<Attributes>();
      return 0;
    }();
    (void)registered;
    if (!m_bus->isConnected()) return;
    const QDBusMessage reply =
        Call(kServicePath, kServiceInterface, QStringLiteral("OpenSession"),
             {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (reply.arguments().size() == 2) {
      m_session = qdbus_cast<QDBusObjectPath>(reply.arguments().at(1)).path();
    }
  }
  ~Conversation() {
    if (Open()) {
      Call(m_session, QStringLiteral("org.freedesktop.Secret.Session"), QStringLiteral("Close"),
           {});
    }
  }
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;

  bool Open() const { return !m_session.isEmpty(); }

  QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                    const QList<QVariant>& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus->call(message, QDBus::Block, kCallLimitMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply : QDBusMessage();
  }

  // The unlocked items of that name (of this settings file); nothing when some are locked.
  std::optional<QList<QDBusObjectPath>> Items(const std::string& name) {
    const QDBusMessage reply = Call(kServicePath, kServiceInterface, QStringLiteral("SearchItems"),
                                    {QVariant::fromValue(AttributesOf(name))});
    if (reply.arguments().size() != 2) return std::nullopt;
    const auto locked = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(1));
    if (!locked.isEmpty()) return std::nullopt;
    return qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0));
  }

  std::optional<std::string> Secret(const QDBusObjectPath& item) {
    const QDBusMessage reply = Call(item.path(), kItemInterface, QStringLiteral("GetSecret"),
                                    {QVariant::fromValue(QDBusObjectPath(m_session))});
    if (reply.arguments().size() != 1) return std::nullopt;
    const QDBusArgument secret = reply.arguments().at(0).value<QDBusArgument>();
    QDBusObjectPath session;
    QByteArray parameters, value;
    QString contentType;
    secret.beginStructure();
    secret >> session >> parameters >> value >> contentType;
    secret.endStructure();
    return std::string(value.constData(), static_cast<size_t>(value.size()));
  }

  bool Store(const std::string& name, const std::string& value) {
    const QDBusMessage alias = Call(kServicePath, kServiceInterface, QStringLiteral("ReadAlias"),
                                    {QStringLiteral("default")});
    if (alias.arguments().size() != 1) return false;
    const QString collection = qdbus_cast<QDBusObjectPath>(alias.arguments().at(0)).path();
    if (collection.isEmpty() || collection == kNoPath) return false;

    QVariantMap properties;
    properties.insert(QStringLiteral("org.freedesktop.Secret.Item.Label"),
                      QStringLiteral("Quillmere ") + QString::fromStdString(name));
    properties.insert(QStringLiteral("org.freedesktop.Secret.Item.Attributes"),
                      QVariant::fromValue(AttributesOf(name)));
    QDBusArgument secret;
    secret.beginStructure();
    secret << QDBusObjectPath(m_session) << QByteArray()
           << QByteArray(value.data(), static_cast<qsizetype>(value.size()))
           << QStringLiteral("text/plain; charset=utf8");
    secret.endStructure();
    const QDBusMessage reply = Call(collection, kCollectionInterface, QStringLiteral("CreateItem"),
                                    {properties, QVariant::fromValue(secret), true});
    // A prompt means the collection is locked: nothing was stored.
    return reply.arguments().size() == 2 &&
           qdbus_cast<QDBusObjectPath>(reply.arguments().at(1)).path() == kNoPath;
  }

  bool Delete(const QDBusObjectPath& item) {
    const QDBusMessage reply = Call(item.path(), kItemInterface, QStringLiteral("Delete"), {});
    return reply.arguments().size() == 1 &&
           qdbus_cast<QDBusObjectPath>(reply.arguments().at(0)).path() == kNoPath;
  }

 private:
  static Attributes AttributesOf(const std::string& name) {
    return {{QStringLiteral("application"), QStringLiteral("Quillmere")},
            {QStringLiteral("setting"), QString::fromStdString(name)},
            {QStringLiteral("settings-file"), QString::fromStdString(RegistryStoreFile())}};
  }

  std::optional<QDBusConnection> m_bus;  // none without a session bus
  QString m_session;
};

}  // namespace

SecretLookup LookupSecret(const std::string& name) {
  SecretLookup lookup;
  Conversation service;
  if (!service.Open()) return lookup;
  const std::optional<QList<QDBusObjectPath>> items = service.Items(name);
  if (!items) return lookup;
  lookup.available = true;
  if (items->isEmpty()) return lookup;
  if (std::optional<std::string> value = service.Secret(items->front())) {
    lookup.found = true;
    lookup.value = std::move(*value);
  } else {
    lookup.available = false;
  }
  return lookup;
}

bool StoreSecret(const std::string& name, const std::string& value) {
  Conversation service;
  return service.Open() && service.Store(name, value);
}

bool ClearSecret(const std::string& name) {
  Conversation service;
  if (!service.Open()) return false;
  const std::optional<QList<QDBusObjectPath>> items = service.Items(name);
  if (!items) return false;
  bool cleared = true;
  for (const QDBusObjectPath& item : *items) cleared = service.Delete(item) && cleared;
  return cleared;
}

}  // namespace platform
