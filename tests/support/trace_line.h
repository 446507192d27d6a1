// Checks of the program's trace output shared by tests.
#pragma once

#include <string>
#include <vector>

// TRUE when the line (without its "\n") is one trace line:
// "%5d.%03d %5d.%03d %2d %s %s" with the line end "\r" kept at its end.
bool TEST_bIsTraceLine(const std::string& line);

// The text split at "\n" (a "\r" before it stays with the line).
std::vector<std::string> TEST_vecLines(const std::string& text);
