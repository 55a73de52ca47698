// What a test sees of the system from outside the program: paths, files, processes.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <functional>
#include <string>

// A path as a test was given it: a Unix path (from CTest) becomes one under Z:, a Windows one stays.
std::string WindowsPathOf(const std::string& path);

// Every byte of a file; empty when it cannot be read.
std::string FileBytes(const std::string& path);

// Processes of the whole prefix that match, from a tool-help snapshot.
int CountProcesses(const std::function<bool(const PROCESSENTRY32&)>& matches);
int ProcessesNamed(const char* exeName);
