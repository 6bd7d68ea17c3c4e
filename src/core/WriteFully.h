#pragma once

#include <string_view>

// Writes all of `data` to `fd`, resuming after short writes and signals.
// False (errno set) when the file refuses the rest, for example a full disk.
bool WriteFully(int fd, std::string_view data);
