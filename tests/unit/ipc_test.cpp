#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/ipc.h"
#include "base/paths.h"
#include "platform/kvsock.h"
#include "proto/kvsock_proto.h"
#include "support/fake_daemon.h"
#include "support/test_root.h"

namespace {
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

struct TestRec {
  int32_t port;
  int32_t property;
};

// A module reply callback in the house style: one table, converters that
// write the answer and then set the flag.
std::vector<std::string> g_chunks;
int g_converted = 0;

void on_value_cb(const IpcReply& r) {
  ++g_converted;
  if (r.count <= 0) return;
  cgi_writeback_webserver(1, ("{\"value\":" + std::to_string(r.word()) + "}").c_str());
  g_callback_done = 1;
}

// Chunks of a download; the chunk "end" finishes it.
void on_chunk_cb(const IpcReply& r) {
  std::string chunk(r.as<char>(), static_cast<size_t>(r.count));
  if (chunk != "end") {
    g_chunks.push_back(chunk);
    return;
  }
  std::string all;
  for (const auto& c : g_chunks) all += c;
  cgi_writeback_webserver(0, all.c_str());
  g_callback_done = 1;
}

void on_status_cb(const IpcReply& r) {
  g_callback_done = r.word();  // hands a status back to the handler
}

void on_test_ipc_callback(void*, void* head, void* payload);

// Like setting the time: the reply triggers a follow-up request, not awaited.
void on_follow_up_cb(const IpcReply&) {
  ipc_send(on_test_ipc_callback, IpcCode{1711});
  cgi_writeback_webserver(0, "OK");
  g_callback_done = 1;
}

const IpcReplyRoute kRoutes[] = {
    {8433, 4, on_value_cb},
    {8700, 1, on_chunk_cb},
    {8701, 4, on_status_cb},
    {8703, 4, on_follow_up_cb},
};

void on_test_ipc_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kRoutes, head, payload); }

std::string int_bytes(int32_t v) { return bytes_of(v); }

class IpcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_chunks.clear();
    g_converted = 0;
  }
  void TearDown() override { cgi_stop_ipc(); }
  void set_scale(const char* s) {
    setenv("NVR_TIME_SCALE", s, 1);
    nvr_env_reload();
  }
  TestRoot root_;
  CgiOutput out_;
};

const char kTextError[] = "Content-type: text/plain\r\n\r\nCGI ERROR";
const char kJsonError[] = "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}";

// ---- the message socket library ----

struct Seen {
  std::vector<int32_t> codes;
  std::vector<std::string> payloads;
};
void record_cb(void* ctx, void* head, void* payload) {
  auto* seen = static_cast<Seen*>(ctx);
  int32_t size = ipc_reply_size(head);
  seen->codes.push_back(ipc_reply_code(head));
  seen->payloads.push_back(payload ? std::string(static_cast<char*>(payload), static_cast<size_t>(size))
                                   : std::string("<null>"));
}

TEST_F(IpcTest, SocketFramesRequestsWithSequencePerConnection) {
  FakeDaemon d;
  Seen seen;
  ASSERT_EQ(kv_sock_init(record_cb, &seen, 3, devpaths::kKvSocket), 0);
  TestRec rec{7, 1};
  EXPECT_EQ(kv_sock_send_msg(1, 3435, &rec, sizeof rec, 0), 0);
  EXPECT_EQ(kv_sock_send_msg(1, 3436, nullptr, 0, 9), 0);
  kv_sock_uninit();
  ASSERT_EQ(kv_sock_init(record_cb, &seen, 3, devpaths::kKvSocket), 0);
  EXPECT_EQ(kv_sock_send_msg(4, 3437, "ab", 2, 0), 0);
  kv_sock_uninit();

  ASSERT_TRUE(d.wait_requests(3));
  auto r = d.requests();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].seq, 1);
  EXPECT_EQ(r[0].kind, 1);
  EXPECT_EQ(r[0].payload, bytes_of(rec));
  EXPECT_EQ(r[1].seq, 2);
  EXPECT_EQ(r[1].flags, 9);
  EXPECT_EQ(r[1].payload, "");
  EXPECT_EQ(r[2].seq, 1);  // a new connection counts from 1 again
  EXPECT_EQ(r[2].kind, 4);
  EXPECT_EQ(r[2].connection, 2);
}

TEST_F(IpcTest, SocketRefusesWhatItCannotSend) {
  FakeDaemon d;
  EXPECT_NE(kv_sock_send_msg(1, 1, nullptr, 0, 0), 0);  // not initialised
  Seen seen;
  ASSERT_EQ(kv_sock_init(record_cb, &seen, 3, devpaths::kKvSocket), 0);
  std::vector<char> big(static_cast<size_t>(kKvSockMaxPayload) + 1);
  EXPECT_NE(kv_sock_send_msg(1, 1, big.data(), static_cast<int>(big.size()), 0), 0);
  EXPECT_NE(kv_sock_send_msg(1, 1, "x", -1, 0), 0);
  EXPECT_NE(kv_sock_send_msg(1, 1, nullptr, 4, 0), 0);
  EXPECT_EQ(kv_sock_send_msg(1, 2, big.data(), kKvSockMaxPayload, 0), 0);  // exactly 1 MiB is fine
  kv_sock_uninit();
  EXPECT_NE(kv_sock_send_msg(1, 1, nullptr, 0, 0), 0);  // closed again
  ASSERT_TRUE(d.wait_requests(1));
  EXPECT_EQ(d.codes(), std::vector<int32_t>{2});
  EXPECT_EQ(d.requests()[0].payload.size(), static_cast<size_t>(kKvSockMaxPayload));
}

TEST_F(IpcTest, SocketClosesOnOversizedReplyAndDeliversNothingAfterUninit) {
  FakeDaemon d;
  d.reply_raw(100, FakeReply{5100, "", 0, kKvSockMaxPayload + 1});
  d.reply(101, "late", 100);
  Seen seen;
  ASSERT_EQ(kv_sock_init(record_cb, &seen, 3, devpaths::kKvSocket), 0);
  ASSERT_EQ(kv_sock_send_msg(1, 100, nullptr, 0, 0), 0);
  EXPECT_TRUE(d.wait_closed(1));  // the client hung up on the bad frame
  // The next send finds the connection gone and connects again.
  ASSERT_EQ(kv_sock_send_msg(1, 101, nullptr, 0, 0), 0);
  ASSERT_TRUE(d.wait_requests(2));
  kv_sock_uninit();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(seen.codes.empty());
  EXPECT_EQ(d.requests()[1].connection, 2);
}

TEST_F(IpcTest, SocketDeliversRepliesInOrderWithNullForEmptyPayload) {
  FakeDaemon d;
  d.reply(200, "one").reply(200, "").reply_with(200, 1, "x");
  Seen seen;
  ASSERT_EQ(kv_sock_init(record_cb, &seen, 3, devpaths::kKvSocket), 0);
  ASSERT_EQ(kv_sock_send_msg(1, 200, nullptr, 0, 0), 0);
  ASSERT_TRUE(d.wait_replies_sent(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  kv_sock_uninit();
  EXPECT_EQ(seen.codes, (std::vector<int32_t>{5200, 5200, 1}));
  EXPECT_EQ(seen.payloads, (std::vector<std::string>{"one", "<null>", "x"}));
}

TEST_F(IpcTest, SendConnectsOnceTheDaemonAppears) {
  Seen seen;
  EXPECT_NE(kv_sock_init(record_cb, &seen, 3, devpaths::kKvSocket), 0);
  EXPECT_NE(kv_sock_send_msg(1, 1, nullptr, 0, 0), 0);
  FakeDaemon d;
  EXPECT_EQ(kv_sock_send_msg(1, 2, nullptr, 0, 0), 0);
  kv_sock_uninit();
  ASSERT_TRUE(d.wait_requests(1));
  EXPECT_EQ(d.requests()[0].seq, 1);
}

// ---- request channel round trips ----

TEST_F(IpcTest, WaitedReplyIsWrittenByTheCallback) {
  FakeDaemon d;
  d.reply(3433, int_bytes(42));
  TestRec rec{3, 1};
  EXPECT_TRUE(ipc_request(on_test_ipc_callback, IpcCode{3433}, rec, ErrMode::kJson));
  EXPECT_EQ(out_.text(), "Content-type: application/json\r\n\r\n{\"value\":42}");
  ASSERT_EQ(d.requests().size(), 1u);
  EXPECT_EQ(d.requests()[0].payload, bytes_of(rec));
}

TEST_F(IpcTest, ChannelsOpenedInSequenceByOneHandler) {
  FakeDaemon d;
  d.reply(3433, int_bytes(5));
  ipc_send(on_test_ipc_callback, IpcCode{3485}, "log", 3);
  EXPECT_EQ(g_callback_done.load(), 0);
  EXPECT_TRUE(ipc_request(on_test_ipc_callback, IpcCode{3433}, ErrMode::kJson));
  EXPECT_FALSE(ipc_request(on_test_ipc_callback, IpcCode{3438}, ErrMode::kText));  // flag cleared at each open
  ASSERT_TRUE(d.wait_requests(3));
  auto r = d.requests();
  EXPECT_EQ(d.codes(), (std::vector<int32_t>{3485, 3433, 3438}));
  EXPECT_EQ(r[0].payload, "log");
  EXPECT_EQ(r[2].connection, 3);
  EXPECT_EQ(out_.text(), std::string("Content-type: application/json\r\n\r\n{\"value\":5}") + kTextError);
}

TEST_F(IpcTest, NoWaitReturnsAfterTheFirstSend) {
  FakeDaemon d;
  d.reply(3435, int_bytes(1), 300);
  auto t0 = Clock::now();
  EXPECT_EQ(cgi_start_ipc(on_test_ipc_callback, 3435, 4, "abcd", 1), 0);
  EXPECT_LT(ms_since(t0), 150);  // a waited request would run 400 ms
  EXPECT_EQ(g_callback_done.load(), 0);
  cgi_stop_ipc();
  ASSERT_TRUE(d.wait_requests(1));
  EXPECT_EQ(d.requests()[0].payload, "abcd");
  EXPECT_EQ(out_.text(), "");
}

TEST_F(IpcTest, UselessRepliesRunOutTheWait) {
  FakeDaemon d;
  d.reply(3433, "");                       // no payload: the callback ignores it
  d.reply_with(3436, 9999, int_bytes(1));  // a code nobody expects
  EXPECT_FALSE(ipc_request(on_test_ipc_callback, IpcCode{3433}, ErrMode::kJson));
  EXPECT_FALSE(ipc_request(on_test_ipc_callback, IpcCode{3436}, ErrMode::kText));
  EXPECT_EQ(g_converted, 0);
  EXPECT_EQ(out_.text(), std::string(kJsonError) + kTextError);
}

TEST_F(IpcTest, DaemonNotRunningGivesTheErrorAnswer) {
  auto t0 = Clock::now();
  EXPECT_FALSE(ipc_request(on_test_ipc_callback, IpcCode{3433}, ErrMode::kText));
  EXPECT_LT(ms_since(t0), 1000);
  EXPECT_EQ(out_.text(), kTextError);
}

TEST_F(IpcTest, LateReplyIsNotWrittenBehindTheError) {
  FakeDaemon d;
  d.reply(3433, int_bytes(9), 550);  // the wait gives up after 400 ms
  EXPECT_EQ(cgi_start_ipc(on_test_ipc_callback, 3433, 0, nullptr, 0), 0);
  ASSERT_EQ(g_callback_done.load(), 0);
  ASSERT_TRUE(d.wait_replies_sent(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // reply has reached the reader
  cgi_error_to_webserver(1);
  cgi_stop_ipc();
  EXPECT_EQ(g_converted, 0);
  EXPECT_EQ(g_callback_done.load(), 0);
  EXPECT_EQ(out_.text(), kJsonError);
}

TEST_F(IpcTest, SeveralRepliesToOneRequestReachTheCallbackInOrder) {
  FakeDaemon d;
  d.reply(3700, "ab").reply(3700, "cd", 20).reply(3700, "end");
  EXPECT_TRUE(ipc_request(on_test_ipc_callback, IpcCode{3700}, ErrMode::kText));
  EXPECT_EQ(out_.text(), "Content-type: text/plain\r\n\r\nabcd");
}

TEST_F(IpcTest, RepeatedRepliesGiveOneAnswer) {
  FakeDaemon d;
  d.reply(3433, int_bytes(1)).reply(3433, int_bytes(2)).reply(3433, int_bytes(3));
  EXPECT_EQ(cgi_start_ipc(on_test_ipc_callback, IpcCode{3433}, 0, nullptr, 0), 0);
  ASSERT_TRUE(d.wait_replies_sent(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  cgi_stop_ipc();
  EXPECT_EQ(out_.text(), "Content-type: application/json\r\n\r\n{\"value\":1}");
  EXPECT_EQ(g_converted, 1);
}

TEST_F(IpcTest, StatusStoredInTheFlagReachesTheHandler) {
  FakeDaemon d;
  d.reply(3701, int_bytes(2));
  EXPECT_TRUE(ipc_request(on_test_ipc_callback, IpcCode{3701}, ErrMode::kText));
  EXPECT_EQ(g_callback_done.load(), 2);
  EXPECT_EQ(out_.text(), "");
}

TEST_F(IpcTest, CallbackSendsAFollowUpOnTheOpenChannel) {
  FakeDaemon d;
  d.reply(3703, int_bytes(0));
  EXPECT_TRUE(ipc_request(on_test_ipc_callback, IpcCode{3703}, ErrMode::kText));
  ASSERT_TRUE(d.wait_requests(2));
  auto r = d.requests();
  EXPECT_EQ(d.codes(), (std::vector<int32_t>{3703, 1711}));
  EXPECT_EQ(r[1].connection, 1);
  EXPECT_EQ(r[1].seq, 2);
  EXPECT_EQ(out_.text(), "Content-type: text/plain\r\n\r\nOK");
}

TEST_F(IpcTest, ReplyEndsTheWaitAtOnceEvenAtFullScale) {
  set_scale("1");
  FakeDaemon d;
  d.reply(3433, int_bytes(1));
  auto t0 = Clock::now();
  EXPECT_TRUE(ipc_request(on_test_ipc_callback, IpcCode{3433}, ErrMode::kJson));
  EXPECT_LT(ms_since(t0), 500);  // 10 ms pause + one poll at most, not 40 s
}

TEST_F(IpcTest, CodePollsSetHowLongASilentDaemonIsWaitedFor) {
  set_scale("0.001");  // 40 us a poll
  FakeDaemon d;
  struct Case {
    IpcCode code;
    double min_ms;
  };
  for (Case c : {Case{{1000}, 40}, Case{{3700, 1500}, 60}, Case{{3434, 15000}, 600}, Case{{3379, 30000}, 1200}}) {
    auto t0 = Clock::now();
    EXPECT_FALSE(ipc_request(on_test_ipc_callback, c.code, ErrMode::kNone));
    double ms = ms_since(t0);
    EXPECT_GE(ms, c.min_ms) << c.code;
    EXPECT_LT(ms, c.min_ms * 2 + 300) << c.code;
  }
  EXPECT_EQ(out_.text(), "");  // error mode -1 writes nothing
}

TEST_F(IpcTest, NothingIsOpenedOrSentForImpossibleRequests) {
  FakeDaemon d;
  EXPECT_EQ(cgi_start_ipc(nullptr, 3433, 0, nullptr, 0), -1);
  auto t0 = Clock::now();
  EXPECT_EQ(cgi_start_ipc(on_test_ipc_callback, 3433, 8, nullptr, 0), 0);  // length without bytes
  EXPECT_LT(ms_since(t0), 200);
  cgi_stop_ipc();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(d.requests().empty());
  EXPECT_EQ(d.connections(), 1u);  // only the second call opened the channel
}

// ---- answer writers ----

TEST_F(IpcTest, WritebackHeaderModesAndErrorFormsAreExact) {
  EXPECT_EQ(cgi_writeback_webserver(0, "OK"), 0);
  EXPECT_EQ(out_.text(), "Content-type: text/plain\r\n\r\nOK");
  EXPECT_EQ(cgi_writeback_webserver(1, "{}"), 0);
  EXPECT_EQ(cgi_writeback_webserver(2, "tail"), 0);
  EXPECT_EQ(cgi_writeback_webserver(-1, ""), 0);
  EXPECT_EQ(cgi_writeback_webserver(0, nullptr), -1);
  EXPECT_EQ(out_.text(), "Content-type: text/plain\r\n\r\nOKContent-type: application/json\r\n\r\n{}tail");
}

TEST(IpcErrorTest, ErrorFormsAreExact) {
  for (int mode : {0, 1, 2}) {
    CgiOutput out;
    EXPECT_EQ(cgi_error_to_webserver(mode), 0);
    EXPECT_EQ(out.text(), mode == 0 ? kTextError : mode == 1 ? kJsonError : "") << mode;
  }
}

// ---- reply table dispatch ----

std::vector<int> g_counts;
void count_cb(const IpcReply& r) { g_counts.push_back(r.count); }

TEST(IpcDispatchTest, CountIsSizeOverWidthAndUnusableRepliesAreIgnored) {
  const IpcReplyRoute table[] = {{8403, 40, count_cb}, {8404, 0, count_cb}, {8405, 4, nullptr}};
  auto dispatch = [&](int32_t code, int32_t size, bool with_payload) {
    KvSockHeader h{};
    h.code = code;
    h.size = size;
    char payload[128] = {};
    ipc_dispatch_reply(table, &h, with_payload ? payload : nullptr);
  };
  g_counts.clear();
  dispatch(8403, 120, true);
  dispatch(8403, 39, true);   // less than one record
  dispatch(8403, -40, true);  // the header says so: the converter decides
  dispatch(8403, 80, false);  // null payload
  dispatch(8499, 80, true);   // unknown code
  dispatch(8404, 80, true);   // a width of 0 never divides
  dispatch(8405, 80, true);   // row without converter
  EXPECT_EQ(g_counts, (std::vector<int>{3, 0, -1}));
  ipc_dispatch_reply(table, nullptr, nullptr);
}
}  // namespace
