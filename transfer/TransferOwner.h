#pragma once

#include <string_view>

// What the transfer engine needs of the window that owns it: the status log and the wait cursor.
class TransferOwner {
 public:
  virtual ~TransferOwner() = default;
  // Appends the text to the status log, shows its last line and repaints at once.
  virtual void LogStatus(std::string_view text) = 0;
  // Empties the status log and repaints at once.
  virtual void ClearStatus() = 0;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Called while a transfer waits on the network, so the window keeps painting. User input is
  // not processed meanwhile: no command can start while another one runs.
  virtual void KeepPainting() = 0;
};

// Shows the owner's wait cursor for a scope; an FTP error passing through still ends it.
class WaitCursor {
 public:
  explicit WaitCursor(TransferOwner* owner) : m_owner(owner) {
    if (m_owner) m_owner->BeginWaitCursor();
  }
  ~WaitCursor() {
    if (m_owner) m_owner->EndWaitCursor();
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  TransferOwner* m_owner;
};
