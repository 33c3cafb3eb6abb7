// What a process costs, read where it is known most precisely.
//
// On Windows that is the process's own accounting (GetProcessTimes,
// GetProcessMemoryInfo). Under Wine the other process's CPU times are not
// kept by Wine at all, so they are read from the Linux host's /proc through
// Wine's Z: drive: each thread's scheduler runtime in nanoseconds where the
// kernel shows it, otherwise the 10 ms ticks of /proc/PID/stat.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace bench {

bool UnderWine();

class HostProcess {
  public:
    // `process` must stay open; `executable` is the program's full Windows
    // path, whose folder and name find the host process under Wine.
    HostProcess(HANDLE process, const std::string& executable);

    // CPU seconds used so far, user and kernel together; negative when unknown.
    double CpuSeconds();
    // The peak working set so far, in bytes; 0 when unknown.
    std::size_t PeakWorkingSet();
    // Where the figures came from, for the report.
    const char* CpuSource() const { return cpuSource_; }

  private:
    int HostPid();

    HANDLE process_;
    std::string executable_;
    int hostPid_ = 0;
    const char* cpuSource_ = "none";
};

} // namespace bench
