#include "common/HostProcess.h"

#include "harness/Harness.h"

#include <psapi.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bench {

namespace {

std::vector<std::string> NumericEntries(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const char* name = found.cFileName;
        if (*name != '\0' && std::strspn(name, "0123456789") == std::strlen(name))
            names.emplace_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The end of the executable's path that a host memory map shows: its folder
// and file name, which the run folders make unique. (The full path differs:
// Wine maps the drive through its own links.)
std::string MappedTail(const std::string& windowsPath)
{
    const std::size_t file = windowsPath.find_last_of("\\/");
    if (file == std::string::npos || file == 0)
        return {};
    const std::size_t folder = windowsPath.find_last_of("\\/", file - 1);
    std::string tail = windowsPath.substr(folder == std::string::npos ? 0 : folder);
    for (char& c : tail)
        if (c == '\\')
            c = '/';
    return tail;
}

// "se.sum_exec_runtime   :   123.456789" (milliseconds) in /proc/PID/task/TID/sched.
bool SchedRuntimeMs(const std::string& sched, double& ms)
{
    const std::size_t at = sched.find("se.sum_exec_runtime");
    if (at == std::string::npos)
        return false;
    const std::size_t colon = sched.find(':', at);
    if (colon == std::string::npos)
        return false;
    ms = std::strtod(sched.c_str() + colon + 1, nullptr);
    return true;
}

} // namespace

bool UnderWine()
{
    static const bool wine =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

HostProcess::HostProcess(HANDLE process, const std::string& executable)
    : process_(process), executable_(executable)
{
}

// The host process that has this program's executable mapped. The command
// line narrows the search to the few host processes that name the program,
// so that the memory maps of every process on the machine are not read.
int HostProcess::HostPid()
{
    if (hostPid_ != 0)
        return hostPid_;
    const std::string tail = MappedTail(executable_);
    if (tail.empty())
        return 0;
    std::string base = executable_.substr(executable_.find_last_of("\\/") + 1);
    base = Lower(base);
    for (int pass = 0; pass < 2 && hostPid_ == 0; ++pass) {
        for (const std::string& pid : NumericEntries("Z:\\proc")) {
            const std::string dir = "Z:\\proc\\" + pid;
            if (pass == 0 &&
                Lower(harness::ReadShared(dir + "\\cmdline")).find(base) == std::string::npos)
                continue;
            if (harness::ReadShared(dir + "\\maps").find(tail) != std::string::npos) {
                hostPid_ = std::atoi(pid.c_str());
                break;
            }
        }
    }
    return hostPid_;
}

double HostProcess::CpuSeconds()
{
    if (!UnderWine()) {
        FILETIME created, exited, kernel, user;
        if (!GetProcessTimes(process_, &created, &exited, &kernel, &user))
            return -1;
        const auto ticks = [](const FILETIME& t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        cpuSource_ = "GetProcessTimes";
        return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
    }
    const int pid = HostPid();
    if (pid == 0)
        return -1;
    const std::string dir = "Z:\\proc\\" + std::to_string(pid);
    double totalMs = 0;
    bool precise = true;
    for (const std::string& tid : NumericEntries(dir + "\\task")) {
        double ms = 0;
        if (!SchedRuntimeMs(harness::ReadShared(dir + "\\task\\" + tid + "\\sched"), ms)) {
            precise = false;
            break;
        }
        totalMs += ms;
    }
    if (precise) {
        cpuSource_ = "host sched runtime";
        return totalMs / 1000;
    }
    // Fields 14 and 15 (utime, stime), counted after the ')' that ends the
    // command name, which may itself hold spaces.
    const std::string stat = harness::ReadShared(dir + "\\stat");
    const std::size_t paren = stat.rfind(')');
    if (paren == std::string::npos)
        return -1;
    std::vector<std::string> fields; // fields[0] is field 3, the state
    std::size_t start = paren + 2;
    while (start < stat.size()) {
        std::size_t space = stat.find(' ', start);
        if (space == std::string::npos)
            space = stat.size();
        fields.push_back(stat.substr(start, space - start));
        start = space + 1;
    }
    if (fields.size() < 13)
        return -1;
    cpuSource_ = "host stat ticks";
    return (std::strtod(fields[11].c_str(), nullptr) + std::strtod(fields[12].c_str(), nullptr)) /
           100;
}

std::size_t HostProcess::PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process_, &counters, sizeof counters) &&
        counters.PeakWorkingSetSize != 0)
        return counters.PeakWorkingSetSize;
    if (!UnderWine() || HostPid() == 0)
        return 0;
    const std::string status =
        harness::ReadShared("Z:\\proc\\" + std::to_string(HostPid()) + "\\status");
    const std::size_t at = status.find("VmHWM:");
    if (at == std::string::npos)
        return 0;
    return static_cast<std::size_t>(std::strtoull(status.c_str() + at + 6, nullptr, 10)) * 1024;
}

} // namespace bench
