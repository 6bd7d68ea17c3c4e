#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "audio/AudioImport.h"
#include "audio/LProgressSilent.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

// Re-encoding replaces the file only when the new one is complete, and
// leaves no temporary file either way.
TEST(CompressWav, ReplacesTheFileInTheNewFormatOrLeavesIt) {
  TempDir dir;
  const std::string path = dir / "m.wav";
  const std::vector<int32_t> ramp(8000, 1600);
  LWaveFile::OpenSinkPCM(path, 8000, 0, 16, 1)->Write(ramp.data(), 8000);
  LProgressSilent progress;
  LPRCompressWav compress(LWaveFileFormat::Pcm(8000, 1, 8), path);
  EXPECT_EQ(compress.Process(progress), kProcessDone);
  EXPECT_TRUE(compress.TempRemoved());
  LWaveFileFormat format;
  ASSERT_TRUE(LWaveFile::ReadFormat(path, format));
  EXPECT_EQ(format.BitsPerSample(), 8);
  EXPECT_EQ(LWaveFile::OpenSource(path)->GetEndSample(), 8000);
  LPRCompressWav missing(LWaveFileFormat::Pcm(8000, 1, 8), dir / "none.wav");
  EXPECT_EQ(missing.Process(progress), kProcessFailed);
  EXPECT_TRUE(missing.TempRemoved());
  EXPECT_FALSE(std::filesystem::exists(dir / "none.wav"));
}
