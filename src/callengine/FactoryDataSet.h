#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "audio/TtsVoices.h"
#include "core/DataFolders.h"

struct FactoryPrompt;

// The files a fresh installation needs before anyone records a prompt: the
// data folders, the settings a first start writes, every system prompt
// spoken by the best English voice into "Default System Prompts" (8000 Hz,
// mono, 16-bit) and copied into "System Prompts", the generated
// "RecordTone", the OGM "Default Answering Message" (".ini", ".txt", ".wav")
// and its mailbox "Default". Every command that opens a data folder creates
// what is missing; nothing that exists is ever overwritten, so an owner's
// recordings and edits stay. Files appear whole or not at all.
class FactoryDataSet {
 public:
  static constexpr uint32_t kPromptRate = 8000;

  explicit FactoryDataSet(DataFolders folders, const TtsVoices& voices = TtsVoices::Installed());

  // Creates whatever is missing. False (after trace lines) when any part
  // could not be made, for example prompts without an installed voice; the
  // other parts are made all the same.
  bool CreateMissing() const;
  // Copies the factory file of the prompt `name` (any case) over the system
  // prompt, rendering the factory file first when it is missing. False for
  // a name that is no factory prompt or a failed copy.
  bool RestoreSystemPrompt(std::string_view name) const;

 private:
  bool CreateFactoryPrompt(const FactoryPrompt& prompt) const;
  bool CreateDefaultOgm() const;
  bool CreateDefaultMailBox() const;
  // Speaks `words` into `path` at kPromptRate, through a hidden part file.
  bool RenderSpeech(std::string_view words, const std::string& path) const;
  std::string FactoryPath(std::string_view name) const;
  std::string PromptPath(std::string_view name) const;

  DataFolders folders_;
  const TtsVoices& voices_;
};
