#pragma once

#include <chrono>
#include <string>

// The settings one transfer works with, read from the store when a command starts.
struct TransferSettings {
  int method = 0;  // 0 by mail, 1 the user's FTP server, 2 the test account; others: none
  std::string pop3;
  std::string smtp;
  std::string ftp;
  std::string user;
  std::string pass;
};

// The ports the three ways use when an address names none, and the time limits. Tests point
// them at servers of their own.
struct TransferNetwork {
  int smtpPort = 25;
  int pop3Port = 110;
  int ftpPort = 21;
  std::chrono::milliseconds connectLimit{15000};
  std::chrono::milliseconds replyLimit{30000};
};

// What a download does: fetch the server copy, delete the favorites message (the Upload
// command's first step), or only sign in and list the mailbox.
enum class DownloadMode { kRetrieve, kDelete, kList };
