#include "telephony/line/LLine.h"

#include <algorithm>

#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "audio/LineRate.h"
#include "core/Profile.h"
#include "core/Trace.h"
#include "telephony/dsp/LSinkEndOfCallTone.h"

namespace {

// A wait without a silence stop: every block counts as voice.
constexpr int kEveryBlock = -127;
constexpr int32_t kNoSilenceStopMs = 10000;

int8_t ClampDb(int db) { return static_cast<int8_t>(std::clamp(db, -127, 127)); }

}  // namespace

LLine::Settings LLine::Settings::Read(const std::string &settingsFile) {
  const char *section = "linesettings";
  Settings s;
  s.eocDetectPlay = ProfileReadBool(settingsFile, section, "eocdetectplay", s.eocDetectPlay);
  s.eocDetectSoftware =
      ProfileReadBool(settingsFile, section, "eocdetectsoftware", s.eocDetectSoftware);
  s.drSoftware = ProfileReadBool(settingsFile, section, "drsoftware", s.drSoftware);
  s.delayEocMs = ProfileReadDuration(settingsFile, section, "delayeoc", s.delayEocMs);
  s.delayDtmfMs = ProfileReadDuration(settingsFile, section, "delaydtmf", s.delayDtmfMs);
  s.drTimeMs = ProfileReadDuration(settingsFile, section, "drtime", s.drTimeMs);
  return s;
}

LLine::SilenceSplit LLine::SilenceSplit::For(int32_t silenceMs) {
  if (silenceMs < 6400) {
    silenceMs = std::max(silenceMs, 800);
    return {silenceMs - 400, 400};
  }
  return {6000, silenceMs - 6000};
}

LLine::LLine(MainLoop &loop, const LClock &clock, bool simulated)
    : clock_(clock), simulated_(simulated), player_(loop, this, 0), recorder_(loop, this, 0) {}

LLine::~LLine() {
  playing_ = false;
  recordMode_ = RecordMode::kNone;
  player_.Stop();
  recorder_.Stop();
}

void LLine::SetCallDevices(LWaveOutOpener output, LWaveInOpener input) {
  player_.SetDevice(std::move(output));
  recorder_.SetDevice(std::move(input));
}

// --- play --------------------------------------------------------------------

void LLine::Play(LSoundSourceRef source) {
  Stop();
  source = LSPConvertRate(kLineRate).OpenSource(LSPConvChannels(1).OpenSource(std::move(source)));
  playing_ = true;
  // Held: the device sounds once 4.2 s are queued, so the caller never hears a gap.
  if (!player_.Start(std::move(source), LSoundPlayer::kStartHeld)) {
    playing_ = false;
    DeliverPlayComplete();
  }
}

void LLine::Seek(int32_t deltaMs) {
  const int64_t end = player_.EndMs();
  int64_t target = (player_.IsOpen() ? int64_t{player_.PositionMs()} : 0) + deltaMs;
  target = std::max<int64_t>(std::min(target, end - kSeekEndMarginMs), 0);
  if (player_.IsOpen()) player_.Seek(static_cast<int32_t>(target * player_.SampleRate() / 1000));
}

// --- record and wait -------------------------------------------------------------

void LLine::Record(LSoundSinkRef sink, int32_t silenceMs, int thresholdDb, int32_t maxMs) {
  Stop();
  if (!simulated_ && (settings_.eocDetectSoftware || endOfCallReported_)) {
    sink = new LSinkEndOfCallTone(std::move(sink), endOfCallFlags_);
  }
  if (!StartRecorder(sink, silenceMs, thresholdDb, maxMs)) {
    Drop();
    return;
  }
  recordMode_ = RecordMode::kRecording;
  recordSink_ = std::move(sink);
  trimMs_ = settings_.delayDtmfMs;
  endOfCallFlags_ = 0;
  recorder_.Go();
}

void LLine::Wait(int32_t silenceMs, int thresholdDb, int32_t maxMs) {
  Stop();
  if (maxMs <= 0) {
    DeliverWaitComplete();
    return;
  }
  if (silenceMs < 1) {
    thresholdDb = kEveryBlock;
    silenceMs = kNoSilenceStopMs;
  }
  // The detector without an inner sink listens and keeps nothing.
  LSoundSinkRef listener = new LSinkEndOfCallTone(nullptr, endOfCallFlags_);
  if (!StartRecorder(listener, silenceMs, thresholdDb, maxMs)) {
    Drop();
    return;
  }
  recordMode_ = RecordMode::kWaiting;
  recordSink_ = std::move(listener);
  endOfCallFlags_ = 0;
  recorder_.Go();
}

bool LLine::StartRecorder(LSoundSinkRef sink, int32_t silenceMs, int thresholdDb,
                          int32_t maxMs) {
  const SilenceSplit split = SilenceSplit::For(silenceMs);
  silenceLimitMs_ = split.limitMs;
  silenceReference_ = clock_.TickCount() + kSilenceGraceMs;
  return recorder_.Start(std::move(sink), LSoundRecorder::kStartHeld,
                         static_cast<uint32_t>(split.hangOverMs), ClampDb(thresholdDb),
                         static_cast<uint32_t>(std::max(maxMs, 0)));
}

// Mode and playing flag are cleared first, so a stopped operation never
// reports its completion.
void LLine::Stop() {
  playing_ = false;
  player_.Stop();
  const bool cut = !simulated_ && recordMode_ == RecordMode::kRecording &&
                   recorder_.GetState() == LSoundRecorder::kRecording;
  recordMode_ = RecordMode::kNone;
  if (cut) {
    CutTail();
  } else {
    recorder_.Stop();
  }
  recordSink_ = nullptr;
}

// A recording stopped while the caller spoke loses its last "trim" ms: the
// key press or the tone that ended it.
void LLine::CutTail() {
  const LSoundSinkRef sink = recordSink_;
  const int64_t rate = std::max<int64_t>(sink->SampleRate(), 1);
  const int64_t keepMs = int64_t{sink->Position()} * 1000 / rate - trimMs_;
  recorder_.Stop();
  if (keepMs > 0 && keepMs * rate / 1000 < sink->Position()) {
    sink->Truncate(static_cast<int32_t>(keepMs * rate / 1000));
  }
}

bool LLine::IsRecording() {
  return recordMode_ == RecordMode::kRecording &&
         recorder_.GetState() != LSoundRecorder::kStopped;
}

void LLine::EndOfCallReport() {
  if (recordMode_ == RecordMode::kRecording) trimMs_ = settings_.delayEocMs;
  DeliverEndOfCallBusyTone();
}

// --- player reports ---------------------------------------------------------------

void LLine::spntfStop(uint32_t) {
  if (!playing_) return;
  playing_ = false;
  DeliverPlayComplete();
}

void LLine::spntfPosition(uint32_t, uint32_t ms) { DeliverPlayPosition(ms); }

void LLine::spntfLevel(uint32_t, const LSoundLevels &levels) {
  DeliverPlayLevel(levels.BlockLevel());
}

// --- recorder reports -------------------------------------------------------------

void LLine::srntfStop(uint32_t) {
  const RecordMode mode = recordMode_;
  recordMode_ = RecordMode::kNone;
  recordSink_ = nullptr;
  if (mode == RecordMode::kRecording) {
    Trace("LLine::srntfStop Record stop");
    DeliverRecordComplete();
  } else if (mode == RecordMode::kWaiting) {
    Trace("LLine::srntfStop Wait stop");
    DeliverWaitComplete();
  }
}

void LLine::srntfTime(uint32_t, uint32_t ms) {
  const uint8_t flags = endOfCallFlags_.load();
  const bool unreported = (flags & LSinkEndOfCallTone::kDetected) &&
                          !(flags & LSinkEndOfCallTone::kReported);
  if (!simulated_ && unreported) {
    endOfCallFlags_.fetch_or(LSinkEndOfCallTone::kReported);
    Trace("EndOfCallTone detected (software detect)");
    EndOfCallReport();
  } else if (recordMode_ == RecordMode::kRecording) {
    DeliverRecordPosition(ms);
  }
}

void LLine::srntfLevel(uint32_t, const LSoundLevels &levels) {
  if (recordMode_ == RecordMode::kNone) return;
  SilenceStop();
  if (recordMode_ == RecordMode::kRecording) DeliverRecordLevel(levels.BlockLevel());
}

// The recorder's hang-over has run out (waiting) and the line's own limit
// has passed since the last voice, after the grace: stop.
void LLine::SilenceStop() {
  const uint64_t now = clock_.TickCount();
  if (recorder_.GetState() == LSoundRecorder::kRecording) {
    silenceReference_ = now;
    return;
  }
  if (now > silenceReference_ && now - silenceReference_ > uint64_t(silenceLimitMs_)) {
    Trace("LLine::srntfLevel Record or Wait silence stop");
    recorder_.Stop();
  }
}
