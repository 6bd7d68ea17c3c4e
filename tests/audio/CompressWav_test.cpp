#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <vector>

#include "audio/AudioImport.h"
#include "audio/LProgressSilent.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

namespace {

// 8000 frames of 16-bit PCM at `path`.
void WriteOriginal(const std::string& path) {
  const std::vector<int32_t> ramp(8000, 1600);
  LWaveFile::OpenSinkPCM(path, 8000, 0, 16, 1)->Write(ramp.data(), 8000);
}

int BitsOf(const std::string& path) {
  LWaveFileFormat format;
  return LWaveFile::ReadFormat(path, format) ? format.BitsPerSample() : -1;
}

}  // namespace

// Re-encoding replaces the file only when the new one is complete, and
// leaves no temporary file either way.
TEST(CompressWav, ReplacesTheFileInTheNewFormatOrLeavesIt) {
  TempDir dir;
  const std::string path = dir / "m.wav";
  WriteOriginal(path);
  LProgressSilent progress;
  LPRCompressWav compress(LWaveFileFormat::Pcm(8000, 1, 8), path);
  EXPECT_EQ(compress.Process(progress), kProcessDone);
  EXPECT_TRUE(compress.TempRemoved());
  EXPECT_EQ(BitsOf(path), 8);
  EXPECT_EQ(LWaveFile::OpenSource(path)->GetEndSample(), 8000);
  LPRCompressWav missing(LWaveFileFormat::Pcm(8000, 1, 8), dir / "none.wav");
  EXPECT_EQ(missing.Process(progress), kProcessFailed);
  EXPECT_TRUE(missing.TempRemoved());
  EXPECT_FALSE(std::filesystem::exists(dir / "none.wav"));

  // A full disk (a file size limit in a child) cuts the copy short: the
  // message keeps its original audio.
  WriteOriginal(path);
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit limit{4096, 4096};
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    LPRCompressWav full(LWaveFileFormat::Pcm(8000, 1, 8), path);
    ::_exit(full.Process(progress) == kProcessFailed && full.TempRemoved() ? 0 : 1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(BitsOf(path) == 16 && LWaveFile::OpenSource(path)->GetEndSample() == 8000);
}
