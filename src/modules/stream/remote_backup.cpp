// The remote backup writer. The reader thread of the daemon channel produces
// whole frames; the writer task consumes them under the queue mutex. Nothing
// else in the program runs a second thread of its own.
#include "modules/stream/remote_backup.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "base/paths.h"

using namespace stream;

namespace {
struct Frame {
  FrameHeader head;
  std::unique_ptr<uint8_t[]> data;  // head.size bytes; head.data holds its address
};

struct Writer {
  KvAvi* avi = nullptr;
  std::mutex mu;  // guards queue and frames
  std::thread task;
  std::list<std::unique_ptr<Frame>> queue;  // in arrival order
  int frames = 0;
  std::atomic<int64_t> bytes{0};
  std::atomic<bool> running{false};
  std::atomic<bool> stop{false};
  // The frame being assembled, touched only by the producer and by close.
  std::unique_ptr<Frame> partial;
  int32_t assembled = 0;

  // A process never ends with the task still running.
  ~Writer() {
    running = false;
    if (task.joinable()) task.join();
  }
};

Writer g_writer;
std::atomic<bool> g_end{false};

void poll_pause() {
  std::this_thread::sleep_for(std::chrono::microseconds(std::llround(40000 * nvr_time_scale())));
}

std::unique_ptr<Frame> new_frame(const FrameHeader& head) {
  std::unique_ptr<Frame> f(new (std::nothrow) Frame{head, nullptr});
  if (!f) return nullptr;
  f->data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(head.size)]);
  if (!f->data) return nullptr;
  f->head.data = reinterpret_cast<uintptr_t>(f->data.get());
  return f;
}

// Waits for room (the budget is tested before adding, so one frame may pass it).
int queue_frame(std::unique_ptr<Frame> f) {
  Writer& w = g_writer;
  if (!w.running.load()) return -1;  // the task has ended: nobody would write it
  for (int waits = 0; w.bytes.load() > kBackupBudget; ++waits) {
    if (waits == kBackupBudgetWaits) return -1;
    poll_pause();
  }
  std::lock_guard<std::mutex> lk(w.mu);
  w.bytes += f->head.size;
  ++w.frames;
  w.queue.push_back(std::move(f));
  return 0;
}

std::unique_ptr<Frame> take_head() {
  Writer& w = g_writer;
  std::lock_guard<std::mutex> lk(w.mu);
  if (w.queue.empty()) return nullptr;
  std::unique_ptr<Frame> f = std::move(w.queue.front());
  w.queue.pop_front();
  --w.frames;
  w.bytes -= f->head.size;
  return f;
}

int queued_frames() {
  std::lock_guard<std::mutex> lk(g_writer.mu);
  return g_writer.frames;
}

void drain() {
  Writer& w = g_writer;
  std::lock_guard<std::mutex> lk(w.mu);
  w.queue.clear();
  w.frames = 0;
  w.bytes = 0;
}

void writer_task() {
  Writer& w = g_writer;
  pthread_setname_np(pthread_self(), "remote_backup");
  int idle = 0;
  while (w.running.load()) {
    if (std::unique_ptr<Frame> f = take_head()) {
      kv_avi_write_fp_ex(w.avi, &f->head, sizeof f->head);
      kv_avi_write_fp_ex(w.avi, f->data.get(), f->head.size);
      idle = 0;
      continue;
    }
    if (w.stop.load() && queued_frames() == 0) break;
    poll_pause();
    if (++idle > kBackupIdlePolls) break;
  }
  drain();
  w.running = false;
}
}  // namespace

int remote_backup_kvfs_open(FILE* out, KvAvi** avi) {
  if (!out || !avi) return -1;
  KvAvi* handle = kv_avi_open_fp(out, 0);
  if (!handle) return -1;
  Writer& w = g_writer;
  drain();
  w.partial.reset();
  w.assembled = 0;
  w.stop = false;
  w.running = true;
  w.avi = handle;
  if (w.task.joinable()) w.task.join();  // a task that ended on its own
  w.task = std::thread(writer_task);
  *avi = handle;
  return 0;
}

int remote_backup_kvfs_write(const FrameHeader* frame, int32_t continued, int32_t length) {
  Writer& w = g_writer;
  // A length past the chunk's data is cut to it; other negative lengths carry nothing.
  if (!frame || length < 0) return -1;
  length = std::min(length, kChunkData);
  if (continued == 0) {
    w.partial.reset();
    w.assembled = 0;
    // A frame that could never fit the queue is refused, not allocated.
    if (frame->size < 0 || frame->size > kBackupBudget) return -1;
    w.partial = new_frame(*frame);
    if (!w.partial) return -1;
  }
  if (!w.partial) return 0;
  const int32_t take = std::min(length, w.partial->head.size - w.assembled);
  if (take > 0 && frame->data)
    memcpy(w.partial->data.get() + w.assembled, reinterpret_cast<const void*>(frame->data), static_cast<size_t>(take));
  w.assembled += take;
  if (w.assembled < w.partial->head.size) return 0;
  w.assembled = 0;
  return queue_frame(std::move(w.partial));
}

void remote_backup_kvfs_interrup() { g_writer.running = false; }

int remote_backup_task_run_status() { return g_writer.running.load() ? 1 : 0; }

void remote_backup_kvfs_close(KvAvi* avi) {
  Writer& w = g_writer;
  w.stop = true;
  if (w.task.joinable()) w.task.join();
  drain();
  w.partial.reset();
  w.assembled = 0;
  w.avi = nullptr;
  kv_avi_close_fp(avi);
}

KvAvi* remote_backup_avi() { return g_writer.avi; }

void remote_backup_end_reset() { g_end = false; }

void remote_backup_wait_end() {
  while (!g_end.load() && remote_backup_task_run_status()) poll_pause();
}
bool remote_backup_ended() { return g_end.load(); }

void on_get_download_playtime_cb(const IpcReply& r) {
  // Shorter than a chunk record, or after the end: the file is complete.
  if (r.count < 1 || g_end.load()) return;
  const auto* chunk = r.as<DownloadChunk>();
  if (!g_writer.avi || chunk->length == kChunkEnd) {
    g_end = true;
    return;
  }
  if (chunk->length == kChunkInterrupted) {
    remote_backup_kvfs_interrup();
    g_end = true;
    return;
  }
  FrameHeader head;
  memcpy(&head, &chunk->head, sizeof head);
  head.data = reinterpret_cast<uintptr_t>(chunk->data);
  remote_backup_kvfs_write(&head, chunk->continued, chunk->length);
}
