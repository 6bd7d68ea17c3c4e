#pragma once
#include <string>

class DataFolders;
class LProcessListThread;
class LProgress;
struct DeliveryContext;

// Converts a message's audio once into the delivery format: the format file
// beside the settings file (its ".wff"), else 8-bit PCM mono at 8000 Hz.
// Waits while the audio is still queued for levelling, so the levelled sound
// is what goes out. True when the audio is (now or already) converted;
// "compressed" in the record says so for later passes.
bool CompressMessage(DeliveryContext& context, const std::string& recordPath);
// The same for whoever converts outside a delivery pass (the console's
// e-mail); `levelling` may be null.
bool CompressMessage(const DataFolders& folders, const LProcessListThread* levelling,
                     LProgress& progress, const std::string& recordPath);
