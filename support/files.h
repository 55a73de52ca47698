// Asking the file system about a path.
#pragma once

// True only for a file: a folder of that name does not count, and nothing is expanded.
bool IsFile(const char* path);
