#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>

#include "transfer/CMailSocket.h"
#include "tests/support/LoopbackPort.h"
#include "tests/support/MemoryConnection.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"

namespace {

using platform::IoResult;
using testsupport::MemoryConnection;
using testsupport::RecordingOwner;

// A socket with a dialogue opened over server bytes in memory.
class MailSocketTest : public ::testing::Test {
 protected:
  // Opens the dialogue on a greeting followed by the given pieces; the greeting is logged and
  // then cleared, so the status holds what the test's commands log.
  void Open(std::vector<std::string> pieces, IoResult atEnd = IoResult::kClosed) {
    pieces.insert(pieces.begin(), "+OK ready\r\n");
    auto connection = std::make_unique<MemoryConnection>(std::move(pieces), atEnd);
    m_record = connection->record();
    ASSERT_TRUE(socket.OpenDialogue(&owner, std::move(connection)));
    owner.status.clear();
  }
  std::string Sent() const { return m_record->sent; }
  // The list the last retrieval handed over, or "<none>".
  std::string Retrieved() {
    const std::optional<std::string> list = socket.TakeList();
    return list ? *list : "<none>";
  }

  RecordingOwner owner;
  CMailSocket socket;
  std::shared_ptr<MemoryConnection::Record> m_record;
};

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// Every way of cutting a reply into reads: whole, one byte per read, and at every position.
std::vector<std::vector<std::string>> Splits(const std::string& reply) {
  std::vector<std::vector<std::string>> splits{{reply}};
  std::vector<std::string> bytes;
  for (char c : reply) bytes.emplace_back(1, c);
  splits.push_back(bytes);
  for (std::size_t at = 1; at < reply.size(); ++at) {
    splits.push_back({reply.substr(0, at), reply.substr(at)});
  }
  return splits;
}

TEST_F(MailSocketTest, VerdictOnlyFailsRepliesBeginningWith5) {
  const struct {
    const char* reply;
    int verdict;
  } cases[] = {
      {"+OK done\r\n", 0},         {"250 ok\r\n", 0},       {"334 VXNlcm5hbWU6\r\n", 0},
      {"354 go ahead\r\n", 0},     {"450 busy\r\n", 0},     {"-ERR no such thing\r\n", 0},
      {"535 auth failed\r\n", -1}, {"554 refused\r\n", -1}, {"\r\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    Open({c.reply});
    EXPECT_EQ(socket.SendCommand("noop\r\n", 1), c.verdict);
    EXPECT_EQ(owner.status, c.reply);
    EXPECT_EQ(Sent(), "noop\r\n");
  }
}

TEST_F(MailSocketTest, MultiLineSmtpReplyIsReadAndLoggedWholeHoweverSplit) {
  const std::string reply = "250-mail.example.org\r\n250-SIZE 1000\r\n250 AUTH LOGIN\r\n";
  for (const auto& pieces : Splits(reply)) {
    std::vector<std::string> withNext = pieces;
    withNext.push_back("221 bye\r\n");
    Open(withNext);
    EXPECT_EQ(socket.SendCommand("helo pelgo\r\n", 1), 0);
    EXPECT_EQ(socket.SendCommand("quit\r\n", 1), 0);
    ASSERT_EQ(owner.status, reply + "221 bye\r\n");
  }
}

TEST_F(MailSocketTest, GreetingIsLoggedAsItCame) {
  auto connection = std::make_unique<MemoryConnection>(
      std::vector<std::string>{"220-first\r\n", "220 second\r\n"});
  EXPECT_TRUE(socket.OpenDialogue(&owner, std::move(connection)));
  EXPECT_EQ(owner.status, "220-first\r\n220 second\r\n");
}

TEST_F(MailSocketTest, StatTakesTheMessageCountWithoutLogging) {
  const struct {
    const char* reply;
    int count;
  } cases[] = {
      {"+OK 3 1024\r\n", 3},
      {"+OK\r\n", 0},
      {"-ERR [AUTH] not signed in\r\n", 0},
      {"+OK 2147483648 0\r\n", INT_MAX},
      {"+OK 99999999999999999999999 1\r\n", INT_MAX},
      {"3 is not read from the first character\r\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    Open({c.reply});
    EXPECT_EQ(socket.SendCommand("stat\r\n", 1), 0);
    EXPECT_EQ(socket.Messages(), c.count);
    EXPECT_EQ(owner.status, "");
  }
}

TEST_F(MailSocketTest, TopExaminesSubjectAndDate) {
  const struct {
    const char* name;
    std::string headers;
    std::string logged;
    bool recognised;
  } cases[] = {
      {"favorites", "Subject: favorites\r\nDate: Mon, 1 Jan 2024\r\n",
       "Subject: favorites\r\nDate: Mon, 1 Jan 2024\r\n", true},
      {"longer subject", "Subject: favorites-old\r\nDate: d\r\n",
       "Subject: favorites-old\r\nDate: d\r\n", true},
      {"date first", "Date: d\r\nSubject: favorites\r\n", "Subject: favorites\r\nDate: d\r\n",
       true},
      {"small s", "subject: favorites\r\nDate: d\r\n", "no subject\r\nDate: d\r\n", false},
      {"no date", "Subject: holiday\r\n", "Subject: holiday\r\nno date\r\n", false},
      {"neither", "From: a@b\r\n", "no subject\r\nno date\r\n", false},
      {"one short", "Subject: favorite\r\nDate: d\r\n", "Subject: favorite\r\nDate: d\r\n", false},
      {"empty", "", "no subject\r\nno date\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string reply = "+OK\r\n" + c.headers + ".\r\n";
    // The status line alone in the first read, then the rest; and all in one read.
    for (const auto& pieces :
         {std::vector<std::string>{"+OK\r\n", reply.substr(5)}, std::vector<std::string>{reply}}) {
      socket.SetDeleteMode(true);
      Open({pieces[0], pieces.size() > 1 ? pieces[1] : "", "+OK deleted\r\n"});
      EXPECT_EQ(socket.SendCommand("top 4 0\r\n", 2), c.recognised ? 1 : 0);
      EXPECT_EQ(owner.status, c.logged + (c.recognised ? "+OK deleted\r\n" : ""));
      EXPECT_EQ(Sent(), c.recognised ? "top 4 0\r\ndele 4\r\n" : "top 4 0\r\n");
    }
  }
}

TEST_F(MailSocketTest, TopIsIndependentOfReadSplits) {
  const std::string reply =
      "+OK\r\nReturn-Path: <a@b>\r\nDate: Tue, 2 Jan 2024\r\nSubject: favorites\r\n.\r\n";
  for (const auto& pieces : Splits(reply)) {
    socket.SetDeleteMode(true);
    std::vector<std::string> all = pieces;
    all.push_back("+OK\r\n");
    Open(all);
    ASSERT_EQ(socket.SendCommand("top 12 0\r\n", 2), 1);
    ASSERT_EQ(owner.status, "Subject: favorites\r\nDate: Tue, 2 Jan 2024\r\n+OK\r\n");
    ASSERT_EQ(Sent(), "top 12 0\r\ndele 12\r\n");
  }
}

// The RETR reply a POP3 server gives for a favorites message whose list is given.
std::string RetrReply(const std::string& field, const std::string& list) {
  return "+OK 99 octets\r\nX-Peer: 127.0.0.1\r\nSubject: favorites\r\n\r\n!@#$" + field + list +
         "\r\n.\r\n";
}

TEST_F(MailSocketTest, RetrievalTakesTheListAfterTheLengthField) {
  // L = 0x14 = 20: the 15 bytes of the list are taken, not the trailer.
  const std::string list = "Favorites\r\n\tA\r\n";
  ASSERT_EQ(list.size(), 15u);
  const std::string top = "+OK\r\nSubject: favorites\r\n.\r\n";
  for (const auto& pieces : Splits(RetrReply("0014", list))) {
    std::vector<std::string> all{top};
    all.insert(all.end(), pieces.begin(), pieces.end());
    Open(all);
    ASSERT_EQ(socket.SendCommand("top 1 0\r\n", 2), 1);
    ASSERT_EQ(Sent(), "top 1 0\r\nretr 1\r\n");
    ASSERT_EQ(Retrieved(), list);
    ASSERT_EQ(owner.status, "Subject: favorites\r\nno date\r\n");
  }
}

TEST_F(MailSocketTest, RetrievalKeepsBytesAsTheyCame) {
  const std::string list = std::string("Favorites\r\n\tLink\x01http://x/\xff\r\n", 29);
  char field[8];
  std::snprintf(field, sizeof field, "%04zx", list.size() + 5);
  Open({"+OK\r\nSubject: favorites\r\n.\r\n", RetrReply(field, list)});
  ASSERT_EQ(socket.SendCommand("top 1 0\r\n", 2), 1);
  EXPECT_EQ(Retrieved(), list);
}

TEST_F(MailSocketTest, DamagedRetrievalHandsOverNothing) {
  const struct {
    const char* name;
    std::string reply;
    std::string logged;
  } cases[] = {
      {"no marker", "+OK\r\nSubject: favorites\r\n\r\nsome text\r\n.\r\n",
       "favorites message damaged\r\n"},
      {"not hex", RetrReply("00zz", "Favorites\r\n"), "favorites message damaged\r\n"},
      {"below 5", RetrReply("0004", ""), "favorites message damaged\r\n"},
      {"longer than the message", RetrReply("0040", "Favorites\r\n"),
       "favorites message damaged\r\n"},
      {"field cut by the end", "+OK\r\n\r\n!@#$00\r\n.\r\n", "favorites message damaged\r\n"},
      {"refused", "-ERR no such message\r\n", "-ERR no such message\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open({"+OK\r\nSubject: favorites\r\n.\r\n", c.reply});
    EXPECT_EQ(socket.SendCommand("top 2 0\r\n", 2), 1);
    EXPECT_EQ(Retrieved(), "<none>");
    EXPECT_EQ(owner.status, "Subject: favorites\r\nno date\r\n" + c.logged);
  }
}

TEST_F(MailSocketTest, RetrievalCutShortHandsOverNothingAndEndsTheDialogue) {
  const std::string whole = RetrReply("0014", "Favorites\r\n\tA\r\n");
  for (const IoResult end : {IoResult::kClosed, IoResult::kTimedOut, IoResult::kFailed}) {
    for (std::size_t cut = 0; cut < whole.size(); cut += 7) {
        Open({"+OK\r\nSubject: favorites\r\n.\r\n", whole.substr(0, cut)}, end);
      EXPECT_EQ(socket.SendCommand("top 1 0\r\n", 2), 1);
      EXPECT_EQ(Retrieved(), "<none>");
      EXPECT_EQ(owner.status, std::string("Subject: favorites\r\nno date\r\n") +
                                  (end == IoResult::kTimedOut ? "server did not answer in time\r\n"
                                                              : "connection lost\r\n"));
      EXPECT_FALSE(socket.IsOpen());
      // The dialogue is over: later commands fail at once and log nothing more.
      owner.status.clear();
      EXPECT_EQ(socket.SendCommand("quit\r\n", 1), -1);
      EXPECT_EQ(owner.status, "");
    }
  }
}

TEST_F(MailSocketTest, MessageBlockReplyIsShownOnlyWhenRefused) {
  const std::string block = "Subject: favorites\r\n\r\n!@#$0005\r\n.\r\n";
  Open({"250 queued\r\n"});
  EXPECT_EQ(socket.SendCommand(block.data(), static_cast<int>(block.size())), 0);
  EXPECT_EQ(owner.status, "");
  EXPECT_EQ(Sent(), block);

  Open({"554 message refused\r\n"});
  EXPECT_EQ(socket.SendCommand(block.data(), static_cast<int>(block.size())), -1);
  EXPECT_EQ(owner.status, "554 message refused\r\n");
}

TEST_F(MailSocketTest, BlockWithNulBytesIsSentWhole) {
  const std::string block("a\0b\r\n.\r\n", 8);
  Open({"250 ok\r\n"});
  EXPECT_EQ(socket.SendCommand(block.data(), static_cast<int>(block.size())), 0);
  EXPECT_EQ(Sent(), block);
}

TEST_F(MailSocketTest, SilentOrVanishingServerEndsTheDialogueWithOneLine) {
  const struct {
    IoResult end;
    const char* line;
  } cases[] = {{IoResult::kTimedOut, "server did not answer in time\r\n"},
               {IoResult::kClosed, "connection lost\r\n"},
               {IoResult::kFailed, "connection lost\r\n"}};
  for (const auto& c : cases) {
    // No greeting at all.
    auto silent = std::make_unique<MemoryConnection>(std::vector<std::string>{}, c.end);
    owner.status.clear();
    EXPECT_FALSE(socket.OpenDialogue(&owner, std::move(silent)));
    EXPECT_EQ(owner.status, c.line);
    // A reply that stops in the middle of its line.
    Open({"250 hal"}, c.end);
    EXPECT_EQ(socket.SendCommand("helo pelgo\r\n", 1), -1);
    EXPECT_EQ(owner.status, c.line);
  }
}

TEST_F(MailSocketTest, HostileRepliesAreBounded) {
  const struct {
    const char* name;
    std::vector<std::string> pieces;
    IoResult end;
    const char* command;
    int result;
    std::string logged;
  } cases[] = {
      {"10 MB status line",
       {std::string(10 << 20, 'y')},
       IoResult::kClosed,
       "noop\r\n",
       -1,
       "server reply too long\r\n"},
      {"a line that never ends", std::vector<std::string>(40, std::string(65536, 'z')),
       IoResult::kTimedOut, "noop\r\n", -1, "server reply too long\r\n"},
      {"10 MB TOP reply",
       {"+OK\r\n", std::string(10 << 20, 'h') + "\r\n.\r\n"},
       IoResult::kClosed,
       "top 1 0\r\n",
       -1,
       "server reply too long\r\n"},
      {"binary junk with line ends",
       {std::string("\x80\x00\xff junk\r\n", 10)},
       IoResult::kClosed,
       "noop\r\n",
       0,
       "\x80"},
      {"SMTP continuation forever",
       {Repeat("250-more\r\n", 200000)},
       IoResult::kTimedOut,
       "helo pelgo\r\n",
       -1,
       "server reply too long\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.pieces, c.end);
    EXPECT_EQ(socket.SendCommand(c.command, 2), c.result);
    EXPECT_EQ(owner.status, c.logged);
    // Reading stops soon after the limit: not the whole 10 MB, not forever.
    EXPECT_LE(m_record->receives, 1 + 20 + static_cast<int>(CMailSocket::kMaxReply / 65536) + 2);
  }
}

TEST_F(MailSocketTest, LoggedReplyIsTheFirst1023Bytes) {
  const std::string longLine = "250 " + std::string(2000, 'a') + "\r\n";
  Open({longLine});
  EXPECT_EQ(socket.SendCommand("noop\r\n", 1), 0);
  EXPECT_EQ(owner.status, longLine.substr(0, 1023));
}

TEST_F(MailSocketTest, RealConnectionFailureIsReported) {
  EXPECT_FALSE(socket.OpenDialogue(&owner, "127.0.0.1", testsupport::UnusedLoopbackPort()));
  EXPECT_EQ(owner.status, "connection fail\r\n");
  owner.status.clear();
  EXPECT_FALSE(socket.OpenDialogue(&owner, "", 110));
  EXPECT_EQ(owner.status, "connection fail\r\n");
}

}  // namespace
