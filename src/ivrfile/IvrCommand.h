#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class DataFolders;

// "zavotel ivr save OUT.ivr [--description FILE]", "ivr load FILE.ivr
// [--quiet] [--yes]", "ivr new [--yes]" and "ivr info FILE.ivr", with the
// arguments after "ivr". `openData` prepares the data folder for the
// commands that use it (nullopt when it cannot be prepared). Returns the
// process exit status.
int RunIvrCommand(const std::vector<std::string>& args,
                  const std::function<std::optional<DataFolders>()>& openData);
