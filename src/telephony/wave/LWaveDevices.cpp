#include "telephony/wave/LWaveDevices.h"

#include "core/Trace.h"
#include "telephony/wave/LWaveAlsaPcm.h"
#include "telephony/wave/LWaveInAlsa.h"
#include "telephony/wave/LWaveInNetwork.h"
#include "telephony/wave/LWaveInPaced.h"
#include "telephony/wave/LWaveOutAlsa.h"
#include "telephony/wave/LWaveOutNetwork.h"
#include "telephony/wave/LWaveOutPaced.h"

namespace {

std::shared_ptr<const LWaveTimeline> TimelineOf(const LWaveDeviceSpec& spec) {
  return spec.timeline ? spec.timeline : std::make_shared<LWaveTimeline>();
}

bool TapeTakes(const LWaveOutFileTape* tape, const LWavePcmFormat& format) {
  if (!tape || !tape->IsOpen()) {
    Trace("LWaveDevices file output has no open tape");
    return false;
  }
  const LWavePcmFormat& own = tape->Format();
  if (own.sampleRate != format.sampleRate || own.channels != format.channels) {
    Trace("LWaveDevices file output is %u Hz %d channels, asked for %u Hz %d channels",
          own.sampleRate, own.channels, format.sampleRate, format.channels);
    return false;
  }
  return true;
}

}  // namespace

LWaveOutOpener LWaveDevices::OutOpener(LWaveDeviceSpec spec) {
  return [spec](const LWavePcmFormat& format, LSignalObject& done,
                bool mapped) -> std::unique_ptr<LWaveOutDevice> {
    switch (spec.kind) {
      case LWaveDeviceSpec::Kind::kAlsa:
        return LWaveOutAlsa::Open(spec.index, format, done, mapped);
      case LWaveDeviceSpec::Kind::kNull:
        return std::make_unique<LWaveOutPaced>(format, done, TimelineOf(spec), nullptr);
      case LWaveDeviceSpec::Kind::kFile:
        if (!TapeTakes(spec.tape.get(), format)) return nullptr;
        return std::make_unique<LWaveOutPaced>(format, done, spec.tape->Timeline(), spec.tape);
      case LWaveDeviceSpec::Kind::kNetwork:
        return LWaveOutNetwork::Open(format, done, spec.link);
    }
    return nullptr;
  };
}

LWaveInOpener LWaveDevices::InOpener(LWaveDeviceSpec spec) {
  return [spec](const LWavePcmFormat& format, LSignalObject& done,
                bool mapped) -> std::unique_ptr<LWaveInDevice> {
    switch (spec.kind) {
      case LWaveDeviceSpec::Kind::kAlsa:
        return LWaveInAlsa::Open(spec.index, format, done, mapped);
      case LWaveDeviceSpec::Kind::kNull:
        return LWaveInPaced::Open(format, done, TimelineOf(spec), std::string());
      case LWaveDeviceSpec::Kind::kFile:
        return LWaveInPaced::Open(format, done, TimelineOf(spec), spec.inputPath);
      case LWaveDeviceSpec::Kind::kNetwork:
        return LWaveInNetwork::Open(format, done, spec.link);
    }
    return nullptr;
  };
}

std::vector<std::string> LWaveDevices::OutputNames() {
  return LWaveAlsaPcm::Names(LWaveAlsaPcm::Stream::kPlayback);
}

std::vector<std::string> LWaveDevices::InputNames() {
  return LWaveAlsaPcm::Names(LWaveAlsaPcm::Stream::kCapture);
}
