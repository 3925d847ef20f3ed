#pragma once

#include <string>
#include <string_view>

#include "platform/FtpConnection.h"
#include "platform/TlsTrust.h"
#include "transfer/CMailSocket.h"
#include "transfer/ServerAddress.h"
#include "transfer/TransferSettings.h"

class CommandOwner;

// The transfer engine: carries the favorites list to the server and back, by mail (SMTP up, POP3
// down), through the user's FTP server or through the built-in test account, as the settings it
// is made with say. One engine serves one command; its time limit runs from its construction.
class FavoritesTransfer {
 public:
  // The engine's two files: the list an upload sends, and where a download stores the copy.
  struct Files {
    std::string local;
    std::string server;
  };

  FavoritesTransfer(CommandOwner& owner, TransferSettings settings, Files files,
                    TransferNetwork network = {});

  // 0 done; -1 the list can't be read or is too large, a name from the settings can't be sent,
  // the server refused, the store failed, or the user cancelled; -2 no connection to the SMTP
  // server. The FTP ways raise platform::FtpError when the server can't be reached or refuses
  // the login.
  int Upload();
  // 0 fetched (or deleted, or listed), 1 no server copy (no favorites message in the mailbox, no
  // such file on the FTP server), -1 failure. The FTP ways fetch in every mode.
  int Download(DownloadMode mode);
  // -1, with one status line, when the upload's list is larger than any transfer carries; 0
  // otherwise. Asked before anything is deleted or sent.
  int CheckUploadSize();
  void LogStatus(std::string_view text);

  // The favorites message that carries a list by mail, with the "\r\n.\r\n" that ends the data.
  // A list of up to kMaxMailList bytes follows "!@#$" and four hex digits as it is; a longer one
  // follows "!@#&" and eight, in base64 lines, where a reader that knows only the first form
  // finds no list.
  static std::string BuildMessage(std::string_view list);
  // The mail domain from the "smtp" setting: what follows its first dot, else all of it.
  static std::string MailDomain(const std::string& smtpHost);
  // The remote name on the built-in test account: "Quillmere/favorites<user><pass>.txt".
  std::string TestAccountFile() const;

  static constexpr std::size_t kMaxMailList = 0xffff - 5;  // the four-digit length field's largest
  static constexpr int kMaxMessagesExamined = 10000;
  static constexpr const char* kRemoteFile = "favorites.txt";

 private:
  enum class Opened { kOpen, kFailed, kUntrusted };
  int UploadByMail();
  int DownloadByMail(DownloadMode mode);
  // Connects, secures the connection as the port and the server's offer say, and reads the
  // greeting; asks once whether a self-signed certificate may be trusted.
  bool OpenMail(const ServerAddress& server, bool smtp);
  Opened TryOpenMail(const ServerAddress& server, bool smtp, platform::CertificateCheck& check);
  // Sends AUTH as real servers accept it; false when the dialogue ended.
  bool Authenticate();
  // Whether the user trusts the self-signed certificate from now on; kept in the settings.
  bool TrustCertificate(const std::string& host, const platform::CertificateCheck& check);
  platform::TlsTrust TrustFor(const std::string& host) const;
  // False, with a status line, when the user name or password can't go into a protocol line
  // (or, for the test account, into its file name).
  bool NamesAreSafe(bool testAccount);
  // Way 1 (the user's server) or way 2 (the test account).
  platform::FtpConnection ConnectFtp(bool testAccount);
  int UploadByFtp(bool testAccount);
  int DownloadByFtp(bool testAccount);
  // The status lines of how an FTP transfer ended: why it did not end whole, then done or failed
  // (a cancelled one says only that).
  void LogFtpEnding(platform::FtpConnection::Result result, std::string_view done,
                    std::string_view failed);

  CommandOwner& m_owner;
  TransferSettings m_settings;
  Files m_files;
  TransferNetwork m_network;
  platform::FtpConnection::Clock::time_point m_end;  // the whole transfer's time limit
  CMailSocket m_socket;
};
