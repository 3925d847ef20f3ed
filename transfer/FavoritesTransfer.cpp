#include "FavoritesTransfer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Base64.h"
#include "FtpConnection.h"
#include "SettingsStore.h"

namespace {

constexpr std::string_view kTooLarge = "favorites list too large for mail\r\n";

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool FileLargerThan(const std::string& path, std::uintmax_t limit) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return !error && size > limit;
}

}  // namespace

void FavoritesTransfer::LogStatus(std::string_view text) {
  if (owner) owner->LogStatus(text);
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
  const std::size_t dot = smtpHost.find('.');
  return dot == std::string::npos ? smtpHost : smtpHost.substr(dot + 1);
}

std::string FavoritesTransfer::TestAccountFile() const {
  return "Quillmere/" + remoteFile.substr(0, remoteFile.find('.')) +
         platform::GetSettingString("user") + platform::GetSettingString("pass") + ".txt";
}

int FavoritesTransfer::CheckUploadSize() {
  if (platform::GetSettingInt("Save method") != 0) return 0;
  if (!FileLargerThan(localFile, kMaxMailList)) return 0;
  if (owner) owner->ClearStatus();
  LogStatus(kTooLarge);
  return -1;
}

int FavoritesTransfer::Upload() {
  const WaitCursor wait(owner);
  switch (platform::GetSettingInt("Save method")) {
    case 0:
      return UploadByMail();
    case 1:
      UploadByFtp(false);
      return 0;
    case 2:
      UploadByFtp(true);
      return 0;
    default:
      return 0;
  }
}

int FavoritesTransfer::Download() {
  const WaitCursor wait(owner);
  switch (platform::GetSettingInt("Save method")) {
    case 0:
      return DownloadByMail();
    case 1:
      DownloadByFtp(false);
      return 0;
    case 2:
      DownloadByFtp(true);
      return 0;
    default:
      return 0;
  }
}

int FavoritesTransfer::UploadByMail() {
  if (owner) owner->ClearStatus();
  std::string list;
  if (!ReadWholeFile(localFile, list)) return -1;
  // The four hex digits of the length field can't describe a longer list; a message that lied
  // about its length would be read back wrong.
  if (list.size() > kMaxMailList) {
    LogStatus(kTooLarge);
    return -1;
  }
  const std::string message = BuildMessage(list);

  socket.SetTimeLimits(network.connectLimit, network.replyLimit);
  const std::string smtp = platform::GetSettingString("smtp");
  if (!socket.OpenDialogue(owner, smtp, network.smtpPort)) return -2;

  const std::string user = platform::GetSettingString("user");
  const std::string address = user + "@" + MailDomain(smtp);
  const std::string lines[] = {
      "helo pelgo\r\n",
      "auth login\r\n",
      EncodeBase64(user) + "\r\n",
      EncodeBase64(platform::GetSettingString("pass")) + "\r\n",
      "mail from: <" + address + ">\r\n",
      "rcpt to: <" + address + ">\r\n",
      "data\r\n",
  };
  for (const std::string& line : lines) {
    if (socket.SendCommand(line.c_str(), 1) < 0) return -1;
  }
  if (socket.SendCommand(message.data(), static_cast<int>(message.size())) < 0) return -1;
  return socket.SendCommand("quit\r\n", 1);
}

int FavoritesTransfer::DownloadByMail() {
  if (owner) owner->ClearStatus();
  socket.SetTimeLimits(network.connectLimit, network.replyLimit);
  if (!socket.OpenDialogue(owner, platform::GetSettingString("pop3"), network.pop3Port)) {
    return -1;
  }
  const std::string lines[] = {
      "user " + platform::GetSettingString("user") + "\r\n",
      "pass " + platform::GetSettingString("pass") + "\r\n",
      "stat\r\n",
  };
  for (const std::string& line : lines) {
    if (socket.SendCommand(line.c_str(), 1) < 0) return -1;
  }
  bool found = false;
  if (!listOnly) {
    for (int k = 1; k <= socket.m_nMessages; ++k) {
      const std::string top = "top " + std::to_string(k) + " 0\r\n";
      const int result = socket.SendCommand(top.c_str(), 2);
      if (result < 0) return -1;
      if (result == 1) {
        found = true;
        break;
      }
      // A message the server won't show doesn't exist, nor do the ones after it; this also keeps
      // a server that claims billions of messages from holding the scan.
      if (socket.LastReply().rfind("+OK", 0) != 0) break;
    }
  }
  const int quit = socket.SendCommand("quit\r\n", 1);
  if (quit < 0) return quit;
  return found || listOnly ? quit : 1;
}

void FavoritesTransfer::UploadByFtp(bool testAccount) {
  const std::string user = platform::GetSettingString("user");
  const std::string pass = platform::GetSettingString("pass");
  const auto paint = [this] {
    if (owner) owner->KeepPainting();
  };
  const platform::FtpConnection::Limits limits{network.connectLimit, network.replyLimit};
  const bool stored =
      testAccount ? platform::FtpConnection(QUILLMERE_TEST_HOST, network.ftpPort,
                                            QUILLMERE_TEST_USER, QUILLMERE_TEST_PASS, limits, paint)
                        .PutFile(localFile, TestAccountFile())
                  : platform::FtpConnection(platform::GetSettingString("ftp"), network.ftpPort,
                                            user, pass, limits, paint)
                        .PutFile(localFile, remoteFile);
  LogStatus(stored ? "Upload to ftp server successfully\r\n" : "Upload to ftp server failed\r\n");
}

void FavoritesTransfer::DownloadByFtp(bool testAccount) {
  const std::string user = platform::GetSettingString("user");
  const std::string pass = platform::GetSettingString("pass");
  const auto paint = [this] {
    if (owner) owner->KeepPainting();
  };
  const platform::FtpConnection::Limits limits{network.connectLimit, network.replyLimit};
  const bool fetched =
      testAccount ? platform::FtpConnection(QUILLMERE_TEST_HOST, network.ftpPort,
                                            QUILLMERE_TEST_USER, QUILLMERE_TEST_PASS, limits, paint)
                        .GetFile(TestAccountFile(), serverFile)
                  : platform::FtpConnection(platform::GetSettingString("ftp"), network.ftpPort,
                                            user, pass, limits, paint)
                        .GetFile(remoteFile, serverFile);
  LogStatus(fetched ? "Download from ftp server successfully\r\n"
                    : "Download from ftp server failed\r\n");
}
