#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "WaveTestFiles.h"
#include "audio/InterruptedWave.h"
#include "support/TempDir.h"

using namespace wave_test;
using State = InterruptedWave::State;

namespace {

constexpr uint32_t kStreaming = 0xFFFFFFFF;

// The recorder's header of 16-bit mono at 8000 Hz.
std::string PcmHead(uint32_t dataSize) { return PcmHeader(1, 8000, 2, dataSize); }

// GSM 6.10 (65-byte blocks, 1625 bytes a second) with a "LIST" chunk before
// the data, as other programs write it.
std::string GsmHead(uint32_t riffSize, uint32_t dataSize) {
  const std::string fmt = Le16(0x31) + Le16(1) + Le32(8000) + Le32(1625) + Le16(65) + Le16(0) +
                          Le16(2) + Le16(320);
  return "RIFF" + Le32(riffSize) + "WAVE" + Chunk("fmt ", fmt) + Chunk("LIST", "INFOnote") +
         "data" + Le32(dataSize);
}

struct Row {
  const char* name;
  std::string left;      // the file as the crash left it; "" for none
  State state;
  int64_t ms;            // 0 unless interrupted
  std::string finished;  // the file after Finish; "" when it stays as it was
};

// The data size comes from what the file holds, cut to whole blocks; a file
// that is final, missing or no WAVE file is left alone.
TEST(InterruptedWave, FinishesStreamingFilesToTheirWholeBlocks) {
  const std::string second(16000, '\x11');
  const std::string gsmLeft = GsmHead(kStreaming, kStreaming) + std::string(205, '\x22');
  const std::string gsmKept = GsmHead(static_cast<uint32_t>(gsmLeft.size() - 10 - 8), 195) +
                              std::string(195, '\x22');
  const Row rows[] = {
      {"a second and a half frame", PcmHead(kStreaming) + second + "\x33", State::kInterrupted, 1000,
       PcmHead(16000) + second},
      {"the header alone (a power cut)", PcmHead(kStreaming), State::kInterrupted, 0, PcmHead(0)},
      {"three GSM blocks and a part", gsmLeft, State::kInterrupted, 120, gsmKept},
      {"final header", PcmHead(16000) + second, State::kNotInterrupted, 0, ""},
      {"no WAVE file", "not a sound file", State::kNotInterrupted, 0, ""},
      {"missing", "", State::kNotInterrupted, 0, ""},
  };
  TempDir dir;
  for (const Row& row : rows) {
    const std::string path = dir / "message.wav";
    std::filesystem::remove(path);
    if (!row.left.empty()) WriteBytes(path, row.left);
    {
      InterruptedWave wave(path);
      EXPECT_EQ(wave.GetState(), row.state) << row.name;
      EXPECT_EQ(wave.DurationMs(), row.ms) << row.name;
      EXPECT_EQ(wave.Finish(), row.state == State::kInterrupted) << row.name;
    }
    EXPECT_EQ(FileText(path), row.finished.empty() ? row.left : row.finished) << row.name;
    EXPECT_EQ(InterruptedWave(path).GetState(), State::kNotInterrupted) << row.name << ": twice";
  }
}

}  // namespace
