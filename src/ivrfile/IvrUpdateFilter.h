#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What an unattended update may not change. The update check fetches its
// program file from a server or folder that others may write to, so the
// file must not make the engine run programs, send messages elsewhere or
// open mailboxes to another code: in an OGM the "run" keys, in a mailbox the
// access code and the e-mail, FTP, folder and forwarding targets. The
// owner's own loads bring everything.
namespace ivr_update {

// Whether a file record of `tag` named `name` holds guarded keys.
bool HasGuardedKeys(uint8_t tag, std::string_view name);

// `incoming` (the file the update brings) with the guarded keys as
// `current` (the file it replaces, "" for none) has them. `changed` tells
// whether the update wanted any of them different.
std::string KeepGuardedKeys(uint8_t tag, std::string_view incoming, std::string_view current,
                            bool& changed);

// Whether an OGM file's text runs programs: "run" true and "runcount" above 0.
bool RunsPrograms(std::string_view ogmText);

}  // namespace ivr_update
