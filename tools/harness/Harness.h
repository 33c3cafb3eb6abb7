// Small Win32 helpers for the programs that drive ours from outside: the
// Wine tests and the benchmarks. Not part of the product.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

// The folder the running executable lies in.
std::string ExecutableDirectory();

// The whole file as it stands, read to its end (files under /proc report a
// size of 0). Opened sharing everything, since the stand-in keeps its
// journal open for writing. Empty when the file cannot be opened.
std::string ReadShared(const std::string& path);

// The lines that end with a line feed, without it or a carriage return
// before it: the last line of a file still being written may be on its way.
std::vector<std::string> CompleteLines(const std::string& bytes);

// A top-level window of the process: the first of the class, or with no
// class the first visible one; null when there is none.
HWND FindProcessWindow(DWORD processId, const char* className);

// Waits up to timeoutMs for the process to end, then ends it by force and
// waits as long again; true when it ended by itself.
bool WaitOrTerminate(HANDLE process, DWORD timeoutMs);

} // namespace harness
