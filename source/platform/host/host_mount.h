// The host's fake mounter as the path resolver sees it.
#pragma once

#include <string>

// When path (a unit path) lies under a mount point that holds a card folder,
// writes the path inside that folder to *out, each name looked up without
// regard to case, and returns true. Otherwise false.
bool HOST_bResolveMounted(const char* path, std::string* out);
