#pragma once
#include <string>

struct DeliveryContext;

// Converts a message's audio once into the delivery format: the format file
// beside the settings file (its ".wff"), else 8-bit PCM mono at 8000 Hz.
// Waits while the audio is still queued for levelling, so the levelled sound
// is what goes out. True when the audio is (now or already) converted;
// "compressed" in the record says so for later passes.
bool CompressMessage(DeliveryContext& context, const std::string& recordPath);
