#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/TlsTrust.h"

namespace platform {

// One FTP session, binary, user and password, over libcurl. TLS (explicit, AUTH TLS) whenever
// the server offers it, with the certificate verified as the mail socket does; active mode with
// the data connection's peer checked, passive whenever TLS is on (libcurl 7.88 sends active-mode
// TLS data unencrypted) and once more in passive when active mode can't open a data connection.
// The constructor connects and logs in and raises FtpError when either fails; the transfers then
// report how they ended.
class FtpConnection {
 public:
  using Clock = std::chrono::steady_clock;

  struct Options {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds reply{30000};            // also how long a transfer may stall
    Clock::time_point end = Clock::time_point::max();  // the whole session's time limit
    std::uintmax_t maxDownload = UINTMAX_MAX;          // larger copies are refused
    TlsTrust trust;
    // Runs every few tens of milliseconds while the session waits or works; true stops it.
    std::function<bool()> interrupted;
    std::function<void(long long done, long long total)> progress;
    // A status line (the switch to passive mode).
    std::function<void(std::string_view)> log;
    // The server's certificate is not trusted: may it be, from now on? The session then
    // connects again, trusting that certificate alone.
    std::function<bool(const CertificateCheck&)> trustCertificate;
  };

  FtpConnection(const std::string& host, int port, const std::string& user,
                const std::string& password, Options options);
  ~FtpConnection();
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  enum class Result {
    kWhole,       // stored or fetched, whole
    kNoSuchFile,  // a download found no file of that name
    kFailed,      // refused or cut short
    kTooLarge,    // the copy is larger than the download limit
    kStalled,     // the server sent nothing for the reply limit
    kOverTime,    // the session's time limit passed
    kCancelled,   // the user asked to stop
    kForged,      // a data connection came from another address than the server's
  };
  // Stores the local file under remotePath, relative to the login directory.
  Result PutFile(const std::string& localPath, const std::string& remotePath);
  // Retrieves remotePath into localPath. The local file is replaced only by a complete copy.
  Result GetFile(const std::string& remotePath, const std::string& localPath);

 private:
  struct Session;
  std::unique_ptr<Session> m_session;
};

}  // namespace platform
