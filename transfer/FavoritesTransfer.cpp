#include "transfer/FavoritesTransfer.h"

#include <cstdio>
#include <filesystem>

#include "platform/CommandOwner.h"
#include "platform/FtpConnection.h"
#include "platform/FtpError.h"
#include "platform/WholeFile.h"
#include "transfer/Base64.h"
#include "transfer/TrustedCertificates.h"

namespace {

constexpr std::string_view kTooLarge = "favorites list larger than 64 MiB: not sent\r\n";
constexpr std::string_view kNotWritten = "favorites-server.txt can't be written\r\n";
constexpr std::string_view kUnsafeName =
    "the user name or the password holds a line break or a NUL byte, which no server may be "
    "sent: correct it in the settings\r\n";
constexpr std::string_view kUnsafeTestAccountName =
    "the user name and the password name your file on the test account and may not hold \"/\", "
    "\"\\\", \"..\", line breaks or NUL bytes: correct them in the settings\r\n";

bool FileLargerThan(const std::string& path, std::uintmax_t limit) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return !error && size > limit;
}

bool HoldsLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Whether a reply names a capability on one of its lines ("250-STARTTLS", "STLS"), in any case.
bool Offers(std::string_view reply, std::string_view capability, std::size_t skip) {
  while (!reply.empty()) {
    const std::size_t end = reply.find('\n');
    std::string_view line = reply.substr(0, end);
    reply = end == std::string_view::npos ? std::string_view() : reply.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < skip) continue;
    line.remove_prefix(skip);
    line = line.substr(0, line.find(' '));
    if (line.size() != capability.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < line.size(); ++i) {
      const char c = line[i];
      same = (c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c) == capability[i];
    }
    if (same) return true;
  }
  return false;
}

bool MentionsMechanism(std::string_view reply) {
  std::string lower(reply);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return lower.find("mechanism") != std::string::npos;
}

}  // namespace

FavoritesTransfer::FavoritesTransfer(CommandOwner& owner, TransferSettings settings, Files files,
                                     TransferNetwork network)
    : m_owner(owner),
      m_settings(std::move(settings)),
      m_files(std::move(files)),
      m_network(std::move(network)),
      m_end(platform::FtpConnection::Clock::now() + m_network.totalLimit) {
  m_socket.SetTimeLimits(m_network.connectLimit, m_network.replyLimit, m_network.totalLimit);
}

void FavoritesTransfer::LogStatus(std::string_view text) {
  m_owner.LogStatus(text);
}

std::string FavoritesTransfer::BuildMessage(std::string_view list) {
  char field[24];  // room for any size_t in hexadecimal
  std::string message = "Subject: favorites\r\n\r\n";
  if (list.size() <= kMaxMailList) {
    std::snprintf(field, sizeof field, "%04zx", list.size() + 5);
    message += "!@#$";
    message += field;
    message += list;
    message += "\r\n.\r\n";
    return message;
  }
  std::snprintf(field, sizeof field, "%08zx", list.size());
  message += "!@#&";
  message += field;
  message += "\r\n";
  message += EncodeBase64Lines(list);
  message += ".\r\n";
  return message;
}

std::string FavoritesTransfer::MailDomain(const std::string& smtpHost) {
  // From the host alone: a port is not part of the domain.
  const ServerAddress address = ParseServerAddress(smtpHost, 25);
  const std::string& host = address.valid ? address.host : smtpHost;
  const std::size_t dot = host.find('.');
  return dot == std::string::npos ? host : host.substr(dot + 1);
}

std::string FavoritesTransfer::TestAccountFile() const {
  const std::string_view remote = kRemoteFile;
  return "Quillmere/" + std::string(remote.substr(0, remote.find('.'))) + m_settings.user +
         m_settings.pass + ".txt";
}

int FavoritesTransfer::CheckUploadSize() {
  if (m_settings.method < 0 || m_settings.method > 2) return 0;
  if (!FileLargerThan(m_files.local, kMaxListBytes)) return 0;
  m_owner.ClearStatus();
  LogStatus(kTooLarge);
  return -1;
}

bool FavoritesTransfer::NamesAreSafe(bool testAccount) {
  const std::string& user = m_settings.user;
  const std::string& pass = m_settings.pass;
  if (testAccount) {
    // The two name a file: nothing in them may lead out of the account's folder.
    for (const std::string* name : {&user, &pass}) {
      if (HoldsLineBreakOrNul(*name) || name->find_first_of("/\\") != std::string::npos ||
          name->find("..") != std::string::npos) {
        LogStatus(kUnsafeTestAccountName);
        return false;
      }
    }
    return true;
  }
  if (HoldsLineBreakOrNul(user) || HoldsLineBreakOrNul(pass)) {
    LogStatus(kUnsafeName);
    return false;
  }
  return true;
}

platform::TlsTrust FavoritesTransfer::TrustFor(const std::string& host) const {
  platform::TlsTrust trust;
  trust.caFile = m_network.tlsCaFile;
  trust.pinned = TrustedFingerprints(m_settings.trustedCertificates, host);
  return trust;
}

bool FavoritesTransfer::TrustCertificate(const std::string& host,
                                         const platform::CertificateCheck& check) {
  if (!check.selfSigned || check.fingerprint.empty()) return false;
  const std::string question =
      "The server " + host + " shows a certificate that no authority vouches for (" + check.reason +
      "). Its SHA-256 fingerprint is\n\n" + check.fingerprint +
      "\n\nTrust it only if this is the fingerprint of your own server's certificate. Trust this "
      "certificate for " +
      host + " from now on?";
  if (!m_owner.Ask(question, false)) return false;
  m_settings.trustedCertificates =
      WithTrustedFingerprint(m_settings.trustedCertificates, host, check.fingerprint);
  if (m_network.storeTrustedCertificates) {
    m_network.storeTrustedCertificates(m_settings.trustedCertificates);
  }
  return true;
}

int FavoritesTransfer::Upload() {
  switch (m_settings.method) {
    case 0:
      return UploadByMail();
    case 1:
      return UploadByFtp(false);
    case 2:
      return UploadByFtp(true);
    default:
      return 0;
  }
}

int FavoritesTransfer::Download(DownloadMode mode) {
  switch (m_settings.method) {
    case 0:
      return DownloadByMail(mode);
    case 1:
      return DownloadByFtp(false);
    case 2:
      return DownloadByFtp(true);
    default:
      return 0;
  }
}

FavoritesTransfer::Opened FavoritesTransfer::TryOpenMail(const ServerAddress& server, bool smtp,
                                                         platform::CertificateCheck& check) {
  const int implicitPort = smtp ? m_network.smtpTlsPort : m_network.pop3TlsPort;
  const bool implicit = server.port == implicitPort;
  const bool required = implicit || (smtp && server.port == m_network.submissionPort);
  const auto secure = [&]() {
    const platform::TlsOutcome outcome = m_socket.StartTls(server.host, TrustFor(server.host));
    if (outcome.established) return Opened::kOpen;
    check = outcome.certificate;
    if (!check.reason.empty()) return Opened::kUntrusted;
    LogStatus("no secure connection to " + server.host + ": " + outcome.error + "\r\n");
    return Opened::kFailed;
  };

  if (!m_socket.Connect(&m_owner, server.valid ? server.host : std::string(), server.port)) {
    return Opened::kFailed;
  }
  if (implicit) {
    const Opened secured = secure();
    if (secured != Opened::kOpen) return secured;
    return m_socket.ReadGreeting() ? Opened::kOpen : Opened::kFailed;
  }
  if (!m_socket.ReadGreeting()) return Opened::kFailed;
  // Ask for TLS where the server offers it; the dialogue then goes on as it would in plain text.
  bool offered = false;
  if (smtp) {
    if (!m_socket.Negotiate("ehlo pelgo\r\n", false)) return Opened::kFailed;
    offered =
        m_socket.LastReply().starts_with("250") && Offers(m_socket.LastReply(), "STARTTLS", 4);
  } else {
    if (!m_socket.Negotiate("capa\r\n", true)) return Opened::kFailed;
    offered = m_socket.LastReply().starts_with("+OK") && Offers(m_socket.LastReply(), "STLS", 0);
  }
  if (!offered) {
    if (!required) return Opened::kOpen;
    LogStatus("the server offers no STARTTLS, which port " + std::to_string(server.port) +
              " requires: nothing was sent\r\n");
    m_socket.Close();
    return Opened::kFailed;
  }
  if (!m_socket.Negotiate(smtp ? "starttls\r\n" : "stls\r\n", false)) return Opened::kFailed;
  if (!m_socket.LastReply().starts_with(smtp ? "220" : "+OK")) {
    LogStatus(std::string_view(m_socket.LastReply()).substr(0, kLoggedReply));
    if (required) {
      m_socket.Close();
      return Opened::kFailed;
    }
    return Opened::kOpen;
  }
  return secure();
}

bool FavoritesTransfer::OpenMail(const ServerAddress& server, bool smtp) {
  for (int attempt = 0;; ++attempt) {
    platform::CertificateCheck check;
    const Opened opened = TryOpenMail(server, smtp, check);
    if (opened != Opened::kUntrusted) return opened == Opened::kOpen;
    // Nothing was sent over the untrusted connection; it is made again if the user trusts it.
    if (attempt == 0 && TrustCertificate(server.host, check)) continue;
    LogStatus(platform::UntrustedText(server.host, check.reason) + "\r\n");
    return false;
  }
}

bool FavoritesTransfer::Authenticate() {
  int result = m_socket.SendCommand("auth login\r\n", 1);
  // AUTH is an extension of EHLO: a server that wants it asked for that way gets it.
  if (result < 0 && m_socket.IsOpen() && m_socket.LastReply().starts_with("503")) {
    if (m_socket.SendCommand("ehlo pelgo\r\n", 1) < 0) return false;
    result = m_socket.SendCommand("auth login\r\n", 1);
  }
  if (result < 0) {
    if (!m_socket.IsOpen()) return false;
    // A server that doesn't offer LOGIN offers PLAIN: every SASL server must.
    const std::string& reply = m_socket.LastReply();
    const bool mechanismRefused =
        reply.starts_with("504") || (reply.starts_with("535") && MentionsMechanism(reply));
    if (!mechanismRefused) return false;
    std::string plain(1, '\0');
    plain += m_settings.user;
    plain += '\0';
    plain += m_settings.pass;
    const std::string line = "AUTH PLAIN " + EncodeBase64(plain) + "\r\n";
    return m_socket.SendCommand(line.c_str(), 1) == 0;
  }
  const std::string lines[] = {EncodeBase64(m_settings.user) + "\r\n",
                               EncodeBase64(m_settings.pass) + "\r\n"};
  for (const std::string& line : lines) {
    if (m_socket.SendCommand(line.c_str(), 1) < 0) return false;
  }
  return true;
}

int FavoritesTransfer::UploadByMail() {
  m_owner.ClearStatus();
  std::string list;
  if (!platform::ReadWholeFile(m_files.local, list, kMaxListBytes)) {
    if (FileLargerThan(m_files.local, kMaxListBytes)) LogStatus(kTooLarge);
    return -1;
  }
  if (!NamesAreSafe(false)) return -1;
  const std::string message = BuildMessage(list);

  const std::string& smtp = m_settings.smtp;
  const ServerAddress server = ParseServerAddress(smtp, m_network.smtpPort);
  // Until the dialogue is open (greeting, TLS) there is no connection to speak of.
  if (!OpenMail(server, true)) return -2;

  if (m_socket.SendCommand("helo pelgo\r\n", 1) < 0) return -1;
  if (!Authenticate()) return -1;
  const std::string address = m_settings.user + "@" + MailDomain(smtp);
  const std::string lines[] = {
      "mail from: <" + address + ">\r\n",
      "rcpt to: <" + address + ">\r\n",
      "data\r\n",
  };
  for (const std::string& line : lines) {
    if (m_socket.SendCommand(line.c_str(), 1) < 0) return -1;
  }
  if (m_socket.SendCommand(message.data(), static_cast<int>(message.size())) < 0) return -1;
  return m_socket.SendCommand("quit\r\n", 1);
}

int FavoritesTransfer::DownloadByMail(DownloadMode mode) {
  m_owner.ClearStatus();
  if (!NamesAreSafe(false)) return -1;
  m_socket.SetDeleteMode(mode == DownloadMode::kDelete);
  const ServerAddress server = ParseServerAddress(m_settings.pop3, m_network.pop3Port);
  if (!OpenMail(server, false)) return -1;
  const std::string lines[] = {
      "user " + m_settings.user + "\r\n",
      "pass " + m_settings.pass + "\r\n",
      "stat\r\n",
  };
  for (const std::string& line : lines) {
    if (m_socket.SendCommand(line.c_str(), 1) < 0) return -1;
  }
  const bool listOnly = mode == DownloadMode::kList;
  bool found = false;
  if (!listOnly) {
    const int listed = m_socket.Messages();
    for (int k = 1; k <= listed; ++k) {
      if (k > kMaxMessagesExamined) {
        LogStatus("no favorites message among the first " + std::to_string(kMaxMessagesExamined) +
                  " messages: the rest are not examined\r\n");
        break;
      }
      const std::string top = "top " + std::to_string(k) + " 0\r\n";
      const int result = m_socket.SendCommand(top.c_str(), 2);
      if (result < 0) return -1;
      if (result == 1) {
        found = true;
        break;
      }
      // A message the server won't show doesn't exist, nor do the ones after it; this also keeps
      // a server that claims billions of messages from holding the scan.
      if (m_socket.LastReply().rfind("+OK", 0) != 0) break;
    }
  }
  // A retrieval that the user stopped or the server cut short is no copy at all.
  if (found && !m_socket.IsOpen()) return -1;
  // The copy is whole or untouched; a favorites message that brought no list, or a copy that
  // can't be stored, is a failed download, not the earlier copy passed off as new.
  bool stored = mode != DownloadMode::kRetrieve;
  if (std::optional<std::string> list = m_socket.TakeList()) {
    stored = platform::ReplaceFileWhole(m_files.server, *list) == 0;
    if (!stored) LogStatus(kNotWritten);
  }
  const int quit = m_socket.SendCommand("quit\r\n", 1);
  if (quit < 0) return quit;
  if (listOnly) return quit;
  if (!found) return 1;
  return stored ? quit : -1;
}

platform::FtpConnection FavoritesTransfer::ConnectFtp(bool testAccount) {
  platform::FtpConnection::Options options;
  options.connect = m_network.connectLimit;
  options.reply = m_network.replyLimit;
  options.end = m_end;
  options.maxDownload = kMaxListBytes;
  options.interrupted = [this] { return m_owner.Interrupted(); };
  options.progress = [this](long long done, long long total) {
    m_owner.Progress("bytes", done, total);
  };
  options.log = [this](std::string_view line) { LogStatus(line); };
  if (testAccount) {
    options.trust = TrustFor(QUILLMERE_TEST_HOST);
    options.trustCertificate = [this](const platform::CertificateCheck& check) {
      return TrustCertificate(QUILLMERE_TEST_HOST, check);
    };
    return platform::FtpConnection(QUILLMERE_TEST_HOST, m_network.ftpPort, QUILLMERE_TEST_USER,
                                   QUILLMERE_TEST_PASS, options);
  }
  const ServerAddress server = ParseServerAddress(m_settings.ftp, m_network.ftpPort);
  const std::string host = server.valid ? server.host : std::string();
  options.trust = TrustFor(host);
  options.trustCertificate = [this, host](const platform::CertificateCheck& check) {
    return TrustCertificate(host, check);
  };
  return platform::FtpConnection(host, server.port, m_settings.user, m_settings.pass, options);
}

void FavoritesTransfer::LogFtpEnding(platform::FtpConnection::Result result, std::string_view done,
                                     std::string_view failed) {
  using Result = platform::FtpConnection::Result;
  switch (result) {
    case Result::kCancelled:
      LogStatus(kCancelledLine);
      return;  // the user knows the rest
    case Result::kTooLarge:
      LogStatus(kServerCopyTooLargeLine);
      break;
    case Result::kStalled:
      LogStatus("ftp server did not answer in time\r\n");
      break;
    case Result::kOverTime:
      LogStatus(TimeLimitLine(m_network.totalLimit));
      break;
    case Result::kForged:
      LogStatus(
          "a data connection came from another address than the server's and was refused\r\n");
      break;
    default:
      break;
  }
  LogStatus(result == Result::kWhole ? done : failed);
}

int FavoritesTransfer::UploadByFtp(bool testAccount) {
  using Result = platform::FtpConnection::Result;
  if (!NamesAreSafe(testAccount)) return -1;
  const Result stored =
      ConnectFtp(testAccount).PutFile(m_files.local, testAccount ? TestAccountFile() : kRemoteFile);
  LogFtpEnding(stored, "Upload to ftp server successfully\r\n", "Upload to ftp server failed\r\n");
  return stored == Result::kWhole ? 0 : -1;
}

int FavoritesTransfer::DownloadByFtp(bool testAccount) {
  using Result = platform::FtpConnection::Result;
  if (!NamesAreSafe(testAccount)) return -1;
  const Result fetched =
      ConnectFtp(testAccount)
          .GetFile(testAccount ? TestAccountFile() : kRemoteFile, m_files.server);
  LogFtpEnding(fetched, "Download from ftp server successfully\r\n",
               "Download from ftp server failed\r\n");
  switch (fetched) {
    case Result::kWhole:
      return 0;
    case Result::kNoSuchFile:
      return 1;  // as a mailbox without a favorites message: no server copy yet
    default:
      return -1;
  }
}
