#include "audio/LMP3Source.h"

#include <algorithm>
#include <cmath>

#include "core/Trace.h"

namespace {

constexpr int kAverageHeaders = 8;

}  // namespace

LMP3Source::LMP3Source(const std::string& path)
    : LSoundSourceBase(44100, 1, kMaxLevel),
      file_(path),
      decoder_(std::make_unique<Mp3FrameDecoder>()) {
  if (!Mp3FrameDecoder::TablesReady()) {
    Trace("LMP3Source Unable to build the decoder tables FAILED");
    SetError();
    return;
  }
  if (!file_.IsOpen() || !DecodeInitialHeader()) {
    Trace("LMP3Source No MPEG Layer III stream in \"%s\"", path.c_str());
    SetError();
  }
}

bool LMP3Source::DecodeInitialHeader() {
  int64_t offset = file_.Start();
  int64_t sum = 0;
  int count = 0;
  MP3Header header;
  for (; count < kAverageHeaders; ++count) {
    file_.SeekTo(offset);
    if (!ReadHeader(header)) break;
    if (count == 0) first_ = header;
    sum += header.bitRate;
    // The next frame by arithmetic from where this header was found.
    const int64_t found = file_.Offset() - 4 - (header.protection == 0 ? 2 : 0);
    offset = found + header.FrameBytes();
  }
  if (count == 0) return false;
  file_.SeekTo(file_.Start());
  SetSampleRate(first_.SampleRate());
  SetChannels(first_.Channels());
  samplesPerFrame_ = first_.SamplesPerFrame();
  const double averageBitRate = static_cast<double>(sum) / count;
  averageFrameBytes_ = first_.SlotFactor() * averageBitRate / first_.SampleRate();
  // Padding keeps whole frames up to a byte short of their average length,
  // so that byte still counts: a constant bit rate comes out exact.
  const double frames = std::trunc(static_cast<double>(file_.AudioBytes() + 1) / averageFrameBytes_);
  end_ = static_cast<int32_t>(std::min<double>(frames, INT32_MAX / samplesPerFrame_)) * samplesPerFrame_;
  return true;
}

bool LMP3Source::ReadHeader(MP3Header& header) {
  uint8_t bytes[4];
  if (!file_.Read(bytes, 4)) return false;
  for (int tries = 1; !MP3Header::Parse(bytes, header); ++tries) {
    if (tries >= kSyncPositions) return false;
    bytes[0] = bytes[1], bytes[1] = bytes[2], bytes[2] = bytes[3];
    if (!file_.Read(bytes + 3, 1)) return false;
  }
  uint8_t crc[2];
  return header.protection != 0 || file_.Read(crc, 2);
}

bool LMP3Source::DecodeHeader(MP3Header& header) {
  for (int tries = 0; tries < kMaxHeaderTries; ++tries) {
    if (!ReadHeader(header)) return false;
    if (header.Matches(first_)) return true;
  }
  return false;
}

LMP3Source::FrameResult LMP3Source::NextFrame() {
  MP3Header header;
  if (!DecodeHeader(header)) return FrameResult::kEnd;
  const int64_t body = header.FrameBytes() - 4 - (header.protection == 0 ? 2 : 0);
  if (body < header.SideInfoBytes() || body > static_cast<int64_t>(frame_.size())) {
    return FrameResult::kSkipped;  // too short to hold its own side information
  }
  if (!file_.Read(frame_.data(), static_cast<std::size_t>(body))) return FrameResult::kEnd;
  if (decoder_->Decode(header, frame_.data(), static_cast<std::size_t>(body), pcm_.data()) !=
      Mp3FrameDecoder::Result::kDecoded) {
    return FrameResult::kSkipped;
  }
  return FrameResult::kDecoded;
}

bool LMP3Source::DecodeFrame() {
  for (;;) {
    const FrameResult result = NextFrame();
    if (result == FrameResult::kEnd) return false;
    if (result == FrameResult::kDecoded) break;
  }
  frameFrames_ = samplesPerFrame_;
  cursor_ = 0;
  producedEnd_ += samplesPerFrame_;
  RefineEnd();
  return true;
}

void LMP3Source::RefineEnd() {
  const double frames = std::trunc(file_.Left() / averageFrameBytes_ + 0.9);
  const double end = frames * samplesPerFrame_ + static_cast<double>(producedEnd_);
  end_ = static_cast<int32_t>(std::min<double>(end, INT32_MAX));
}

void LMP3Source::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  const int channels = Channels();
  const int32_t start = position_;
  position_ = static_cast<int32_t>(std::min<int64_t>(int64_t{position_} + frames, INT32_MAX));
  int32_t done = 0;
  if (!IsError() && start < end_) {
    if (start < 0) {
      done = static_cast<int32_t>(std::min<int64_t>(frames, -int64_t{start}));
      std::fill_n(buffer, static_cast<std::size_t>(done) * channels, 0);
    }
    while (done < frames) {
      if (cursor_ >= frameFrames_ && !DecodeFrame()) {
        end_ = start + done;  // the stream ended here: the end is now exact
        break;
      }
      const int32_t take = std::min(frames - done, frameFrames_ - cursor_);
      std::copy_n(pcm_.data() + static_cast<std::size_t>(cursor_) * channels,
                  static_cast<std::size_t>(take) * channels,
                  buffer + static_cast<std::size_t>(done) * channels);
      cursor_ += take;
      done += take;
    }
  }
  std::fill(buffer + static_cast<std::size_t>(done) * channels,
            buffer + static_cast<std::size_t>(frames) * channels, 0);
}

void LMP3Source::Seek(int32_t frame) {
  if (IsError()) return;
  position_ = frame;
  const int32_t target = std::clamp(frame, 0, end_);
  const int32_t index = target / samplesPerFrame_;
  const int32_t first = std::max(0, index - kWarmUpFrames);
  file_.SeekTo(file_.Start() + static_cast<int64_t>(std::trunc(first * averageFrameBytes_)));
  decoder_->Reset();
  frameFrames_ = cursor_ = 0;
  // Warm-up frames refill the reservoir, the overlap and the synthesis
  // history; each counts as one frame of the file even when it cannot be
  // decoded, so the target frame is found by its place in the stream.
  for (int32_t i = first; i < index; ++i) {
    if (NextFrame() == FrameResult::kEnd) break;
  }
  producedEnd_ = static_cast<int64_t>(index) * samplesPerFrame_;
  if (NextFrame() == FrameResult::kDecoded) {
    producedEnd_ += samplesPerFrame_;
    frameFrames_ = samplesPerFrame_;
    cursor_ = target - index * samplesPerFrame_;
    RefineEnd();
  }
}
