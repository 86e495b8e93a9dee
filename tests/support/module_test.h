// Shared fixture of the handler tests: a private device root, a scripted
// daemon, the answer texts, decoded operation logs and database faults.
//
//   class PtzTest : public ModuleTest {};
//   TEST_F(PtzTest, ...) {
//     daemon_.reply(3700, word(0));
//     EXPECT_EQ(call("/5000", "{...}"), kTextHead + "OK");
//     EXPECT_EQ(work()[0].code, 3700);       // requests other than logs
//     EXPECT_EQ(logs()[0].sub_type, 204);    // 3485 records
//   }
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/kvsock.h"
#include "proto/kvsock_proto.h"
#include "proto/oplog.h"
#include "support/fake_daemon.h"
#include "support/test_root.h"

inline const std::string kTextHead = "Content-type: text/plain\r\n\r\n";
inline const std::string kJsonHead = "Content-type: application/json\r\n\r\n";
inline const std::string kTextError = kTextHead + "CGI ERROR";
inline const std::string kJsonError = kJsonHead + "{status:\"CGI ERROR\"}";

inline std::string word(int32_t v) { return bytes_of(v); }

// The request's payload as its record; a size mismatch fails the test.
template <class T>
T payload_as(const FakeRequest& r) {
  T rec{};
  EXPECT_TRUE(record_from(r.payload, &rec)) << "request " << r.code << " has " << r.payload.size() << " bytes";
  return rec;
}

// Raw SQL on the file of the configuration database (of the current root,
// created first) that holds `table`.
void kvdb_sql(const char* table, const char* statement);
// Makes every insert and update of `table` fail, as a full or broken flash would.
void kvdb_fail_writes(const char* table);

class ModuleTest : public ::testing::Test {
 protected:
  // Dispatches the request; returns once the daemon has read every request it sent.
  std::string call(const char* route, const std::string& text = "");
  // Requests other than operation logs (3485, 3509), in order.
  std::vector<FakeRequest> work() const;
  std::vector<int32_t> work_codes() const;
  // Operation log records (3485) and channel-mask records (3509), decoded.
  std::vector<OpLogRecord> logs() const;
  std::vector<OpLogMaskRecord> mask_logs() const;
  // A silent daemon costs little: 40 us a poll instead of 400 us.
  void fast_silence() const;

  TestRoot root_;
  FakeDaemon daemon_;
  int base_connections_ = kv_sock_connections();
};

// ---- Golden tables: literal values of the device protocol ----
#include <initializer_list>
#include <span>

#include "common/ipc.h"

struct GoldenRoute {
  const char* path;
  const char* handler;
};
// The module's routes are exactly these, in this order.
void expect_module_routes(const char* module, std::initializer_list<GoldenRoute> routes);

struct GoldenCode {
  IpcCode code;
  int32_t value;
  int32_t polls;
};
void expect_codes(std::initializer_list<GoldenCode> codes);

struct GoldenReply {
  int32_t reply_code;
  int32_t width;
};
// The reply table has these rows (any order), each with a converter, and no
// others unless `others` (a module whose page families are checked apart).
void expect_replies(std::span<const IpcReplyRoute> table, std::initializer_list<GoldenReply> rows,
                    bool others = false);
