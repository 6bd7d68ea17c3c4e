#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "telephony/wave/LWaveDevices.h"
#include "telephony/wave/LWaveNetworkLink.h"

namespace {

const LWavePcmFormat kLinePcm{8000, 1};

LWaveDeviceSpec Network(std::shared_ptr<LWaveNetworkLink> link) {
  LWaveDeviceSpec spec;
  spec.kind = LWaveDeviceSpec::Kind::kNetwork;
  spec.link = std::move(link);
  return spec;
}

std::vector<int16_t> Ramp(int samples) {
  std::vector<int16_t> ramp(static_cast<std::size_t>(samples));
  std::iota(ramp.begin(), ramp.end(), int16_t{1});
  return ramp;
}

// Nobody fetches the audio: the device still plays in real time, and the
// link keeps only the newest second of it.
TEST(LWaveNetworkTest, OutputIsPacedWithoutAReaderAndKeepsTheNewestSecond) {
  auto link = std::make_shared<LWaveNetworkLink>();
  LSignalObject done;
  auto device = LWaveDevices::OutOpener(Network(link))(kLinePcm, done, false);
  ASSERT_TRUE(device);
  std::vector<int16_t> pcm = Ramp(2400);  // 300 ms
  LWaveHeader header;
  header.Prepare(pcm.data(), 4800);
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(device->Write(header));
  while (!header.IsDone()) done.Wait(1000);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(280));
  const std::string played = link->TakePlayed(0);
  ASSERT_EQ(4800u, played.size());
  EXPECT_EQ(0, std::memcmp(played.data(), pcm.data(), played.size()));

  const std::vector<int16_t> longer = Ramp(12000);  // 1.5 s
  link->Play(longer.data(), longer.size());
  const std::string kept = link->TakePlayed(0);
  ASSERT_EQ(LWaveNetworkLink::kMaxHeldBytes, kept.size());
  EXPECT_EQ(0, std::memcmp(kept.data(), longer.data() + 4000, kept.size()));
}

// What the page sent, in order; silence where it sent too little; the
// newest second when it ran ahead; a torn last byte left out.
TEST(LWaveNetworkTest, InputTakesWhatCamePaddedWithSilence) {
  struct Row {
    const char* what;
    int sentSamples;
    bool oddByte;
    int firstHeard;  // the ramp's value of the first sample taken
    int heardSamples;
  };
  const Row rows[] = {
      {"less than asked", 100, false, 1, 100},
      {"a torn sample", 100, true, 1, 100},
      {"more than a second", 9000, false, 1001, 8000},
  };
  for (const Row& row : rows) {
    LWaveNetworkLink link;
    const std::vector<int16_t> sent = Ramp(row.sentSamples);
    std::string bytes(reinterpret_cast<const char*>(sent.data()), sent.size() * 2);
    if (row.oddByte) bytes += '\x7f';
    link.Heard(bytes);
    std::vector<int16_t> heard(8160, -1);
    link.Fill(heard.data(), heard.size());
    for (std::size_t i = 0; i < heard.size(); ++i) {
      const int want = i < static_cast<std::size_t>(row.heardSamples) ? row.firstHeard + static_cast<int>(i) : 0;
      ASSERT_EQ(want, heard[i]) << row.what << " at " << i;
    }
  }
}

TEST(LWaveNetworkTest, OnlyTheLinksFormatOpensAndACloseEndsTheWait) {
  auto link = std::make_shared<LWaveNetworkLink>();
  LSignalObject done;
  EXPECT_FALSE(LWaveDevices::OutOpener(Network(link))(LWavePcmFormat{44100, 2}, done, true));
  EXPECT_FALSE(LWaveDevices::InOpener(Network(link))(LWavePcmFormat{16000, 1}, done, true));
  EXPECT_TRUE(LWaveDevices::InOpener(Network(link))(kLinePcm, done, false));
  const auto begin = std::chrono::steady_clock::now();
  link->Close();
  EXPECT_EQ("", link->TakePlayed(5000));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
}

}  // namespace
