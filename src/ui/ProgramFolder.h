#pragma once

#include <string>
#include <string_view>

#include "core/DataFolders.h"

// The folder of the data root where the console keeps the IVR program files
// it received and saved, and the names a request may give them.
namespace program_folder {

inline constexpr std::string_view kFolderName = "IVR Programs";
// The answer to a program command while the engine loads a program file.
inline constexpr const char* kLoadingText = "an IVR program file is loading; try again when it is done";

// Why `name` cannot be a program file there (see RequestNameProblem; it
// must end in ".ivr"); "" when it can.
std::string NameProblem(std::string_view name);

// The path of the program file `name` (already checked), in the stored
// spelling when a file of that name in another case exists; "" when the
// path would be longer than paths may be.
std::string PathOf(const DataFolders& folders, std::string_view name);

// Creates the folder, readable by its owner only, when it is missing.
bool Create(const DataFolders& folders);

}  // namespace program_folder
