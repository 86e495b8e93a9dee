#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "coresim_server.h"
#include "modules/stream/remote_backup.h"
#include "proto/stream_proto.h"
#include "support/module_test.h"

using namespace stream;

namespace {
const char kRange[] = R"({"id":3,"streamType":1,"startTime":"2026-12-01T00:00:00Z","endTime":"2026-12-01T01:00:00Z"})";
const std::string kAviHead =
    "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= "
    "8DDD2026_12_1_0_0_0_1796083200-2026_12_1_1_0_0_1796086800_3.avi\r\n\r\n";

FrameHeader head_of(int32_t size, int32_t seq) {
  FrameHeader h{};
  memcpy(h.codec, "DIB ", 4);
  h.frame_type = kKeyFrame;
  h.width = 2;
  h.height = 1;
  h.fps = 10;
  h.seq = seq;
  h.size = size;
  return h;
}

std::string chunk(const FrameHeader& h, int32_t continued, int32_t length, const std::string& data = "") {
  auto c = std::make_unique<DownloadChunk>();
  c->head = h;
  c->continued = continued;
  c->length = length;
  memcpy(c->data, data.data(), data.size());
  return bytes_of(*c);
}

uint32_t u32_at(const std::string& s, size_t at) {
  uint32_t v = 0;
  if (at + 4 <= s.size()) memcpy(&v, s.data() + at, 4);
  return v;
}

// What a player finds in the file: the header's counts, the frames of the
// 'movi' list and the entries of the index.
struct AviSeen {
  uint32_t header_frames = 0, rate = 0, length = 0, index_entries = 0;
  std::vector<std::string> frames;
};

AviSeen read_avi(const std::string& file) {
  AviSeen a;
  if (file.compare(0, 4, "RIFF") != 0 || u32_at(file, 4) != file.size() - 8) return a;
  a.header_frames = u32_at(file, 48);
  a.rate = u32_at(file, 132);
  a.length = u32_at(file, 140);
  size_t end = 220 + u32_at(file, 216), at = 224;
  while (at + 8 <= end && at + 8 <= file.size()) {
    uint32_t len = u32_at(file, at + 4);
    a.frames.push_back(file.substr(at + 8, len));
    at += 8 + len + (len & 1);
  }
  if (file.compare(at, 4, "idx1") == 0) a.index_entries = u32_at(file, at + 4) / 16;
  return a;
}

class BackupTest : public ModuleTest {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  // The answer split into its header block and the AVI file.
  AviSeen download(const char* body = kRange) {
    std::string answer = call("/4013", body);
    EXPECT_EQ(answer.substr(0, kAviHead.size()), kAviHead);
    return read_avi(answer.substr(std::min(answer.size(), kAviHead.size())));
  }
};

TEST_F(BackupTest, FramesAreAssembledFromChunksCutAndWrittenInOrder) {
  const FrameHeader whole = head_of(30, 0), small = head_of(8, 1), half = head_of(10, 2), last = head_of(6, 3);
  daemon_.reply(kReqDownload, chunk(whole, 0, 10, std::string(10, 'a')))
      .reply(kReqDownload, chunk(whole, 1, 10, std::string(10, 'b')))
      .reply(kReqDownload, chunk(whole, 1, 10, std::string(10, 'c')))  // written once, after its third chunk
      .reply(kReqDownload, chunk(small, 0, kChunkData + 100, "12345678xyz"))  // cut to the frame and the chunk
      .reply(kReqDownload, chunk(half, 0, 5, "hhhhh"))
      .reply(kReqDownload, chunk(last, 0, 6, "zzzzzz"))  // a new frame drops the half one
      .reply(kReqDownload, chunk(last, 1, -7, "junk"))    // a length that carries nothing
      .reply(kReqDownload, chunk(last, 1, 4, "late"))     // no frame under assembly
      .reply(kReqDownload, chunk(FrameHeader{}, 0, kChunkEnd))
      .reply(kReqDownload, chunk(head_of(4, 9), 0, 4, "gone"));  // after the end
  AviSeen avi = download();
  EXPECT_EQ(avi.frames, (std::vector<std::string>{std::string(10, 'a') + std::string(10, 'b') + std::string(10, 'c'),
                                                  "12345678", "zzzzzz"}));
  EXPECT_EQ(avi.header_frames, 3u);
  EXPECT_EQ(avi.length, 3u);
  EXPECT_EQ(avi.rate, 10u);
  EXPECT_EQ(avi.index_entries, 3u);

  ASSERT_EQ(work_codes(), std::vector<int32_t>{1173});
  auto req = payload_as<DownloadRequest>(work()[0]);
  EXPECT_EQ(req.channel, 3);
  EXPECT_EQ(req.stream_type, 1);
  EXPECT_STREQ(req.start, "2026-12-1 0:0:0");
  EXPECT_STREQ(req.end, "2026-12-1 1:0:0");
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].sub_type, 209);
  EXPECT_EQ(logs()[0].param_type, 900);
  EXPECT_EQ(logs()[0].channel, 4);
  EXPECT_FALSE(remote_backup_task_run_status());
}

TEST_F(BackupTest, InterruptionAndSilenceEndTheDownloadWithAWholeFile) {
  daemon_.reply(kReqDownload, chunk(head_of(3, 0), 0, 3, "one"))
      .reply(kReqDownload, chunk(FrameHeader{}, 0, kChunkInterrupted), 200)  // "one" is written by then
      .reply(kReqDownload, chunk(head_of(3, 1), 0, 3, "two"));
  EXPECT_EQ(download().frames, std::vector<std::string>{"one"});

  // Nothing comes: the writer gives up after its idle polls, the file is empty but whole.
  daemon_.silence(kReqDownload);
  fast_silence();
  AviSeen idle = download();
  EXPECT_TRUE(idle.frames.empty());
  EXPECT_EQ(idle.index_entries, 0u);
  EXPECT_FALSE(remote_backup_task_run_status());
}

TEST_F(BackupTest, RefusedRequestsSendNothing) {
  const char* refused[] = {
      R"({"id":3,"startTime":"yesterday","endTime":"2026-12-01T01:00:00Z"})",
      R"({"id":3,"startTime":"2026-12-01T00:00:00Z"})",
      R"({"id":-1,"startTime":"2026-12-01T00:00:00Z","endTime":"2026-12-01T01:00:00Z"})",
      "", "{",
  };
  for (const char* body : refused) EXPECT_EQ(call("/4013", body), "") << body;
  EXPECT_TRUE(daemon_.requests().empty());
}

TEST_F(BackupTest, FramesThatCannotBeQueuedAreRefused) {
  FrameHeader h = head_of(kBackupBudget + 1, 0);
  char data[4] = {};
  h.data = reinterpret_cast<uintptr_t>(data);
  EXPECT_EQ(remote_backup_kvfs_write(&h, 0, 4), -1);  // over the whole queue budget
  h.size = -4;
  EXPECT_EQ(remote_backup_kvfs_write(&h, 0, 4), -1);
  EXPECT_EQ(remote_backup_kvfs_write(nullptr, 0, 4), -1);
  h.size = 4;
  EXPECT_EQ(remote_backup_kvfs_write(&h, 1, 4), 0);   // no frame begun: dropped
  EXPECT_EQ(remote_backup_kvfs_write(&h, 0, 4), -1);  // whole, but no writer task to take it
}

// ---- Against the simulated daemon, read back by a real player's prober ----

std::string probe(const std::string& path) {
  std::string cmd = "ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,nb_read_frames"
                    ":format=duration -of compact=nk=1:p=0 '" + path + "' 2>&1";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

TEST(BackupOnCoreSim, ClipDownloadsAsAnAviThatProbesRight) {
  TestRoot root;
  setenv("TZ", "UTC0", 1);
  tzset();
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  struct Case {
    const char* end;
    uint32_t frames;
    bool exact;
  } cases[] = {
      {"2026-12-01T01:00:00Z", 20, true},
      // Reaches past now: interrupted half-way; frames still queued then are dropped.
      {"2099-12-01T01:00:00Z", 10, false},
  };
  bool have_probe = system("command -v ffprobe >/dev/null 2>&1") == 0;
  for (const Case& c : cases) {
    std::string body = std::string(R"({"id":3,"startTime":"2026-12-01T00:00:00Z","endTime":")") + c.end + "\"}";
    std::string answer = call_route("/4013", body);
    size_t riff = answer.find("\r\n\r\nRIFF");
    ASSERT_NE(riff, std::string::npos) << c.end;
    std::string file = answer.substr(riff + 4);
    AviSeen seen = read_avi(file);
    EXPECT_TRUE(c.exact ? seen.index_entries == c.frames : seen.index_entries <= c.frames) << seen.index_entries;
    EXPECT_EQ(seen.frames.size(), seen.index_entries);
    // A loaded machine may interrupt the open-ended clip before its first frame:
    // with no frame there is no stream to probe.
    if (!have_probe || seen.index_entries == 0) continue;
    root.write_file("/tmp/clip.avi", file);
    char probed[64];
    snprintf(probed, sizeof probed, "rawvideo|320|240|%u\n%.6f\n", seen.index_entries, seen.index_entries / 10.0);
    EXPECT_EQ(probe(root.path("/tmp/clip.avi")), probed) << c.end;
  }
  sim.stop();
  if (!have_probe) GTEST_SKIP() << "ffprobe is not installed (scripts/bootstrap installs it)";
}
}  // namespace

// ---- Golden values of the download ----

TEST(BackupGolden, LimitsAndMarkers) {
  EXPECT_EQ(kBackupBudget, 10485759);
  EXPECT_EQ(kBackupBudgetWaits, 25);
  EXPECT_EQ(kBackupIdlePolls, 1500);
  EXPECT_EQ(kChunkData, 614400);
  EXPECT_EQ(kChunkEnd, -1);
  EXPECT_EQ(kChunkInterrupted, -2);
  EXPECT_EQ(sizeof(DownloadChunk), 614504u);
  EXPECT_EQ(sizeof(DownloadRequest), 72u);
}
