#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/LClock.h"
#include "telephony/line/LLineBase.h"
#include "telephony/wave/LSoundPlayer.h"
#include "telephony/wave/LSoundRecorder.h"

class MainLoop;

// A line with its embedded player and recorder: the audio operations every
// line back-end shares (play, seek, record, wait, stop), the silence stop of
// recordings and waits, the software end-of-call tone detector, and the
// translation of player and recorder reports into line notifications. The
// back-ends (network lines, the call simulator) add the call operations.
// Everything runs on the main loop's thread.
class LLine : public LLineBase, private LSoundPlayerNotify, private LSoundRecorderNotify {
 public:
  // The line settings ("linesettings"), read when the line opens.
  struct Settings {
    bool eocDetectPlay = false;      // honour busy or disconnect while a message plays
    bool eocDetectSoftware = true;   // run the tone detector during recordings
    bool drSoftware = false;         // distinctive ring by ring timing
    int32_t delayEocMs = 4500;       // cut from a recording ended by an end-of-call tone
    int32_t delayDtmfMs = 350;       // cut from a recording stopped by a key
    int32_t drTimeMs = 2000;
    static Settings Read(const std::string &settingsFile);
  };
  // How the silence stop of a recording is split between the recorder's
  // hang-over and the line's own limit; never less than 800 ms in all.
  struct SilenceSplit {
    int32_t hangOverMs;
    int32_t limitMs;
    static SilenceSplit For(int32_t silenceMs);
  };
  // The first seconds of a recording or wait are never cut by silence.
  static constexpr uint64_t kSilenceGraceMs = 5000;
  // A seek never lands closer than this to the end.
  static constexpr int32_t kSeekEndMarginMs = 1500;

  // `simulated`: no end-of-call tone detection and no trim when a recording
  // is stopped, as in the call simulator.
  LLine(MainLoop &loop, const LClock &clock, bool simulated = false);
  ~LLine() override;

  void Play(LSoundSourceRef source) override;
  void Seek(int32_t deltaMs) override;
  void Record(LSoundSinkRef sink, int32_t silenceMs, int thresholdDb, int32_t maxMs) override;
  void Wait(int32_t silenceMs, int thresholdDb, int32_t maxMs) override;
  void Stop() override;
  bool IsRecording() override;

 protected:
  // The wave devices of the current call.
  void SetCallDevices(LWaveOutOpener output, LWaveInOpener input);
  void SetSettings(const Settings &settings) { settings_ = settings; }
  const Settings &LineSettings() const { return settings_; }
  // The far end is busy or gone: a running recording loses "delayeoc" and
  // the handler hears of the tone.
  void EndOfCallReport();
  // Set after busy or disconnect, cleared when a call connects; a set flag
  // runs the tone detector on recordings whatever the settings say.
  void SetEndOfCallReported(bool reported) { endOfCallReported_ = reported; }
  const LClock &Clock() const { return clock_; }

 private:
  enum class RecordMode { kNone, kRecording, kWaiting };

  bool StartRecorder(LSoundSinkRef sink, int32_t silenceMs, int thresholdDb, int32_t maxMs);
  void CutTail();
  // Player reports.
  void spntfStop(uint32_t cookie) override;
  void spntfPosition(uint32_t cookie, uint32_t ms) override;
  void spntfLevel(uint32_t cookie, const LSoundLevels &levels) override;
  // Recorder reports.
  void srntfStop(uint32_t cookie) override;
  void srntfTime(uint32_t cookie, uint32_t ms) override;
  void srntfLevel(uint32_t cookie, const LSoundLevels &levels) override;
  void SilenceStop();

  const LClock &clock_;
  const bool simulated_;
  Settings settings_;
  std::atomic<uint8_t> endOfCallFlags_{0};  // shared with the tone detector
  bool endOfCallReported_ = true;
  bool playing_ = false;
  RecordMode recordMode_ = RecordMode::kNone;
  LSoundSinkRef recordSink_;
  uint64_t silenceReference_ = 0;
  int32_t silenceLimitMs_ = 0;
  int32_t trimMs_ = 0;
  // Last: their workers stop before the fields above go.
  LSoundPlayer player_;
  LSoundRecorder recorder_;
};
