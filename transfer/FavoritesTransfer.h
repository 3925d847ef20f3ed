#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "CMailSocket.h"
#include "TransferOwner.h"

// The transfer engine: carries the favorites list to the server and back, by mail (SMTP up, POP3
// down), through the user's FTP server or through the built-in test account.
class FavoritesTransfer {
 public:
  void SetOwner(TransferOwner* dialog) { owner = dialog; }
  // 0 done (the FTP ways whatever the store did), -1 the list can't be read or is too large for
  // the mail, or the server refused; -2 no connection to the SMTP server.
  int Upload();
  // 0 fetched (or deleted, or listed), 1 no favorites message in the mailbox, -1 failure.
  int Download();
  // Asked before the Upload command deletes the old message from the mailbox: -1, with one status
  // line, when the mail way is chosen and "favorites-local.txt" is too large for the message's
  // length field; 0 otherwise.
  int CheckUploadSize();
  void LogStatus(std::string_view text);

  // The favorites message that carries a list by mail, with the "\r\n.\r\n" that ends the data.
  static std::string BuildMessage(std::string_view list);
  // The mail domain from the "smtp" setting: what follows its first dot, else all of it.
  static std::string MailDomain(const std::string& smtpHost);

  static constexpr std::size_t kMaxMailList = 0xffff - 5;

  int listOnly = 0;
  TransferOwner* owner = nullptr;
  const std::string localFile = "favorites-local.txt";
  const std::string serverFile = "favorites-server.txt";
  const std::string remoteFile = "favorites.txt";
  CMailSocket socket;

  // Ports and time limits of the three ways. Tests point them at servers of their own.
  struct Network {
    int smtpPort = 25;
    int pop3Port = 110;
    int ftpPort = 21;
    std::chrono::milliseconds connectLimit{15000};
    std::chrono::milliseconds replyLimit{30000};
  };
  Network network;

 private:
  int UploadByMail();
  int DownloadByMail();
  // Way 1 (the user's server) or way 2 (the test account); raises platform::FtpError when the
  // server can't be reached or refuses the login.
  void UploadByFtp(bool testAccount);
  void DownloadByFtp(bool testAccount);
  std::string TestAccountFile() const;
};
