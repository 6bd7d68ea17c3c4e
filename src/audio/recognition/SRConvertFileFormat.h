#pragma once

#include <string>

#include "audio/LProgressProcess.h"

class LProgress;
class LWaveFileFormat;

// Converts the WAVE file `input` into `output` in the recogniser's `format`
// (mono only: another channel count fails) through the pump, so the progress
// is asked to cancel between blocks of 8192 frames. Audio raised to a higher
// rate gets a noise floor in the band it lacks (LSRCBandFill.h). kProcessFailed also when
// the input cannot be read or the output cannot be written.
ProcessResult ProcessSRConvertFileFormat(const std::string& input, const std::string& output,
                                         const LWaveFileFormat& format, LProgress& progress);
