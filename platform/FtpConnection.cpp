#include "platform/FtpConnection.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/FtpError.h"

namespace platform {

struct FtpConnection::Session {
  CURL* curl = nullptr;
  std::string baseUrl;  // "ftp://host:port/"
  char error[CURL_ERROR_SIZE] = {};
  std::function<void()> waitHook;

  ~Session() {
    if (curl) curl_easy_cleanup(curl);
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

  CURLcode Perform(const std::string& url) {
    error[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    return curl_easy_perform(curl);
  }

  // The error buffer may hold a harmless message after a successful transfer: read it only when
  // the call failed.
  std::string Describe(CURLcode code) const {
    return error[0] ? std::string(error) : std::string(curl_easy_strerror(code));
  }
};

namespace {

int Progress(void* hook, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* waitHook = static_cast<const std::function<void()>*>(hook);
  if (*waitHook) (*waitHook)();
  return 0;
}

}  // namespace

FtpConnection::FtpConnection(const std::string& host, int port, const std::string& user,
                             const std::string& password, Limits limits,
                             std::function<void()> waitHook)
    : m_session(std::make_unique<Session>()) {
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  Session& s = *m_session;
  s.curl = curl_easy_init();
  if (!s.curl) throw FtpError("");
  s.waitHook = std::move(waitHook);
  const bool ipv6Literal = host.find(':') != std::string::npos;
  s.baseUrl = "ftp://" + (ipv6Literal ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";

  CURL* c = s.curl;
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, s.error);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERNAME, user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, password.c_str());
  // Active mode with a plain PORT command, as the servers this program meets expect.
  curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
  curl_easy_setopt(c, CURLOPT_FTP_USE_EPRT, 0L);
  curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   static_cast<long>((limits.reply.count() + 999) / 1000));
  curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(limits.reply.count()));
  // A transfer that moves no byte for the reply limit is given up.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                   static_cast<long>((limits.reply.count() + 999) / 1000));
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &s.waitHook);

  // Log in now, so a server that can't be reached or refuses the login ends the command before
  // any transfer; the transfers then reuse this connection.
  curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  const CURLcode code = s.Perform(s.baseUrl);
  curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
  if (code != CURLE_OK) throw FtpError(s.Describe(code));
}

FtpConnection::~FtpConnection() = default;

bool FtpConnection::PutFile(const std::string& localPath, const std::string& remotePath) {
  Session& s = *m_session;
  std::FILE* file = std::fopen(localPath.c_str(), "rb");
  if (!file) return false;
  std::error_code error;
  const auto size = std::filesystem::file_size(localPath, error);
  curl_easy_setopt(s.curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(s.curl, CURLOPT_READDATA, file);
  curl_easy_setopt(s.curl, CURLOPT_INFILESIZE_LARGE,
                   error ? curl_off_t{-1} : static_cast<curl_off_t>(size));
  const CURLcode code = s.Perform(s.UrlFor(remotePath));
  curl_easy_setopt(s.curl, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(s.curl, CURLOPT_READDATA, nullptr);
  std::fclose(file);
  return code == CURLE_OK;
}

FtpConnection::Fetched FtpConnection::GetFile(const std::string& remotePath,
                                              const std::string& localPath) {
  Session& s = *m_session;
  // Fetched beside the local file and renamed over it: a failed or cut transfer leaves the
  // earlier copy as it was.
  const std::string part = localPath + ".part";
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (!file) return Fetched::kFailed;
  curl_easy_setopt(s.curl, CURLOPT_WRITEDATA, file);
  const CURLcode code = s.Perform(s.UrlFor(remotePath));
  curl_easy_setopt(s.curl, CURLOPT_WRITEDATA, nullptr);
  const bool closed = std::fclose(file) == 0;
  std::error_code error;
  if (code == CURLE_OK && closed) {
    std::filesystem::rename(part, localPath, error);
    if (!error) return Fetched::kWhole;
  }
  std::filesystem::remove(part, error);
  return code == CURLE_REMOTE_FILE_NOT_FOUND ? Fetched::kNoSuchFile : Fetched::kFailed;
}

}  // namespace platform
