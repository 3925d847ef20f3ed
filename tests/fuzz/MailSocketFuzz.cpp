// Any bytes from a mail server, split into reads in any way, through the whole POP3 download
// (greeting, USER, PASS, STAT, TOP, RETR or DELE, QUIT) or the whole SMTP upload. Nothing may
// crash or leak; a delete-mode download never retrieves and a retrieving one never deletes; and
// "favorites-server.txt" is either left as it was or holds exactly one list that the server sent
// after a marker and a length field that match it.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/StreamConnection.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/RecordingOwner.h"
#include "transfer/CMailSocket.h"
#include "transfer/FavoritesTransfer.h"

using fuzzcheck::Require;
using platform::IoResult;

namespace {

using Owner = testsupport::RecordingOwner;

// The server: the fuzzer's bytes, handed out in reads of sizes the fuzzer also chooses. At the
// end it either closes the stream or stays silent until the deadline; a send can fail too.
class FuzzServer : public platform::StreamConnection {
 public:
  FuzzServer(std::string_view bytes, std::vector<size_t> splits, bool silentAtEnd, int failingSend,
             std::vector<std::string>& sent)
      : m_bytes(bytes),
        m_splits(std::move(splits)),
        m_silentAtEnd(silentAtEnd),
        m_failingSend(failingSend),
        m_sent(sent) {}

  IoResult Send(std::string_view bytes, Clock::time_point) override {
    if (static_cast<int>(m_sent.size()) + 1 == m_failingSend) return IoResult::kFailed;
    m_sent.emplace_back(bytes);
    return IoResult::kOk;
  }

  IoResult Receive(std::string& out, std::size_t maxBytes, Clock::time_point) override {
    if (m_pos == m_bytes.size()) return m_silentAtEnd ? IoResult::kTimedOut : IoResult::kClosed;
    size_t want = m_splits.empty() ? m_bytes.size() : m_splits[m_read++ % m_splits.size()];
    want = std::min({want, maxBytes, m_bytes.size() - m_pos});
    out.append(m_bytes.substr(m_pos, want));
    m_pos += want;
    return IoResult::kOk;
  }

 private:
  std::string_view m_bytes;
  std::vector<size_t> m_splits;
  bool m_silentAtEnd;
  int m_failingSend;
  std::vector<std::string>& m_sent;
  size_t m_pos = 0;
  size_t m_read = 0;
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// True when the list follows "!@#$" and a length field of list size + 5 somewhere in the stream.
bool SentAsAList(std::string_view stream, std::string_view list) {
  char field[5];
  std::snprintf(field, sizeof field, "%04zx", list.size() + 5);
  for (size_t at = stream.find("!@#$"); at != std::string_view::npos;
       at = stream.find("!@#$", at + 1)) {
    const std::string_view rest = stream.substr(at + 4);
    if (rest.size() < 4 + list.size()) break;
    bool lengthMatches = true;
    for (int i = 0; i < 4; ++i) {
      const char c = rest[static_cast<size_t>(i)];
      const char lower = c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
      lengthMatches = lengthMatches && lower == field[i];
    }
    if (lengthMatches && rest.substr(4, list.size()) == list) return true;
  }
  return false;
}

void RunPop3(CMailSocket& socket, bool deleteMode) {
  socket.SetDeleteMode(deleteMode);
  for (const char* line : {"user someone\r\n", "pass secret\r\n", "stat\r\n"}) {
    if (socket.SendCommand(line, 1) < 0) return;
  }
  Require(socket.Messages() >= 0, "the message count is never negative");
  // The engine's loop, bounded here to keep one run short.
  for (int k = 1; k <= socket.Messages() && k <= 8; ++k) {
    const std::string top = "top " + std::to_string(k) + " 0\r\n";
    const int result = socket.SendCommand(top.c_str(), 2);
    Require(result >= -1 && result <= 1, "a TOP verdict is -1, 0 or 1");
    if (result != 0) break;
    if (!StartsWith(socket.LastReply(), "+OK")) break;
  }
  const int quit = socket.SendCommand("quit\r\n", 1);
  Require(quit == 0 || quit == -1, "a verdict is 0 or -1");
}

void RunSmtp(CMailSocket& socket) {
  const std::string message = FavoritesTransfer::BuildMessage("Favorites\r\n\tA\x01http://a/\r\n");
  for (const char* line :
       {"helo pelgo\r\n", "auth login\r\n", "dXNlcg==\r\n", "cGFzcw==\r\n",
        "mail from: <user@example>\r\n", "rcpt to: <user@example>\r\n", "data\r\n"}) {
    const int verdict = socket.SendCommand(line, 1);
    Require(verdict == 0 || verdict == -1, "a verdict is 0 or -1");
    if (verdict < 0) return;
  }
  const int block = socket.SendCommand(message.data(), static_cast<int>(message.size()));
  Require(block == 0 || block == -1, "a verdict is 0 or -1");
  if (block == 0) socket.SendCommand("quit\r\n", 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const uint8_t mode = input.ConsumeIntegral<uint8_t>();
  const bool smtp = mode & 1;
  const bool deleteMode = mode & 2;
  const bool silentAtEnd = mode & 4;
  const int failingSend = (mode >> 3) & 15;  // 0: every send succeeds
  std::vector<size_t> splits;
  for (int i = input.ConsumeIntegralInRange<int>(0, 8); i > 0; --i) {
    splits.push_back(input.ConsumeBool() ? input.ConsumeIntegralInRange<size_t>(1, 8)
                                         : input.ConsumeIntegralInRange<size_t>(1, 70000));
  }
  const std::string stream = input.ConsumeRemainingBytesAsString();

  Owner owner;
  std::vector<std::string> sent;
  std::optional<std::string> copy;
  {
    CMailSocket socket;
    socket.SetTimeLimits(std::chrono::milliseconds(50), std::chrono::milliseconds(50));
    auto server = std::make_unique<FuzzServer>(stream, splits, silentAtEnd, failingSend, sent);
    if (socket.OpenDialogue(&owner, std::move(server))) {
      if (smtp) {
        RunSmtp(socket);
      } else {
        RunPop3(socket, deleteMode);
      }
    }
    copy = socket.TakeList();
  }

  for (const std::string& command : sent) {
    if (!smtp && deleteMode) Require(!StartsWith(command, "retr "), "delete mode never retrieves");
    if (!smtp && !deleteMode) Require(!StartsWith(command, "dele "), "a download never deletes");
  }
  for (size_t i = 0; i < sent.size(); ++i) {
    if (!StartsWith(sent[i], "retr ") && !StartsWith(sent[i], "dele ")) continue;
    Require(i > 0 && StartsWith(sent[i - 1], "top "), "RETR and DELE follow a TOP");
    Require(sent[i].substr(5) == sent[i - 1].substr(4, sent[i - 1].size() - 4 - 4) + "\r\n",
            "RETR and DELE name the message that TOP examined");
  }

  if (copy) {
    Require(!smtp && !deleteMode, "only a retrieval hands over a server copy");
    Require(SentAsAList(stream, *copy), "the server copy is one whole list the server sent");
  }
  return 0;
}
