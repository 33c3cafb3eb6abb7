#include "wine/StandInProcess.h"

#include "harness/Harness.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace wine {

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kStopTimeoutMs = 10000;
constexpr DWORD kPollMs = 5;
constexpr const char* kDefaultLifetime = " --lifetime 300";

std::string TempJournalPath()
{
    static std::atomic<unsigned> counter{0};
    char dir[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, dir);
    std::string path(dir, length);
    if (path.empty())
        path = ".\\";
    char name[96];
    std::snprintf(name, sizeof name, "tollivane-standin-%lu-%u-%lu.journal",
                  static_cast<unsigned long>(GetCurrentProcessId()), counter.fetch_add(1),
                  static_cast<unsigned long>(GetTickCount()));
    return path + name;
}

bool ParseUnsigned(const std::string& field, int base, unsigned long long& value)
{
    if (field.empty())
        return false;
    char* end = nullptr;
    value = std::strtoull(field.c_str(), &end, base);
    return end == field.c_str() + field.size();
}

} // namespace

unsigned long long JournalLine::Number() const
{
    unsigned long long number = 0;
    return ParseUnsigned(value, 10, number) ? number : 0;
}

std::string JournalLine::Text() const
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return value;
    std::string text;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 2 >= value.size()) {
            text.push_back(c);
            continue;
        }
        const char next = value[++i];
        if (next == 'x' && i + 2 < value.size()) {
            text.push_back(
                static_cast<char>(std::strtoul(value.substr(i + 1, 2).c_str(), nullptr, 16)));
            i += 2;
        } else {
            text.push_back(next);
        }
    }
    return text;
}

bool ParseJournalLine(const std::string& text, JournalLine& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        const std::size_t tab = text.find('\t', start);
        if (tab == std::string::npos)
            return false;
        fields.push_back(text.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(text.substr(start));

    unsigned long long exchange = 0, micros = 0, offset = 0, size = 0;
    if (!ParseUnsigned(fields[0], 10, exchange) || !ParseUnsigned(fields[1], 10, micros) ||
        fields[2].size() != 1 || (fields[2][0] != 'R' && fields[2][0] != 'W') ||
        fields[3].rfind("0x", 0) != 0 || !ParseUnsigned(fields[3].substr(2), 16, offset) ||
        !ParseUnsigned(fields[4], 10, size))
        return false;
    line.exchange = static_cast<int>(exchange);
    line.micros = static_cast<long long>(micros);
    line.kind = fields[2][0];
    line.offset = static_cast<unsigned>(offset);
    line.size = static_cast<unsigned>(size);
    line.value = fields[5];
    return true;
}

HWND FindStandInWindow(DWORD processId)
{
    if (const HWND window = harness::FindProcessWindow(processId, "UIPCMAIN"))
        return window;
    return harness::FindProcessWindow(processId, "FS98MAIN");
}

StandInProcess::StandInProcess(const std::string& arguments) : journalPath_(TempJournalPath())
{
    DeleteFileA(journalPath_.c_str());
    // Built piece by piece: GCC 12 misreports one long chain of + as overlapping copies.
    std::string commandLine = "\"";
    commandLine += harness::ExecutableDirectory();
    commandLine += "\\TollivaneSim.exe\" ";
    commandLine += arguments;
    commandLine += " --journal \"";
    commandLine += journalPath_;
    commandLine += "\"";
    if (arguments.find("--lifetime") == std::string::npos)
        commandLine += kDefaultLifetime;

    // Should the test die, closing the job's last handle ends the stand-in too.
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_ != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    CloseHandle(info.hThread);
    if (job_ != nullptr)
        AssignProcessToJobObject(job_, process_);

    const ULONGLONG deadline = GetTickCount64() + kStartTimeoutMs;
    while (GetTickCount64() < deadline) {
        window_ = FindStandInWindow(processId_);
        if (window_ != nullptr || !Running())
            return;
        Sleep(kPollMs);
    }
}

StandInProcess::~StandInProcess()
{
    Stop();
    if (job_ != nullptr)
        CloseHandle(job_);
    DeleteFileA(journalPath_.c_str());
}

bool StandInProcess::Running() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

int StandInProcess::WaitForExit(unsigned timeoutMs)
{
    if (process_ == nullptr)
        return -1;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
}

void StandInProcess::Stop()
{
    if (process_ == nullptr)
        return;
    if (Running()) {
        if (window_ != nullptr && IsWindow(window_))
            PostMessageA(window_, WM_CLOSE, 0, 0);
        else
            PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        harness::WaitOrTerminate(process_, kStopTimeoutMs);
    }
    CloseHandle(process_);
    process_ = nullptr;
    window_ = nullptr;
}

std::vector<JournalLine> StandInProcess::Journal() const
{
    std::vector<JournalLine> lines;
    for (const std::string& text : harness::CompleteLines(harness::ReadShared(journalPath_))) {
        JournalLine line{};
        if (ParseJournalLine(text, line))
            lines.push_back(std::move(line));
    }
    return lines;
}

bool StandInProcess::WaitForJournalLines(std::size_t n, unsigned timeoutMs) const
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (harness::CompleteLines(harness::ReadShared(journalPath_)).size() >= n)
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(kPollMs);
    }
}

} // namespace wine
