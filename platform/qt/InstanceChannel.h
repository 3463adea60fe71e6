#pragma once
// The way a second start hands what it was asked to open to the viewer that runs: a local
// socket beside the instance lock, "<name>.socket" in $XDG_RUNTIME_DIR, else
// "/tmp/<name>-<uid>.socket", reachable by the user alone. The instance lock decides which
// process listens; the listener replaces a socket file that a crashed viewer left behind.
//
// A request is a list of absolute paths, each as its file-name bytes followed by a zero byte
// (a path can hold no zero byte, and need not be UTF-8); the sender closes the connection
// after the last one.

#include <QObject>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

class InstanceChannel : public QObject {
  Q_OBJECT
public:
  using Paths = std::vector<std::string>;

  explicit InstanceChannel(QObject* parent = nullptr);

  static std::string SocketPathFor(const std::string& name);

  // The running viewer: listens on the socket of `name`; false when it cannot (no hand-over
  // then, the viewer runs on).
  bool Listen(const std::string& name);
  // Where requests go, one at a time, in their order; those that arrived before a handler
  // was set are handed to it now.
  void SetHandler(std::function<void(const Paths&)> handler);

  // A second start: sends `paths` to the viewer listening on the socket of `name`, trying
  // to connect until `limit` has passed (the viewer that holds the lock may be about to
  // listen). True once the request is written; false when no viewer of this user took it.
  static bool Send(const std::string& name, const Paths& paths, std::chrono::milliseconds limit);

private:
  void OnNewConnection();
  void OnRequest(const QByteArray& bytes);
  void Deliver();

  QLocalServer* m_server = nullptr;
  std::function<void(const Paths&)> m_handler;
  std::vector<Paths> m_pending;
  bool m_delivering = false;
};
