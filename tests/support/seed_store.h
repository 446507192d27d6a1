// Writes a settings store before a unit starts, in the NVRAM files' own
// layout: one 32-bit little-endian entry per key slot (the three characters
// after the first as base-36 digits; NVER has its own slot) and a bitmap
// marking the saved slots.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "common/types.h"

inline U32 u32Slot(const char* key) {
  if (std::string(key) == "NVER") return 46656;
  auto digit = [](char c) { return c <= '9' ? (U32)(c - '0') : (U32)(c - 'A' + 10); };
  return digit(key[1]) * 1296 + digit(key[2]) * 36 + digit(key[3]);
}

inline void SeedStore(const std::string& dir, const std::map<std::string, U32>& keys) {
  std::filesystem::create_directories(dir);
  std::string bitmap(5836, '\0');
  std::string entries;
  for (const auto& [key, value] : keys) {
    const U32 slot = u32Slot(key.c_str());
    if (entries.size() < 4 * slot + 4) entries.resize(4 * slot + 4, '\0');
    for (int i = 0; i < 4; i++) entries[4 * slot + i] = (char)(value >> (8 * i));
    bitmap[4 * (slot / 32) + (slot % 32) / 8] |= (char)(1 << (slot % 8));
  }
  std::ofstream(dir + "/nvr_entries.dat", std::ios::binary) << entries;
  std::ofstream(dir + "/nvr_statbit.dat", std::ios::binary) << bitmap;
}
