#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/LSignalObject.h"
#include "telephony/wave/LWaveInDevice.h"
#include "telephony/wave/LWaveNetworkLink.h"
#include "telephony/wave/LWaveOutDevice.h"
#include "telephony/wave/LWaveOutFileTape.h"
#include "telephony/wave/LWaveTimeline.h"

// Which wave device a player or recorder opens.
struct LWaveDeviceSpec {
  enum class Kind { kAlsa, kNull, kFile, kNetwork };
  Kind kind = Kind::kAlsa;
  // ALSA: position in the device list of the direction; -1 is "default".
  int index = -1;
  // Null and file devices: their time base; none means real time from the
  // moment the device opens.
  std::shared_ptr<const LWaveTimeline> timeline;
  // File output: the tape the played audio goes onto (its format is the
  // only one the device opens with).
  std::shared_ptr<LWaveOutFileTape> tape;
  // File input: the WAVE file heard as the microphone.
  std::string inputPath;
  // Network devices: the remote phone they play to and hear.
  std::shared_ptr<LWaveNetworkLink> link;
};

// Opens a device in a format, completion signalled on `done`; `mapped` is
// the second attempt, which may let the back-end convert. Null on failure.
using LWaveOutOpener = std::function<std::unique_ptr<LWaveOutDevice>(
    const LWavePcmFormat& format, LSignalObject& done, bool mapped)>;
using LWaveInOpener = std::function<std::unique_ptr<LWaveInDevice>(
    const LWavePcmFormat& format, LSignalObject& done, bool mapped)>;

// The devices a line or the simulator can choose from.
class LWaveDevices {
 public:
  LWaveDevices() = delete;

  static LWaveOutOpener OutOpener(LWaveDeviceSpec spec);
  static LWaveInOpener InOpener(LWaveDeviceSpec spec);
  // The sound card device names for the settings, in index order.
  static std::vector<std::string> OutputNames();
  static std::vector<std::string> InputNames();
};
