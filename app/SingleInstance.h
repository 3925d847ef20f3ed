#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>
#include <string>

// One running window per user: the first start holds a lock in the state folder and listens on a
// local socket beside it; a later start finds the lock taken, asks the running one to come to the
// front (and to open its help, when asked to) and ends instead of working on the same files.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const std::string& stateFolder);
  ~SingleInstance() override;

  // True for the first start (which then answers later ones); false when another runs.
  bool IsFirst() const { return m_first; }
  // A later start: hands the request to the running one; false when it could not be reached.
  bool Forward(const QByteArray& request);

  static constexpr const char* kShow = "show";
  static constexpr const char* kShowHelp = "help";

 signals:
  void requested(const QByteArray& request);

 private:
  void OnConnection();

  QString m_socket;
  std::unique_ptr<QLockFile> m_lock;
  QLocalServer m_server;
  bool m_first = false;
};
