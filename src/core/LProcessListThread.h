#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/LThread.h"

// A worker draining a persistent queue of file paths kept in a file (the
// gain-control work list "agc.dat"). The file is the bare concatenation of
// 260-byte records, each a zero-terminated path padded with zeros; the head
// is the first record. The head is removed only after it was processed, so
// an item interrupted by a shutdown or a crash is processed again later.
//
// The processor is a callable rather than a template parameter: the queue
// logic is compiled once, and the processor lives in the state the thread
// co-owns, so a worker detached after the stop time-out can still finish
// its item safely.
class LProcessListThread final : public LThread {
 public:
  static constexpr std::size_t kRecordSize = 260;
  // Processes one queued path. Returning kStopWorker ends the worker and
  // keeps the item at the head of the queue.
  using Processor = std::function<int(const std::string& path)>;
  static constexpr int kStopWorker = 1;

  explicit LProcessListThread(Processor processor);
  ~LProcessListThread() override;

  // Stops the worker, switches to the queue file `path` and starts again.
  void SetListFilePath(const std::string& path);
  // Appends `path` to the queue and makes sure the worker runs. Paths longer
  // than kRecordSize - 1 bytes are refused (false): a cut path would name a
  // different file. A path the list file could not take (a full disk) is
  // remembered, also false, until AddUnwritten gets it in.
  bool Add(const std::string& path);
  // Adds the remembered paths again; returns how many of them it added.
  int AddUnwritten();
  // Whether `path` is queued, compared without regard to (ASCII) letter case.
  bool InList(const std::string& path) const;
  // Takes every record of `path` (any letter case) out of the queue: the file
  // was replaced by audio that must stay as it is. An item already under way
  // is not stopped; its processor must itself notice the replaced file.
  void Remove(const std::string& path);

  // Inside a processor only: the worker's stop signal, for the waits of a
  // long item.
  static const LSignalObject& WorkerStopSignal() { return StopSignal(); }

  // For progress display only; both return to 0 when the queue runs empty.
  uint32_t QueuedCount() const;
  uint32_t ProcessedCount() const;

 protected:
  void ThreadFunction() override;
  std::shared_ptr<void> ShareThreadState() override { return shared_; }

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};
