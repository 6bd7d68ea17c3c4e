#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Data-folder names keep their stored spelling, but callers may ask for them
// in any case ("GoodBye" finds "Goodbye.wav"). Returns `path` itself when it
// exists as written; otherwise each missing component is matched without
// regard to ASCII letter case in its folder. Components that match nothing
// stay as written, so the result is also the right path to create.
std::string ResolveCaseInsensitive(std::string_view path);

// Whether `folder` holds any of `names` without regard to ASCII letter case.
// One look through the folder answers for all of them.
bool FolderHoldsIgnoringCase(const std::string& folder, std::initializer_list<std::string_view> names);
