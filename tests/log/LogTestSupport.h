#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/ManualClock.h"
#include "log/LogFile.h"
#include "support/TempDir.h"

// A Logs folder logged to shortly before midnight, local time being UTC so
// file names and times are known in advance.
class LogTest : public ::testing::Test {
 protected:
  LogTest() { setenv("TZ", "UTC", 1), tzset(); }
  std::string Read(const std::string& name) const { return FileText(dir_ / name); }

  TempDir dir_;
  ManualClock clock_{1735689510, 5000};  // 2024-12-31 23:58:30
  StatusDisplay display_{clock_};
  LogFile log_{dir_.Path(), clock_, display_};
};
