#pragma once

#include <string>
#include <string_view>

#include "platform/FtpConnection.h"
#include "transfer/CMailSocket.h"
#include "transfer/TransferSettings.h"

class CommandOwner;

// The transfer engine: carries the favorites list to the server and back, by mail (SMTP up, POP3
// down), through the user's FTP server or through the built-in test account, as the settings it
// is made with say. One engine serves one command.
class FavoritesTransfer {
 public:
  // The engine's two files: the list an upload sends, and where a download stores the copy.
  struct Files {
    std::string local;
    std::string server;
  };

  FavoritesTransfer(CommandOwner& owner, TransferSettings settings, Files files,
                    TransferNetwork network = {});

  // 0 done, -1 the list can't be read or is too large for the mail, the server refused or the
  // store failed; -2 no connection to the SMTP server. The FTP ways raise platform::FtpError
  // when the server can't be reached or refuses the login.
  int Upload();
  // 0 fetched (or deleted, or listed), 1 no server copy (no favorites message in the mailbox, no
  // such file on the FTP server), -1 failure. The FTP ways fetch in every mode.
  int Download(DownloadMode mode);
  // -1, with one status line, when the mail way is chosen and the upload's list is too large for
  // the message's length field; 0 otherwise. Asked before anything is deleted or sent.
  int CheckUploadSize();
  void LogStatus(std::string_view text);

  // The favorites message that carries a list by mail, with the "\r\n.\r\n" that ends the data.
  static std::string BuildMessage(std::string_view list);
  // The mail domain from the "smtp" setting: what follows its first dot, else all of it.
  static std::string MailDomain(const std::string& smtpHost);
  // The remote name on the built-in test account: "Quillmere/favorites<user><pass>.txt".
  std::string TestAccountFile() const;

  static constexpr std::size_t kMaxMailList = 0xffff - 5;
  static constexpr const char* kRemoteFile = "favorites.txt";

 private:
  int UploadByMail();
  int DownloadByMail(DownloadMode mode);
  // Way 1 (the user's server) or way 2 (the test account).
  platform::FtpConnection ConnectFtp(bool testAccount);
  bool UploadByFtp(bool testAccount);
  int DownloadByFtp(bool testAccount);

  CommandOwner& m_owner;
  TransferSettings m_settings;
  Files m_files;
  TransferNetwork m_network;
  CMailSocket m_socket;
};
