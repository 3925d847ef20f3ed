#include "transfer/FavoritesTransfer.h"

#include <cstdio>
#include <filesystem>

#include "platform/CommandOwner.h"
#include "platform/FtpConnection.h"
#include "platform/WholeFile.h"
#include "transfer/Base64.h"
#include "transfer/ServerAddress.h"

namespace {

constexpr std::string_view kTooLarge = "favorites list too large for mail\r\n";

constexpr std::string_view kNotWritten = "favorites-server.txt can't be written\r\n";

bool FileLargerThan(const std::string& path, std::uintmax_t limit) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return !error && size > limit;
}

}  // namespace

FavoritesTransfer::FavoritesTransfer(CommandOwner& owner, TransferSettings settings, Files files,
                                     TransferNetwork network)
    : m_owner(owner),
      m_settings(std::move(settings)),
      m_files(std::move(files)),
      m_network(network) {
  m_socket.SetTimeLimits(m_network.connectLimit, m_network.replyLimit);
}

void FavoritesTransfer::LogStatus(std::string_view text) {
  m_owner.LogStatus(text);
}

std::string FavoritesTransfer::BuildMessage(std::string_view list) {
  char field[16];
  std::snprintf(field, sizeof field, "%04zx", list.size() + 5);
  std::string message = "Subject: favorites\r\n\r\n!@#$";
  message += field;
  message += list;
  message += "\r\n.\r\n";
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
  if (m_settings.method != 0) return 0;
  if (!FileLargerThan(m_files.local, kMaxMailList)) return 0;
  m_owner.ClearStatus();
  LogStatus(kTooLarge);
  return -1;
}

int FavoritesTransfer::Upload() {
  switch (m_settings.method) {
    case 0:
      return UploadByMail();
    case 1:
      return UploadByFtp(false) ? 0 : -1;
    case 2:
      return UploadByFtp(true) ? 0 : -1;
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

int FavoritesTransfer::UploadByMail() {
  m_owner.ClearStatus();
  std::string list;
  if (!platform::ReadWholeFile(m_files.local, list)) return -1;
  // The four hex digits of the length field can't describe a longer list; a message that lied
  // about its length would be read back wrong.
  if (list.size() > kMaxMailList) {
    LogStatus(kTooLarge);
    return -1;
  }
  const std::string message = BuildMessage(list);

  const std::string& smtp = m_settings.smtp;
  const ServerAddress server = ParseServerAddress(smtp, m_network.smtpPort);
  if (!m_socket.OpenDialogue(&m_owner, server.valid ? server.host : std::string(), server.port)) {
    return -2;
  }

  const std::string& user = m_settings.user;
  const std::string address = user + "@" + MailDomain(smtp);
  const std::string lines[] = {
      "helo pelgo\r\n",
      "auth login\r\n",
      EncodeBase64(user) + "\r\n",
      EncodeBase64(m_settings.pass) + "\r\n",
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
  m_socket.SetDeleteMode(mode == DownloadMode::kDelete);
  const ServerAddress server = ParseServerAddress(m_settings.pop3, m_network.pop3Port);
  if (!m_socket.OpenDialogue(&m_owner, server.valid ? server.host : std::string(), server.port)) {
    return -1;
  }
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
    for (int k = 1; k <= m_socket.Messages(); ++k) {
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
  const auto paint = [this] { m_owner.Interrupted(); };
  const platform::FtpConnection::Limits limits{m_network.connectLimit, m_network.replyLimit};
  if (testAccount) {
    return platform::FtpConnection(QUILLMERE_TEST_HOST, m_network.ftpPort, QUILLMERE_TEST_USER,
                                   QUILLMERE_TEST_PASS, limits, paint);
  }
  const ServerAddress server = ParseServerAddress(m_settings.ftp, m_network.ftpPort);
  return platform::FtpConnection(server.valid ? server.host : std::string(), server.port,
                                 m_settings.user, m_settings.pass, limits, paint);
}

bool FavoritesTransfer::UploadByFtp(bool testAccount) {
  const bool stored = ConnectFtp(testAccount)
                          .PutFile(m_files.local, testAccount ? TestAccountFile() : kRemoteFile);
  LogStatus(stored ? "Upload to ftp server successfully\r\n" : "Upload to ftp server failed\r\n");
  return stored;
}

int FavoritesTransfer::DownloadByFtp(bool testAccount) {
  using Fetched = platform::FtpConnection::Fetched;
  const Fetched fetched = ConnectFtp(testAccount).GetFile(
      testAccount ? TestAccountFile() : kRemoteFile, m_files.server);
  LogStatus(fetched == Fetched::kWhole ? "Download from ftp server successfully\r\n"
                                       : "Download from ftp server failed\r\n");
  switch (fetched) {
    case Fetched::kWhole:
      return 0;
    case Fetched::kNoSuchFile:
      return 1;  // as a mailbox without a favorites message: no server copy yet
    default:
      return -1;
  }
}
