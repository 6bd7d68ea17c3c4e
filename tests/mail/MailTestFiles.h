#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "core/Profile.h"

// Small file helpers for the mail store tests.
inline void WriteTextFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

inline std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

// A stored INI value, "<missing>" when there is none.
inline std::string Stored(const std::string& file, const char* section, const char* key) {
  return ProfileReadString(file, section, key, "<missing>");
}

// Several stored values joined by "|", to compare in one assertion.
inline std::string Stored(const std::string& file, const char* section, std::initializer_list<const char*> keys) {
  std::string values;
  for (const char* key : keys) values += (values.empty() ? "" : "|") + Stored(file, section, key);
  return values;
}
