#include "audio/LCodecGsm.h"

#include <gsm/gsm.h>

#include <algorithm>

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"
#include "core/Trace.h"

namespace {

constexpr uint32_t kHalf = LCodecGsm::kSamplesPerBlock / 2;

gsm_state* CreateState() {
  gsm_state* state = gsm_create();
  int on = 1;
  if (state != nullptr && gsm_option(state, GSM_OPT_WAV49, &on) < 0) {
    gsm_destroy(state);
    state = nullptr;
  }
  if (state == nullptr) Trace("LCodecGsm Unable to create the codec state FAILED");
  return state;
}

}  // namespace

std::unique_ptr<LCodecStream> LCodecGsm::Open(const LWaveFileFormat& format, bool decode) {
  if (format.Tag() != kTag || format.Channels() != 1 || format.BlockAlign() != kBlockAlign ||
      (format.ExtraSize() >= 2 && LoadLeU16(format.Extra()) != kSamplesPerBlock)) {
    return nullptr;
  }
  auto stream = std::make_unique<LCodecGsm>(decode);
  if (!stream->IsReady()) return nullptr;
  return stream;
}

bool LCodecGsm::Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels) {
  if (channels != 1) return false;
  format.SetBitsPerSample(0);
  format.SetBlockAlign(kBlockAlign);
  format.SetAvgBytesPerSec(
      static_cast<uint32_t>(static_cast<uint64_t>(rate) * kBlockAlign / kSamplesPerBlock));
  uint8_t extra[2];
  StoreLe16(extra, kSamplesPerBlock);
  return format.SetExtra(extra, sizeof extra);
}

LCodecGsm::LCodecGsm(bool decode)
    : LCodecBlockStream(kBlockAlign, 2u * kSamplesPerBlock, decode), state_(CreateState()) {}

LCodecGsm::~LCodecGsm() {
  if (state_ != nullptr) gsm_destroy(state_);
}

void LCodecGsm::Reset() {
  // The framing alternates between the block's halves, so a restart needs a
  // fresh state rather than cleared history alone.
  if (state_ != nullptr) gsm_destroy(state_);
  state_ = CreateState();
}

bool LCodecGsm::ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i, in += InBlock(), out += OutBlock()) {
    if (!ConvertBlock(in, out)) return false;
  }
  return true;
}

bool LCodecGsm::ConvertBlock(const uint8_t* in, uint8_t* out) {
  if (state_ == nullptr) return false;
  if (Decoding()) {
    std::copy_n(in, kBlockAlign, frames_.begin());
    if (gsm_decode(state_, frames_.data(), samples_.data()) < 0 ||
        gsm_decode(state_, frames_.data() + 33, samples_.data() + kHalf) < 0) {
      return false;
    }
    for (uint32_t i = 0; i < kSamplesPerBlock; ++i) StoreLe16(out + 2 * i, samples_[i]);
    return true;
  }
  for (uint32_t i = 0; i < kSamplesPerBlock; ++i) samples_[i] = LoadLe16(in + 2 * i);
  gsm_encode(state_, samples_.data(), frames_.data());
  gsm_encode(state_, samples_.data() + kHalf, frames_.data() + 32);
  std::copy_n(frames_.begin(), kBlockAlign, out);
  return true;
}
