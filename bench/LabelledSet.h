#pragma once

// The labelled sets made by make_labelled_sets.sh: the manifest's rows and
// each file's samples as a call receives them, 20 ms RTP frames of mu-law
// decoded to 16-bit.
#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio/LSoundSourceBase.h"
#include "audio/LWaveFile.h"
#include "telephony/rtp/RtpG711.h"

struct LabelledFile {
  std::string kind;   // answer, talkoff or digits
  std::string label;  // what the file holds
  std::string path;   // in the set's folder
  std::string note;   // a description, or the number of key presses
};

// The rows of `kind` in folder/manifest.tsv, paths made whole.
inline std::vector<LabelledFile> ReadManifest(const std::string& folder, const std::string& kind) {
  std::vector<LabelledFile> rows;
  std::ifstream in(folder + "/manifest.tsv");
  std::string line;
  while (std::getline(in, line)) {
    LabelledFile row;
    std::istringstream fields(line);
    std::getline(fields, row.kind, '\t');
    std::getline(fields, row.label, '\t');
    std::getline(fields, row.path, '\t');
    std::getline(fields, row.note);
    row.path = folder + "/" + row.path;
    if (row.kind == kind) rows.push_back(row);
  }
  return rows;
}

inline constexpr std::size_t kRtpFrame = 160;

// The file's samples after the line's codec, frame by frame as the jitter
// buffer hands them on; the last part frame is dropped.
inline std::vector<int16_t> ReadLineAudio(const std::string& path) {
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  std::vector<int32_t> chain(static_cast<std::size_t>(std::max(0, source->GetEndSample())));
  source->Read(chain.data(), static_cast<int32_t>(chain.size()));
  std::vector<int16_t> line(chain.size() / kRtpFrame * kRtpFrame);
  std::array<int16_t, kRtpFrame> frame{};
  std::array<uint8_t, kRtpFrame> payload{};
  for (std::size_t at = 0; at < line.size(); at += kRtpFrame) {
    for (std::size_t i = 0; i < kRtpFrame; ++i) frame[i] = ChainTo16(chain[at + i]);
    RtpG711Encode(kRtpPayloadPcmu, frame, payload.data());
    RtpG711Decode(kRtpPayloadPcmu, payload, line.data() + at);
  }
  return line;
}
