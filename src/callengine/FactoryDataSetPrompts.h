#pragma once

#include <span>
#include <string_view>

// One factory system prompt: its file name (without ".wav") and the words
// it speaks. The menus' words name exactly the keys their dialogues accept.
struct FactoryPrompt {
  std::string_view name;
  std::string_view words;
};

// The prompts in the order the installation creates them; "RecordTone", the
// tone before every recording, is generated and has no words.
std::span<const FactoryPrompt> FactoryPrompts();

inline constexpr std::string_view kRecordToneName = "RecordTone";

// The greeting of the "Default Answering Message" OGM (its ".txt", spoken
// into its ".wav") and its definition with every key written out.
std::string_view DefaultAnsweringMessageText();
std::string_view DefaultAnsweringMessageIni();
