#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The largest favorites list a transfer sends or accepts, by any way.
inline constexpr std::size_t kMaxListBytes = std::size_t{64} << 20;
// How long one whole transfer may take, whatever the server does; each reply has a shorter limit.
inline constexpr std::chrono::minutes kTransferTimeLimit{5};

// The status line of a transfer that its whole time limit ended.
inline std::string TimeLimitLine(std::chrono::milliseconds limit) {
  return "transfer stopped at its time limit of " + std::to_string((limit.count() + 999) / 1000) +
         " s\r\n";
}

// The status lines of a transfer the user stopped, and of a server copy over kMaxListBytes.
inline constexpr std::string_view kCancelledLine = "transfer cancelled\r\n";
inline constexpr std::string_view kServerCopyTooLargeLine =
    "server copy larger than 64 MiB: refused\r\n";
// How much of a server's reply a status line shows.
inline constexpr std::size_t kLoggedReply = 1023;

// The settings one transfer works with, read from the store when a command starts.
struct TransferSettings {
  int method = 0;  // 0 by mail, 1 the user's FTP server, 2 the test account; others: none
  std::string pop3;
  std::string smtp;
  std::string ftp;
  std::string user;
  std::string pass;
  // Certificates the user chose to trust: "host=fingerprint" entries separated by ";".
  std::string trustedCertificates;
};

// The ports the three ways use when an address names none, the ports that decide how mail is
// secured, and the time limits. Tests point them at servers of their own.
struct TransferNetwork {
  int smtpPort = 25;
  int pop3Port = 110;
  int ftpPort = 21;
  int smtpTlsPort = 465;     // TLS from the first byte
  int submissionPort = 587;  // STARTTLS required
  int pop3TlsPort = 995;     // TLS from the first byte
  std::chrono::milliseconds connectLimit{15000};
  std::chrono::milliseconds replyLimit{30000};
  std::chrono::milliseconds totalLimit{kTransferTimeLimit};
  // Certificates in PEM to trust instead of the system's store (the tests' servers); empty: the
  // system's store.
  std::string tlsCaFile;
  // Keeps the trusted certificates when the user trusts one more (the settings store).
  std::function<void(const std::string& trustedCertificates)> storeTrustedCertificates;
};

// What a download does: fetch the server copy, delete the favorites message (the Upload
// command's first step), or only sign in and list the mailbox.
enum class DownloadMode { kRetrieve, kDelete, kList };
