#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The ".ivr" program file: a 2-byte magic (bytes DC FE), a 2-byte version 0
// and tagged records up to the end record. Integers are little-endian.
inline constexpr uint16_t kIvrMagic = 0xFEDC;
inline constexpr uint16_t kIvrVersion = 0;
inline constexpr std::size_t kIvrHeaderSize = 4;

enum IvrTag : uint8_t {
  kIvrTagOgmFile = 0,
  kIvrTagPromptFile = 1,
  kIvrTagMailBoxFile = 2,
  kIvrTagDataFile = 3,
  kIvrTagOgmKeepList = 0x10,
  kIvrTagMailBoxKeepList = 0x11,
  kIvrTagSetting = 0x20,
  kIvrTagNotes = 0x30,
  kIvrTagShowNotes = 0x31,
  // What a tag read past the end of the file counts as.
  kIvrTagMissing = 0xFE,
  kIvrTagEnd = 0xFF,
};

inline constexpr bool IvrIsFileTag(uint8_t tag) { return tag <= kIvrTagDataFile; }

// Short strings and file names carry a 1-byte length; the notes a 2-byte one.
inline constexpr std::size_t kIvrMaxShortString = 255;
inline constexpr std::size_t kIvrMaxNotes = 65535;
inline constexpr std::size_t kIvrMaxListCount = 65535;

// A file record's checksum: 0xFFFFFFFF plus every content byte as an
// unsigned value, modulo 2^32.
class IvrChecksum {
 public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) sum_ += bytes[i];
  }
  uint32_t Value() const { return sum_; }

 private:
  uint32_t sum_ = 0xFFFFFFFF;
};

// Whether a file record's name stays in its folder: 1 to 255 bytes, no
// separator, no "..", no drive letter, no NUL or other control character,
// and not "." itself. A record for the data folder may not replace the files
// that tell the engine where to write (the folder list, the settings, the
// levelling work list).
bool IvrNameIsSafe(uint8_t tag, std::string_view name);

// Whether `name` ends in `extension` (".wav"), compared without case.
bool IvrHasExtension(std::string_view name, std::string_view extension);

// Progress titles of the two jobs.
inline constexpr std::string_view kIvrLoadTitle = "Load IVR Program File";
inline constexpr std::string_view kIvrSaveTitle = "Save IVR File...";

// Texts the user sees when a load fails (or a record cannot be applied).
namespace ivrtext {
inline constexpr std::string_view kUnableToOpen = "Unable to open file.";
inline constexpr std::string_view kZeroLength =
    "Zero length file. This means the file you are attempting to load is corrupt";
inline constexpr std::string_view kFileType =
    "File Type Error. This might mean the file you are attempting to load is corrupt.";
inline constexpr std::string_view kFileVersion =
    "File Version Error. This file was saved by a later version of Zavotel; please install "
    "that version to load it. This might also mean the file you are attempting to load is "
    "corrupt.";
inline constexpr std::string_view kInvalidTag =
    "Invalid Tag Error. This might mean the file you are attempting to load is corrupt or "
    "incomplete.";
inline constexpr std::string_view kChecksum =
    "File checksum error. This means the file you are attempting to load is corrupt.";
inline constexpr std::string_view kAudio =
    "MP3 File Format Error. Unable to decode mp3 file. This might also mean the file you are "
    "attempting to load is corrupt.";
inline constexpr std::string_view kReplace =
    "Unable to replace file. This means the file is currently being used or has been locked. "
    "Please try loading the file again later. If that still does not work, please restart "
    "your computer and try again.";
inline constexpr std::string_view kCreate = "Unable to create file.";
}  // namespace ivrtext
