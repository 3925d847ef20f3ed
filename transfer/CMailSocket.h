#pragma once

#include <string>

class TransferOwner;

// The SMTP and POP3 socket of the transfer engine.
class CMailSocket {
 public:
  TransferOwner* m_pOwner = nullptr;
  int m_nMessages = 0;
  int m_bDelete = 0;
};
