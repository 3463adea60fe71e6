#include "InstanceChannel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

// A request longer than this is not a list of paths: the connection is dropped.
constexpr qsizetype kMaxRequestBytes = 1 << 20;

// The uid of the process at the other end of a connected local socket; -1 when unknown.
long PeerUid(const QLocalSocket& socket)
{
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
    return -1;
  return static_cast<long>(credentials.uid);
}

}  // namespace

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent) {}

std::string InstanceChannel::SocketPathFor(const std::string& name)
{
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir && *dir)
    return std::string(dir) + "/" + name + ".socket";
  return "/tmp/" + name + "-" + std::to_string(getuid()) + ".socket";
}

bool InstanceChannel::Listen(const std::string& name)
{
  const QString path = QString::fromLocal8Bit(SocketPathFor(name));
  delete m_server;
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  // Only the holder of the instance lock gets here: a socket file already there belongs to a
  // viewer that ended without removing it, and nothing listens on it any more.
  QLocalServer::removeServer(path);
  if (!m_server->listen(path))
    return false;
  connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::OnNewConnection);
  return true;
}

void InstanceChannel::SetHandler(std::function<void(const Paths&)> handler)
{
  m_handler = std::move(handler);
  Deliver();
}

void InstanceChannel::Deliver()
{
  // One request at a time: opening a recording waits for the last playback to stop, and a
  // request that comes in meanwhile waits its turn.
  if (!m_handler || m_delivering)
    return;
  m_delivering = true;
  while (!m_pending.empty()) {
    const Paths paths = std::move(m_pending.front());
    m_pending.erase(m_pending.begin());
    m_handler(paths);
  }
  m_delivering = false;
}

void InstanceChannel::OnNewConnection()
{
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, socket, [socket, request] {
      request->append(socket->readAll());
      if (request->size() > kMaxRequestBytes)
        socket->abort();
    });
    // The sender closes after its last path: the request is complete.
    connect(socket, &QLocalSocket::disconnected, this, [this, socket, request] {
      request->append(socket->readAll());
      if (request->size() <= kMaxRequestBytes)
        OnRequest(*request);
      socket->deleteLater();
    });
  }
}

void InstanceChannel::OnRequest(const QByteArray& bytes)
{
  Paths paths;
  for (const QByteArray& path : bytes.split('\0'))
    if (!path.isEmpty())
      paths.push_back(path.toStdString());
  if (paths.empty())
    return;
  m_pending.push_back(std::move(paths));
  Deliver();
}

bool InstanceChannel::Send(const std::string& name, const Paths& paths, std::chrono::milliseconds limit)
{
  QByteArray request;
  for (const std::string& path : paths) {
    request.append(path.data(), static_cast<qsizetype>(path.size()));
    request.append('\0');
  }
  const QString path = QString::fromLocal8Bit(SocketPathFor(name));
  const auto end = std::chrono::steady_clock::now() + limit;
  QLocalSocket socket;
  for (;;) {
    socket.connectToServer(path);
    if (socket.waitForConnected(1000))
      break;
    if (std::chrono::steady_clock::now() >= end)
      return false;
    QThread::msleep(100);
  }
  // In /tmp another user could have put a socket of their own under this name: the paths go
  // only to a process of this user.
  if (PeerUid(socket) != static_cast<long>(getuid()))
    return false;
  socket.write(request);
  while (socket.bytesToWrite() > 0)
    if (!socket.waitForBytesWritten(5000))
      return false;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState)
    socket.waitForDisconnected(5000);
  return true;
}
