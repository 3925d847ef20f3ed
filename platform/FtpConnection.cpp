#include "platform/FtpConnection.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <mutex>

#include "platform/FtpError.h"
#include "platform/TlsVerification.h"
#include "platform/WholeFile.h"

namespace platform {

namespace {

// How often a session looks up from its work: the window paints and answers Cancel there.
constexpr std::chrono::milliseconds kSlice{50};
constexpr std::chrono::milliseconds kProgressEvery{100};

// The numeric address of a socket's peer, or empty.
std::string PeerAddress(int fd) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return {};
  char text[INET6_ADDRSTRLEN] = {};
  if (peer.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&peer)->sin_addr, text, sizeof text);
  } else if (peer.ss_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&peer)->sin6_addr, text, sizeof text);
  }
  return text;
}

bool IsActiveModeFailure(CURLcode code) {
  return code == CURLE_FTP_PORT_FAILED || code == CURLE_FTP_ACCEPT_FAILED ||
         code == CURLE_FTP_ACCEPT_TIMEOUT;
}

}  // namespace

struct FtpConnection::Session {
  CURL* curl = nullptr;
  CURLM* multi = nullptr;
  std::string baseUrl;  // "ftp://host:port/"
  std::string host;
  char error[CURL_ERROR_SIZE] = {};
  Options options;
  std::unique_ptr<TlsVerification> verification;
  bool tlsUsed = false;
  bool passive = false;
  std::string serverAddress;  // the control connection's peer: the only source of data
  std::string lastReply;
  std::string replyLine;  // the reply line being received
  // Per transfer.
  bool forged = false;
  bool tooLarge = false;
  std::string downloaded;

  ~Session() {
    if (multi && curl) curl_multi_remove_handle(multi, curl);
    if (curl) curl_easy_cleanup(curl);
    if (multi) curl_multi_cleanup(multi);
  }

  std::string UrlFor(const std::string& remotePath) const {
    // Each path segment is escaped on its own; the slashes stay separators.
    std::string url = baseUrl;
    std::size_t start = 0;
    for (;;) {
      const std::size_t slash = remotePath.find('/', start);
      const std::string segment = remotePath.substr(start, slash - start);
      char* escaped = curl_easy_escape(curl, segment.data(), static_cast<int>(segment.size()));
      if (escaped) {
        url += escaped;
        curl_free(escaped);
      }
      if (slash == std::string::npos) break;
      url += '/';
      start = slash + 1;
    }
    return url;
  }

  // Runs one request through the multi interface, so that the session looks up from the network
  // every slice: the window paints, Cancel and the time limit are heard.
  CURLcode Perform(const std::string& url, Result& stop) {
    error[0] = '\0';
    stop = Result::kWhole;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_FTPPORT, passive ? nullptr : "-");
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) return CURLE_FAILED_INIT;
    auto lookedUp = Clock::now();
    auto reported = lookedUp;
    curl_off_t lastDone = -1;
    CURLcode code = CURLE_OK;
    for (int running = 1;;) {
      if (curl_multi_perform(multi, &running) != CURLM_OK) {
        code = CURLE_FAILED_INIT;
        break;
      }
      const auto now = Clock::now();
      curl_off_t done = 0, total = 0;
      if (options.progress && now - reported >= kProgressEvery) {
        reported = now;
        Transferred(done, total);
        if (done != lastDone) options.progress(lastDone = done, total);
      }
      if (running == 0) {
        int left = 0;
        for (CURLMsg* message; (message = curl_multi_info_read(multi, &left));) {
          if (message->msg == CURLMSG_DONE) code = message->data.result;
        }
        break;
      }
      if (now >= options.end) {
        stop = Result::kOverTime;
        break;
      }
      if (now - lookedUp >= kSlice) {
        lookedUp = now;
        if (options.interrupted && options.interrupted()) {
          stop = Result::kCancelled;
          break;
        }
      }
      curl_multi_poll(multi, nullptr, 0, static_cast<int>(kSlice.count()), nullptr);
    }
    curl_multi_remove_handle(multi, curl);
    if (stop != Result::kWhole) return CURLE_ABORTED_BY_CALLBACK;
    if (options.progress) {
      curl_off_t done = 0, total = 0;
      Transferred(done, total);
      if (done > 0 && done != lastDone) options.progress(done, total);
    }
    return code;
  }

  void Transferred(curl_off_t& done, curl_off_t& total) const {
    curl_off_t up = 0, down = 0, upTotal = 0, downTotal = 0;
    curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &up);
    curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &down);
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_UPLOAD_T, &upTotal);
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &downTotal);
    done = up > 0 ? up : down;
    total = up > 0 ? upTotal : downTotal;
    if (total < 0) total = 0;
  }

  // The error buffer may hold a harmless message after a successful transfer: read it only when
  // the call failed.
  std::string Describe(CURLcode code) const {
    std::string text = error[0] ? std::string(error) : std::string(curl_easy_strerror(code));
    if (!lastReply.empty()) text += ". The server replied: " + lastReply;
    return text;
  }

  // Why a transfer ended, with one retry in passive mode when active mode got no data connection.
  Result Transfer(const std::string& url, const std::function<void()>& rewind) {
    Result stop = Result::kWhole;
    forged = tooLarge = false;
    CURLcode code = Perform(url, stop);
    if (stop == Result::kWhole && !passive && !forged && IsActiveModeFailure(code)) {
      if (options.log) {
        options.log("active mode failed (" + (lastReply.empty() ? Describe(code) : lastReply) +
                    "): trying passive mode\r\n");
      }
      passive = true;
      rewind();
      code = Perform(url, stop);
    }
    if (stop != Result::kWhole) return stop;
    if (forged) return Result::kForged;
    if (tooLarge || code == CURLE_FILESIZE_EXCEEDED) return Result::kTooLarge;
    switch (code) {
      case CURLE_OK:
        return Result::kWhole;
      case CURLE_REMOTE_FILE_NOT_FOUND:
        return Result::kNoSuchFile;
      case CURLE_OPERATION_TIMEDOUT:
        return Result::kStalled;
      default:
        return Result::kFailed;
    }
  }

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* s = static_cast<Session*>(self);
    const std::size_t length = size * count;
    s->replyLine.append(data, length);
    if (s->replyLine.size() > 1024) s->replyLine.resize(1024);  // a server may send a novel
    if (!s->replyLine.empty() && s->replyLine.back() == '\n') {
      std::string line = s->replyLine;
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      // The last line of a reply: three digits and a space.
      if (line.size() >= 4 && line[3] == ' ') s->lastReply = line;
      s->replyLine.clear();
    }
    return length;
  }

  static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* self) {
    auto* s = static_cast<Session*>(self);
    const std::size_t length = size * count;
    if (s->downloaded.size() + length > s->options.maxDownload) {
      s->tooLarge = true;
      return 0;
    }
    s->downloaded.append(data, length);
    return length;
  }

  // A data connection in active mode is accepted from the server's address alone: anyone else
  // who connects to the announced port first would hand over a list of their own.
  static int OnSocket(void* self, curl_socket_t fd, curlsocktype purpose) {
    auto* s = static_cast<Session*>(self);
    if (purpose != CURLSOCKTYPE_ACCEPT) return CURL_SOCKOPT_OK;
    if (!s->serverAddress.empty() && PeerAddress(fd) == s->serverAddress) return CURL_SOCKOPT_OK;
    s->forged = true;
    return CURL_SOCKOPT_ERROR;
  }

  static CURLcode OnTlsContext(CURL*, void* ctx, void* self) {
    auto* s = static_cast<Session*>(self);
    s->tlsUsed = true;
    return s->verification->Prepare(static_cast<SSL_CTX*>(ctx), false) ? CURLE_OK
                                                                       : CURLE_SSL_CACERT_BADFILE;
  }

  void Configure(const std::string& user, const std::string& password) {
    CURL* c = curl;
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, password.c_str());
    // Active mode with a plain PORT command, as the servers this program meets expect.
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPRT, 0L);
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connect.count()));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>((options.reply.count() + 999) / 1000));
    curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(options.reply.count()));
    // A transfer that moves no byte for the reply limit is given up.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>((options.reply.count() + 999) / 1000));
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, OnSocket);
    curl_easy_setopt(c, CURLOPT_SOCKOPTDATA, this);
    // TLS whenever the server offers it, verified as the mail socket verifies.
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    // A pinned certificate may name another host: the verification callback decides then.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, options.trust.pinned.empty() ? 2L : 0L);
    if (!options.trust.caFile.empty()) {
      curl_easy_setopt(c, CURLOPT_CAINFO, options.trust.caFile.c_str());
      curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, OnTlsContext);
    curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, this);
    verification = std::make_unique<TlsVerification>(host, options.trust);
  }

  // Connects and logs in, so a server that can't be reached or refuses the login ends the
  // command before any transfer; the transfers then reuse this connection.
  CURLcode Login(Result& stop) {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    const CURLcode code = Perform(baseUrl, stop);
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    return code;
  }
};

FtpConnection::FtpConnection(const std::string& host, int port, const std::string& user,
                             const std::string& password, Options options) {
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  const bool ipv6Literal = host.find(':') != std::string::npos;
  for (int attempt = 0;; ++attempt) {
    m_session = std::make_unique<Session>();
    Session& s = *m_session;
    s.options = options;
    s.host = host;
    s.curl = curl_easy_init();
    s.multi = curl_multi_init();
    if (!s.curl || !s.multi) throw FtpError("");
    s.baseUrl =
        "ftp://" + (ipv6Literal ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
    s.Configure(user, password);

    Result stop = Result::kWhole;
    const CURLcode code = s.Login(stop);
    if (stop == Result::kCancelled) {
      throw FtpError("transfer cancelled", FtpError::Shown::kInTheStatusLog);
    }
    if (stop == Result::kOverTime) {
      throw FtpError("ftp server did not log in within the time limit");
    }
    if (code == CURLE_OK) break;
    const CertificateCheck& check = s.verification->Check();
    if (!check.reason.empty()) {
      // Asked once (the callback decides which certificates may be trusted at all): a
      // certificate trusted now and refused again is not asked about twice.
      if (attempt == 0 && options.trustCertificate && options.trustCertificate(check)) {
        options.trust.pinned.push_back(check.fingerprint);
        continue;
      }
      throw FtpError(UntrustedText(host, check.reason), FtpError::Shown::kInTheStatusLog);
    }
    throw FtpError(s.Describe(code));
  }
  Session& s = *m_session;
  char* address = nullptr;
  if (curl_easy_getinfo(s.curl, CURLINFO_PRIMARY_IP, &address) == CURLE_OK && address) {
    s.serverAddress = address;
  }
  s.passive = s.tlsUsed;
}

FtpConnection::~FtpConnection() = default;

FtpConnection::Result FtpConnection::PutFile(const std::string& localPath,
                                             const std::string& remotePath) {
  Session& s = *m_session;
  std::FILE* file = std::fopen(localPath.c_str(), "rb");
  if (!file) return Result::kFailed;
  std::error_code error;
  const auto size = std::filesystem::file_size(localPath, error);
  curl_easy_setopt(s.curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(s.curl, CURLOPT_READDATA, file);
  curl_easy_setopt(s.curl, CURLOPT_INFILESIZE_LARGE,
                   error ? curl_off_t{-1} : static_cast<curl_off_t>(size));
  const Result result = s.Transfer(s.UrlFor(remotePath), [file] { std::rewind(file); });
  curl_easy_setopt(s.curl, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(s.curl, CURLOPT_READDATA, nullptr);
  std::fclose(file);
  return result;
}

FtpConnection::Result FtpConnection::GetFile(const std::string& remotePath,
                                             const std::string& localPath) {
  Session& s = *m_session;
  // Held in memory (the caller bounds it with maxDownload) and stored whole when it arrived
  // whole: a failed or cut transfer leaves the earlier copy as it was, and two runs never share
  // a file.
  s.downloaded.clear();
  curl_easy_setopt(s.curl, CURLOPT_WRITEFUNCTION, Session::OnData);
  curl_easy_setopt(s.curl, CURLOPT_WRITEDATA, &s);
  curl_easy_setopt(s.curl, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(std::min<std::uintmax_t>(
                       s.options.maxDownload, std::numeric_limits<curl_off_t>::max())));
  Result result = s.Transfer(s.UrlFor(remotePath), [&s] { s.downloaded.clear(); });
  curl_easy_setopt(s.curl, CURLOPT_WRITEFUNCTION, nullptr);
  curl_easy_setopt(s.curl, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(s.curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t{0});
  if (result == Result::kWhole && ReplaceFileWhole(localPath, s.downloaded) != 0) {
    result = Result::kFailed;
  }
  s.downloaded = {};
  return result;
}

}  // namespace platform
