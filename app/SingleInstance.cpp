#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include "platform/FileTree.h"

namespace {

// A Unix socket path must fit in about 100 bytes; a deeper state folder gets a short name in
// the user's runtime folder instead.
QString SocketPath(const QString& folder) {
  const QString beside = QDir(folder).filePath("instance.socket");
  if (beside.toUtf8().size() < 100) return beside;
  const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1);
  return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
      .filePath("quillmere-" + QString::fromLatin1(hash.toHex().left(16)));
}

constexpr int kWaitMs = 3000;

}  // namespace

SingleInstance::SingleInstance(const std::string& stateFolder) {
  const QString folder = QString::fromStdString(stateFolder);
  // Made private, as every command makes it: the window's start may be the first to need it.
  platform::MakeFolders(stateFolder);
  m_socket = SocketPath(folder);
  m_lock = std::make_unique<QLockFile>(QDir(folder).filePath("instance.lock"));
  // A lock left by a program that died is taken over.
  m_first = m_lock->tryLock(0);
  if (!m_first) return;
  QLocalServer::removeServer(m_socket);
  m_server.setSocketOptions(QLocalServer::UserAccessOption);
  m_server.listen(m_socket);
  connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::~SingleInstance() {
  m_server.close();
}

bool SingleInstance::Forward(const QByteArray& request) {
  QLocalSocket socket;
  // The first one may still be starting up: it holds the lock before it listens.
  for (int tries = 0; tries < 30; ++tries) {
    socket.connectToServer(m_socket);
    if (socket.waitForConnected(kWaitMs / 30)) break;
    QThread::msleep(kWaitMs / 30);
  }
  if (socket.state() != QLocalSocket::ConnectedState) return false;
  socket.write(request + '\n');
  return socket.waitForBytesWritten(kWaitMs);
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = m_server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        // Only the known requests are acted on; anything else is dropped.
        const QByteArray line = socket->readLine(64).trimmed();
        if (line == kShow || line == kShowHelp) emit requested(line);
      }
    });
  }
}
