#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"

// What the call controllers use of the rest of the engine: speech, answer
// detection, the outbound list and the gain-control work list. One instance
// serves every line.
class IVRCServices {
 public:
  // The answer-detection result a detector writes from the recording
  // thread: 0 none yet, 1 a person, 3 a machine, 4 no answer (2 is ignored).
  using AnswerResult = std::shared_ptr<std::atomic<uint8_t>>;
  static constexpr uint8_t kAnswerPending = 0;
  static constexpr uint8_t kAnswerPerson = 1;
  static constexpr uint8_t kAnswerMachine = 3;
  static constexpr uint8_t kAnswerNone = 4;

  IVRCServices() = default;
  virtual ~IVRCServices() = default;
  IVRCServices(const IVRCServices &) = delete;
  IVRCServices &operator=(const IVRCServices &) = delete;

  // A source speaking `text` with the voice at position `voice`.
  virtual LSoundSourceRef OpenSpeech(const std::string &text, int voice) = 0;
  // A sink that listens to the called party and writes its verdict into
  // `result` within `timeoutMs`; `silenceMs` of silence after speech ends a
  // greeting.
  virtual LSoundSinkRef OpenAnswerDetector(AnswerResult result, int32_t timeoutMs,
                                           int32_t silenceMs) = 0;
  // Adds an entry (a number, then "&name=value" parameters) to the outbound list.
  virtual void AddOutboundEntry(const std::string &entry) = 0;
  // Queues a recorded file for automatic gain levelling.
  virtual void AddLevellingWork(const std::string &path) = 0;
};
