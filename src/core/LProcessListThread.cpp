#include "core/LProcessListThread.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/FileIo.h"
#include "core/FileLock.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

using Record = std::array<char, LProcessListThread::kRecordSize>;

Record MakeRecord(const std::string& path) {
  Record record{};
  std::memcpy(record.data(), path.data(), path.size());
  return record;
}

std::string RecordPath(const Record& record) {
  return std::string(record.data(), ::strnlen(record.data(), record.size()));
}

// Whether the record holds `path`, without regard to (ASCII) letter case.
bool Names(const Record& record, const std::string& path) {
  return ::strcasecmp(RecordPath(record).c_str(), path.c_str()) == 0;
}

// Reads exactly `size` bytes; false at end of file or on an error.
bool ReadFull(int fd, char* data, std::size_t size) { return ReadUpTo(fd, data, size) == size; }

// Appends one record after the last whole one: a partial record left by a
// crash is dropped first, or every later record would be misaligned.
bool AppendRecord(int fd, const Record& record) {
  off_t size = FileSize(fd);
  off_t whole = size - size % static_cast<off_t>(record.size());
  if (whole != size && ::ftruncate(fd, whole) != 0) return false;
  if (::lseek(fd, whole, SEEK_SET) == whole &&
      WriteFully(fd, std::string_view(record.data(), record.size()))) {
    return true;
  }
  if (::ftruncate(fd, whole) != 0) Trace("LProcessListThread::Add partial record left");
  return false;
}

}  // namespace

// Everything the worker thread touches; co-owned by a detached worker.
struct LProcessListThread::Shared {
  explicit Shared(Processor processorIn) : process(std::move(processorIn)) {}

  bool Append(const std::string& path, bool& restart);
  bool Contains(const std::string& path);
  void Drop(const std::string& path);
  bool TakeHead(std::string& current, Record& head);
  bool RemoveHead(const std::string& current, const Record& head);
  void Drain(const LSignalObject& stop);

  const Processor process;
  // Guards `file` and the queue file; the FileLock taken with it keeps other
  // processes using the same list out too.
  std::mutex lock;
  std::string file;
  // The body found the queue empty and is ending: the next Add must wait
  // for it to end before starting a new one.
  bool exhausted = false;
  std::atomic<uint32_t> queued{0};
  std::atomic<uint32_t> processed{0};
  // Held by the body: a new run waits for a detached one on the same queue.
  std::mutex body;
  // Paths the queue file could not take, under `lock`.
  std::vector<std::string> unwritten;
};

bool LProcessListThread::Shared::Append(const std::string& path, bool& restart) {
  std::lock_guard<std::mutex> guard(lock);
  if (file.empty()) {
    Trace("LProcessListThread::Add no list file set");
    return false;
  }
  FileLock fileLock(file);
  UniqueFd fd;
  if (fileLock.Acquire()) fd.Reset(::open(file.c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.Valid() || !AppendRecord(fd.Get(), MakeRecord(path))) {
    fileLock.DiscardCreated();
    Trace("LProcessListThread::Add unable to write %s", file.c_str());
    if (std::find(unwritten.begin(), unwritten.end(), path) == unwritten.end()) unwritten.push_back(path);
    return false;
  }
  restart = std::exchange(exhausted, false);
  ++queued;
  return true;
}

bool LProcessListThread::Shared::Contains(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock);
  FileLock fileLock(file);
  if (file.empty() || !fileLock.Acquire()) return false;
  fileLock.DiscardCreated();
  Record record;
  while (ReadFull(fileLock.Fd(), record.data(), record.size())) {
    if (Names(record, path)) return true;
  }
  return false;
}

// A head dropped while it is processed is then no longer first, which
// RemoveHead takes as another worker having removed it.
void LProcessListThread::Shared::Drop(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock);
  std::erase_if(unwritten, [&](const std::string& kept) {
    return ::strcasecmp(kept.c_str(), path.c_str()) == 0;
  });
  FileLock fileLock(file);
  if (file.empty() || !fileLock.Acquire()) return;
  fileLock.DiscardCreated();
  std::string kept;
  uint32_t dropped = 0;
  Record record;
  while (ReadFull(fileLock.Fd(), record.data(), record.size())) {
    if (Names(record, path)) ++dropped;
    else kept.append(record.data(), record.size());
  }
  if (dropped == 0) return;
  if (!ReplaceFileText(file, kept)) {
    Trace("LProcessListThread::Remove unable to rewrite %s", file.c_str());
    return;
  }
  queued = queued > dropped ? queued - dropped : 0;
}

// Reads the head; with none (no file, empty, or only a partial record) the
// file is deleted, the counts return to 0 and the worker ends.
bool LProcessListThread::Shared::TakeHead(std::string& current, Record& head) {
  std::lock_guard<std::mutex> guard(lock);
  current = file;
  FileLock fileLock(current);
  bool locked = !current.empty() && fileLock.Acquire();
  if (locked && ReadFull(fileLock.Fd(), head.data(), head.size())) return true;
  if (locked) ::unlink(current.c_str());
  exhausted = true;
  queued = 0;
  processed = 0;
  return false;
}

// Removes the processed head from the file it was taken from. A head that is
// no longer first (another worker on the same list got there) is left alone.
bool LProcessListThread::Shared::RemoveHead(const std::string& current, const Record& head) {
  std::lock_guard<std::mutex> guard(lock);
  ++processed;
  FileLock fileLock(current);
  if (!fileLock.Acquire()) {
    Trace("LProcessListThread::ThreadFunction unable to lock %s", current.c_str());
    return false;
  }
  const int fd = fileLock.Fd();
  off_t count = FileSize(fd) / static_cast<off_t>(kRecordSize);
  Record first;
  if (count >= 1 && (!ReadFull(fd, first.data(), first.size()) || first != head)) return true;
  if (count < 2) {
    ::unlink(current.c_str());
    return true;
  }
  std::string rest(static_cast<std::size_t>(count - 1) * kRecordSize, '\0');
  if (ReadFull(fd, rest.data(), rest.size()) && ReplaceFileText(current, rest)) return true;
  // Stop rather than process the same head again and again.
  Trace("LProcessListThread::ThreadFunction unable to rewrite %s", current.c_str());
  return false;
}

void LProcessListThread::Shared::Drain(const LSignalObject& stop) {
  std::unique_lock<std::mutex> running(body, std::try_to_lock);
  while (!running.owns_lock()) {
    if (stop.IsSet()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    running.try_lock();
  }
  {
    std::lock_guard<std::mutex> guard(lock);
    exhausted = false;
  }
  Record head;
  std::string current;
  while (!stop.IsSet() && TakeHead(current, head)) {
    // The lock is not held here: Add and InList never wait for an item.
    if (process(RecordPath(head)) == kStopWorker) return;
    if (!RemoveHead(current, head)) return;
  }
}

LProcessListThread::LProcessListThread(Processor processor)
    : shared_(std::make_shared<Shared>(std::move(processor))) {}

LProcessListThread::~LProcessListThread() {
  StopThreadTimed(kStopTimeoutMs);
}

void LProcessListThread::SetListFilePath(const std::string& path) {
  StopThreadTimed(kStopTimeoutMs);
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->file = path;
  }
  Start(kPriorityLowest);
}

bool LProcessListThread::Add(const std::string& path) {
  if (path.size() >= kRecordSize) {
    Trace("LProcessListThread::Add path longer than %zu bytes refused", kRecordSize - 1);
    return false;
  }
  bool restart = false;
  if (!shared_->Append(path, restart)) return false;
  // A worker that found the queue empty may still be on its way out: let it
  // end so the Start below really starts one. A worker that has not looked
  // yet will find the new record; stopping it could mean waiting for a long
  // item, and starting it again is refused as "already running".
  if (restart) {
    StopThreadTimed(kStopTimeoutMs);
  } else if (IsRunning()) {
    return true;
  }
  Start(kPriorityLowest);
  return true;
}

int LProcessListThread::AddUnwritten() {
  std::vector<std::string> paths;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    paths.swap(shared_->unwritten);
  }
  int added = 0;
  for (const std::string& path : paths) added += Add(path) ? 1 : 0;
  return added;
}

bool LProcessListThread::InList(const std::string& path) const {
  return shared_->Contains(path);
}

void LProcessListThread::Remove(const std::string& path) { shared_->Drop(path); }

uint32_t LProcessListThread::QueuedCount() const {
  return shared_->queued.load();
}

uint32_t LProcessListThread::ProcessedCount() const {
  return shared_->processed.load();
}

void LProcessListThread::ThreadFunction() {
  // Taken once at entry: from here on the body needs nothing of the object.
  ThreadState<Shared>().Drain(StopSignal());
}
