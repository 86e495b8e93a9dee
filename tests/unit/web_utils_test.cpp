#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "cgi/cgic.h"
#include "base/paths.h"
#include "common/web_utils.h"
#include "platform/kvfs.h"
#include "support/fake_daemon.h"
#include "support/test_root.h"

namespace {
struct CookieScope {
  explicit CookieScope(const char* c) : saved(cgiCookie) { cgiCookie = const_cast<char*>(c); }
  ~CookieScope() { cgiCookie = saved; }
  char* saved;
};

TEST(SessionUser, TakesTheUserNameCookie) {
  char user[64];
  {
    CookieScope c("lang=en; userName=alice; sessionId=1");
    EXPECT_EQ(get_current_username(user, sizeof user), 0);
    EXPECT_STREQ(user, "alice");
  }
  {
    CookieScope c("userName=bob");
    EXPECT_EQ(get_current_username(user, sizeof user), 0);
    EXPECT_STREQ(user, "bob");
  }
  {
    CookieScope c("x=1; userName");  // name at the very end: nothing to skip into
    EXPECT_EQ(get_current_username(user, sizeof user), -1);
  }
  {
    CookieScope c("session=a; nope=2");
    EXPECT_EQ(get_current_username(user, sizeof user), -1);
    EXPECT_STREQ(user, "");
  }
  {
    CookieScope c("userName=0123456789abcdef");
    char small[8];
    EXPECT_EQ(get_current_username(small, sizeof small), 0);
    EXPECT_STREQ(small, "0123456");
  }
  EXPECT_EQ(get_current_username(nullptr), -1);
}

TEST(OperationLog, RecordFieldsSitAtTheirOffsets) {
  CookieScope c("userName=carol");
  char* saved_addr = cgiRemoteAddr;
  std::string addr(60, '9');
  cgiRemoteAddr = addr.data();
  OpLogRecord rec;
  memset(&rec, 0xff, sizeof rec);
  ASSERT_EQ(cgi_init_log_info(&rec), 0);
  cgiRemoteAddr = saved_addr;
  auto* b = reinterpret_cast<const unsigned char*>(&rec);
  int32_t v;
  memcpy(&v, b + 0, 4);
  EXPECT_EQ(v, 4);
  memcpy(&v, b + 36, 4);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 44)), std::string(45, '9'));
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 90), "carol");
  for (size_t i : {4u, 8u, 16u, 32u, 40u, 156u, 679u}) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(cgi_init_log_info(nullptr), -1);

  const unsigned char detail[3] = {1, 2, 3};
  EXPECT_EQ(kvfs_log_pack_detail(&rec, 102, detail, 3), 0);
  memcpy(&v, b + 156, 4);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(b[160], 1);
  EXPECT_EQ(b[162], 3);
  EXPECT_EQ(kvfs_log_pack_detail(&rec, 102, detail, 513), -1);
}

TEST(OperationLog, SentWithoutWaitingAsItsRecord) {
  TestRoot root;
  FakeDaemon d;
  auto cb = [](void*, void*, void*) {};
  const unsigned char detail[4] = {9, 9, 9, 9};
  send_op_log(cb, 219, 900, 7, 101, detail, sizeof detail);
  ASSERT_TRUE(d.wait_requests(1));
  auto r = d.requests()[0];
  EXPECT_EQ(r.code, 3485);
  ASSERT_EQ(r.payload.size(), 680u);
  OpLogRecord rec;
  memcpy(&rec, r.payload.data(), sizeof rec);
  EXPECT_EQ(rec.sub_type, 219);
  EXPECT_EQ(rec.param_type, 900);
  EXPECT_EQ(rec.channel, 7);
  EXPECT_EQ(rec.detail_kind, 101);
  EXPECT_EQ(rec.detail_size, 4);
}

TEST(FileHelpers, ExistenceAndShellSafety) {
  TestRoot root;
  root.write_file("/tmp/a b", "x");
  std::string dir = root.path("/tmp");
  EXPECT_EQ(IsDirExisted(dir.c_str()), 0);
  EXPECT_EQ(IsDirExisted(root.path("/tmp/a b").c_str()), -1);
  EXPECT_EQ(IsDirExisted(""), -1);
  symlink(dir.c_str(), root.path("/link").c_str());
  EXPECT_EQ(IsDirExisted(root.path("/link").c_str()), -1);  // the link itself is no directory
  EXPECT_EQ(IsFileExisted(root.path("/tmp/a b").c_str()), 0);
  EXPECT_EQ(IsFileExisted(nullptr), -1);

  // Names with quotes and shell syntax are moved and deleted as names.
  std::string odd = root.path("/tmp/it's $(touch pwned); x");
  EXPECT_EQ(RemoveFile(root.path("/tmp/a b").c_str(), odd.c_str()), 0);
  EXPECT_TRUE(root.exists("/tmp/it's $(touch pwned); x"));
  EXPECT_EQ(DeleteFile(odd.c_str()), 0);
  EXPECT_FALSE(root.exists("/tmp/it's $(touch pwned); x"));
  EXPECT_FALSE(root.exists("/tmp/pwned"));
  EXPECT_EQ(shell_quote("it's"), "'it'\\''s'");

  EXPECT_EQ(web_system("exit 0"), 0);
  EXPECT_EQ(web_system("exit 3"), -1);
  EXPECT_EQ(web_system("kill -9 $$"), -1);
}

TEST(FileHelpers, LockSerialisesProcesses) {
  TestRoot root;
  std::string lock = dev_path(devpaths::kLockFile);
  std::string mark = root.path("/tmp/order");
  int fd = file_lock(lock.c_str());
  ASSERT_GE(fd, 0);
  pid_t child = fork();
  if (child == 0) {
    int cfd = file_lock(lock.c_str());
    FILE* f = fopen(mark.c_str(), "a");
    fputs("child\n", f);
    fclose(f);
    file_unlock(cfd);
    _exit(0);
  }
  usleep(100 * 1000);
  FILE* f = fopen(mark.c_str(), "a");
  fputs("parent\n", f);
  fclose(f);
  file_unlock(fd);
  int st = 0;
  waitpid(child, &st, 0);
  EXPECT_EQ(root.read_file("/tmp/order"), "parent\nchild\n");
  EXPECT_EQ(file_lock(nullptr), -1);
}

TEST(MacAddress, FallsBackToFixedTexts) {
  char eth0[18], eth1[18];
  EXPECT_EQ(get_mac_addr(eth0, eth1), 0);
  EXPECT_EQ(strlen(eth0), 17u);
  EXPECT_EQ(strlen(eth1), 17u);
  // On a machine without these interfaces the fixed texts stand in.
  if (access("/sys/class/net/eth1", F_OK) != 0) {
    EXPECT_STREQ(eth1, "02:00:5E:10:00:02");
  }
}
}  // namespace
