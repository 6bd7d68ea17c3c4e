#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/LThread.h"

// Starts the programs of an OGM for one line and watches a running plug-in:
// a program whose standard output is captured and, once it has ended, read
// as URL-encoded name=value pairs (see core/QueryText.h) that become call
// parameters. The call controller polls it from its own thread:
//
//   if (plugin.IsPluginRunning() && plugin.HasReturned()) {
//     ParseQueryText(plugin.GetReturnValue(), ...);  // into the parameters
//     plugin.StopWatching();
//   }
//
// A plug-in that floods its output, never ends or prints garbage cannot hold
// the controller up: output is drained as it comes, the controller never
// waits for the plug-in, and a plug-in that is given up on is killed when
// it has not ended within the grace the engine gives its workers.
class Plugin final : public LThread {
 public:
  // The grace a previous watcher gets when a new program starts.
  static constexpr int kRestartGraceMs = 50;
  // Asked of the output pipe so a plug-in rarely blocks on a full pipe.
  static constexpr int kPipeSize = 131072;

  // `abandonGraceMs`: how long a plug-in given up on may still run.
  explicit Plugin(int abandonGraceMs = kStopTimeoutMs);
  ~Plugin() override;

  // Starts the program `arguments` name (the first is the program), never
  // through a shell. A plain program is started and forgotten; a plug-in is
  // watched until it ends. A plug-in still watched from an earlier Run is
  // given up on first. False when nothing could be started.
  bool Run(const std::vector<std::string>& arguments, bool asPlugin);
  // A plug-in was started and is still watched (until StopWatching or Run).
  bool IsPluginRunning() const { return running_.load(std::memory_order_acquire); }
  // The watched plug-in has ended and its output is complete.
  bool HasReturned() const;
  // The plug-in's output once it has returned, else an empty text.
  std::string GetReturnValue() const;
  // Stops watching: after a return, or to give up on a plug-in still running.
  void StopWatching();

 protected:
  void ThreadFunction() override;
  std::shared_ptr<void> ShareThreadState() override { return watch_; }

 private:
  struct Watch;

  bool StartPlugin(const std::vector<std::string>& arguments);
  void StopWatcher(int timeoutMs);

  const int abandonGraceMs_;
  // The current plug-in's state, co-owned by its watcher thread.
  std::shared_ptr<Watch> watch_;
  std::atomic<bool> running_{false};
};
