#include "callengine/BrowserPhone.h"

#include "callengine/OGMCommands.h"
#include "callengine/VoiceMailFlows.h"

namespace {

LWaveDeviceSpec NetworkDevice(std::shared_ptr<LWaveNetworkLink> link) {
  LWaveDeviceSpec spec;
  spec.kind = LWaveDeviceSpec::Kind::kNetwork;
  spec.link = std::move(link);
  return spec;
}

}  // namespace

BrowserPhone::BrowserPhone(const BrowserPhoneServices &with, uint8_t lineIndex)
    : link_(std::make_shared<LWaveNetworkLink>()),
      line_(with.loop, with.clock, LWaveDevices::OutOpener(NetworkDevice(link_)),
            LWaveDevices::InOpener(NetworkDevice(link_))),
      controller_(line_, lineIndex, with.folders, with.clock, with.log, with.mainWindow) {
  controller_.SetCommands(with.commands);
  controller_.SetVoiceMail(with.voiceMail);
  controller_.SetServices(with.services);
}
