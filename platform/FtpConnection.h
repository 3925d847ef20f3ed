#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// One FTP session: active mode, binary, user and password. The constructor connects and logs in
// and raises FtpError (with the client library's description) when either fails; the transfers
// then only report success or failure.
class FtpConnection {
 public:
  struct Limits {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds reply{30000};  // also how long a transfer may stall
  };

  // waitHook runs now and then while the session waits on the network.
  FtpConnection(const std::string& host, int port, const std::string& user,
                const std::string& password, Limits limits, std::function<void()> waitHook = {});
  ~FtpConnection();
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  // Stores the local file under remotePath, relative to the login directory.
  bool PutFile(const std::string& localPath, const std::string& remotePath);
  enum class Fetched { kWhole, kNoSuchFile, kFailed };
  // Retrieves remotePath into localPath. The local file is replaced only by a complete copy.
  Fetched GetFile(const std::string& remotePath, const std::string& localPath);

 private:
  struct Session;
  std::unique_ptr<Session> m_session;
};

}  // namespace platform
