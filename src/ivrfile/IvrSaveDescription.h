#pragma once

#include <string>
#include <vector>

class DataFolders;

// What a save writes: the choices of the save wizard, kept as the INI file
// "save.dat" in the data folder (section "save").
struct IvrSaveDescription {
  struct Setting {
    std::string section;
    std::string key;
    std::string value;
  };

  static constexpr const char* kFileName = "save.dat";

  std::string filename;                // the ".ivr" file to write
  std::vector<std::string> ogms;       // OGM titles
  bool ogmDelete = true;               // write the OGM keep-list
  std::vector<std::string> mailBoxes;  // mailbox names
  bool mailBoxDelete = false;          // write the mailbox keep-list
  bool mailBoxGreetings = false;       // with each saved mailbox's greeting
  std::vector<std::string> prompts;    // system prompt titles
  std::vector<std::string> programs;   // file names in the data folder
  std::vector<Setting> settings;
  bool notes = true;        // the notes text ("notes.txt")
  bool notesPopup = false;  // shown after loading

  // Reads a description file; missing keys keep the wizard's first choices.
  static IvrSaveDescription Read(const std::string& path);
  // The choices the save wizard opens with: the current program file, every
  // OGM with the OGM keep-list, no mailbox and no prompt, the program files
  // chosen last time that are still there, the answering OGM setting and the
  // notes (not shown after loading).
  static IvrSaveDescription WizardStart(const DataFolders& folders);
  // Replaces the "save" section of `path` with this description in one
  // write, as the wizard leaves it; false when the file cannot be written.
  bool Write(const std::string& path) const;
  // Everything in the data folder: every OGM, mailbox (with its greeting)
  // and system prompt, the answering OGM setting and the notes, with the
  // OGM keep-list; no program files and no mailbox keep-list.
  static IvrSaveDescription Everything(const DataFolders& folders);
};
