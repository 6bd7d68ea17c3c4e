#pragma once

#include <string>
#include <string_view>

// Text in files written elsewhere may be in the Windows Western code page
// (1252) rather than UTF-8, or hold both. `text` as UTF-8: its well-formed
// UTF-8 sequences as they are, every other byte read as its code page 1252
// character (the five bytes 1252 leaves undefined as the control characters
// of the same number). So accented letters survive being shown and saved
// back, and UTF-8 text cut inside a character loses only that character.
std::string AsUtf8(std::string_view text);
