#pragma once

#include <memory>
#include <string>

#include "audio/LSoundSourceBase.h"
#include "audio/TtsVoices.h"
#include "core/LThread.h"

// A source that speaks a text. Its own thread synthesises into a temporary
// WAVE file ("tmp…" in $TMPDIR, else /tmp) while the source reads that file
// as it grows, so playing starts as soon as the first audio is there. The
// constructor waits up to 2000 ms for the file's header; a synthesis that
// fails, or has not begun by then, leaves a silent source in error.
// Destruction stops the thread (within LThread's grace) and deletes the file.
class LTTSSoundSource final : public LSoundSourceBase, private LThread {
 public:
  static constexpr int kReadyWaitMs = 2000;

  LTTSSoundSource(std::string text, int voice, const TtsVoices& voices = TtsVoices::Installed());
  ~LTTSSoundSource() override;

  void Read(int32_t* buffer, int32_t frames) override { inner_->Read(buffer, frames); }
  int32_t GetPosition() override { return inner_->GetPosition(); }
  int32_t GetEndSample() override { return inner_->GetEndSample(); }
  void Seek(int32_t frame) override { inner_->Seek(frame); }
  bool IsStreaming() override { return inner_->IsStreaming(); }
  void Wait(int ms) override { inner_->Wait(ms); }

  // The temporary file ("" when none could be made).
  const std::string& TempPath() const { return path_; }

 private:
  struct Job;

  void ThreadFunction() override;
  std::shared_ptr<void> ShareThreadState() override;
  // Opens the file once the synthesis has written its header.
  void OpenInner();

  std::shared_ptr<Job> job_;
  std::string path_;
  LSoundSourceRef inner_;
};
