#pragma once

// The synthesis window D[0..511] multiplied by the output gain, and the
// factors of the fast 32-point DCT; built once per process, read-only.
struct Mp3SynthesisWindow {
  float window[512];
  // 1 / (2 cos((2k + 1) pi / 2N)) for N = 32, 16, 8, 4, 2 at offsets 0, 16, 24, 28, 30.
  float dctFactors[31];

  static const Mp3SynthesisWindow& Instance();

 private:
  Mp3SynthesisWindow();
};
