// Starting, finding and stopping the programs a benchmark measures.
//
// Each program runs from a copy in a directory of its own under the temp
// directory, so that the settings file a program writes beside itself lands
// there rather than in the build tree, and so that each running copy has an
// executable path no other process maps (which is how HostProcess finds it).
#pragma once

#include "common/HostProcess.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace bench {

// A fresh directory under the temp directory, holding copies of `files`
// (names in bin/); removed again with everything in it at destruction.
class RunDirectory {
  public:
    RunDirectory(const std::string& tag, const std::vector<std::string>& files);
    ~RunDirectory();
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
    bool ready_ = false;
};

class Program {
  public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts `executable` with `arguments` in its own directory; false when
    // it could not be started. Should the benchmark die, the job it runs in
    // ends it too.
    bool Start(const std::string& executable, const std::string& arguments);
    bool Running() const;
    HANDLE Handle() const { return process_; }
    DWORD Id() const { return processId_; }

    // The program's visible top-level window, or its top-level window of the
    // class given; null when there is none (yet).
    HWND VisibleWindow() const;
    HWND WindowOfClass(const char* className) const;

    // Asks every top-level window of the program to close, waits up to 10 s
    // for the process to end, and ends it as a last resort.
    void Stop();

    HostProcess& Host() { return *host_; }

  private:
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    std::unique_ptr<HostProcess> host_;
};

} // namespace bench
