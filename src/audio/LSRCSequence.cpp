#include "audio/LSRCSequence.h"

#include <algorithm>
#include <limits>

#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "core/Trace.h"

LSRCSequence::LSRCSequence(int32_t sampleRate, int channels)
    : LSoundSourceBase(sampleRate, channels, 0) {}

bool LSRCSequence::Append(LSoundSourceRef source) {
  if (!source || source->IsError()) return false;
  source = LSPConvChannels(Channels()).OpenSource(source);
  source = LSPConvertRate(SampleRate()).OpenSource(source);
  if (source->IsError() || source->Channels() != Channels() ||
      source->SampleRate() != SampleRate()) {
    Trace("LSRCSequence::Append cannot convert %d channels at %d Hz FAILED", source->Channels(),
          static_cast<int>(source->SampleRate()));
    return false;
  }
  SetMaxLevel(std::max(MaxLevel(), source->MaxLevel()));
  parts_.push_back(std::move(source));
  return true;
}

void LSRCSequence::Read(int32_t* buffer, int32_t frames) {
  const int channels = Channels();
  while (frames > 0) {
    int32_t done;
    if (position_ < 0) {
      done = std::min(frames, -position_);
      std::fill_n(buffer, static_cast<size_t>(done) * channels, 0);
    } else {
      done = ReadFromParts(buffer, frames);
      if (done == 0) {
        std::fill_n(buffer, static_cast<size_t>(frames) * channels, 0);
        done = frames;
      }
    }
    buffer += static_cast<size_t>(done) * channels;
    frames -= done;
    position_ += done;
  }
}

int32_t LSRCSequence::ReadFromParts(int32_t* buffer, int32_t frames) {
  int64_t start = 0;
  for (const LSoundSourceRef& part : parts_) {
    int64_t end = start + std::max(part->GetEndSample(), 0);
    if (position_ < end) {
      int32_t local = static_cast<int32_t>(position_ - start);
      if (part->GetPosition() != local) part->Seek(local);
      int32_t count = static_cast<int32_t>(std::min<int64_t>(frames, end - position_));
      part->Read(buffer, count);
      return count;
    }
    start = end;
  }
  return 0;
}

int32_t LSRCSequence::GetEndSample() {
  int64_t total = 0;
  for (const LSoundSourceRef& part : parts_) total += std::max(part->GetEndSample(), 0);
  return static_cast<int32_t>(std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
}

bool LSRCSequence::IsStreaming() {
  return std::any_of(parts_.begin(), parts_.end(),
                     [](const LSoundSourceRef& part) { return part->IsStreaming(); });
}

void LSRCSequence::Wait(int ms) {
  for (const LSoundSourceRef& part : parts_) {
    if (part->IsStreaming()) {
      part->Wait(ms);
      return;
    }
  }
  LSoundSourceBase::Wait(ms);
}
