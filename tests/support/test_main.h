// The main of the test programs that are given paths on their command line.
#pragma once

#include <initializer_list>
#include <string>

// Takes GoogleTest's own arguments, hands each remaining argument (as a Windows path) to its
// taker in order, and runs every test; with too few arguments prints the usage line and returns 2.
using PathTaker = void (*)(const std::string& windowsPath);
int RunAllTestsWithPaths(int argc, char** argv, const char* usage, std::initializer_list<PathTaker> takers);
