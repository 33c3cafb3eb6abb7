#include "common/Program.h"

#include "harness/Harness.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace bench {

namespace {

constexpr DWORD kStopTimeoutMs = 10000;

struct CloseRequest {
    DWORD processId;
    int windows;
};

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM param)
{
    auto* request = reinterpret_cast<CloseRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        ++request->windows;
    }
    return TRUE;
}

} // namespace

RunDirectory::RunDirectory(const std::string& tag, const std::vector<std::string>& files)
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    // Unique on the host too: HostProcess finds a program by this name.
    char name[80];
    std::snprintf(name, sizeof name, "tollivane-bench-%lu-%llu-%u-",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long long>(GetTickCount64()), counter.fetch_add(1));
    path_ = std::string(temp, length) + name + tag;
    if (!CreateDirectoryA(path_.c_str(), nullptr))
        return;
    const std::string from = harness::ExecutableDirectory();
    for (const std::string& file : files) {
        if (!CopyFileA((from + "\\" + file).c_str(), File(file).c_str(), FALSE))
            return;
    }
    ready_ = true;
}

RunDirectory::~RunDirectory()
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA(File(found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

Program::Program()
{
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
}

Program::~Program()
{
    Stop();
    if (job_)
        CloseHandle(job_);
}

bool Program::Start(const std::string& executable, const std::string& arguments)
{
    std::string commandLine = "\"";
    commandLine += executable;
    commandLine += "\"";
    if (!arguments.empty()) {
        commandLine += " ";
        commandLine += arguments;
    }
    std::string directory = executable.substr(0, executable.find_last_of("\\/"));
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info))
        return false;
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    CloseHandle(info.hThread);
    if (job_)
        AssignProcessToJobObject(job_, process_);
    host_ = std::make_unique<HostProcess>(process_, executable);
    return true;
}

bool Program::Running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND Program::VisibleWindow() const
{
    return harness::FindProcessWindow(processId_, nullptr);
}

HWND Program::WindowOfClass(const char* className) const
{
    return harness::FindProcessWindow(processId_, className);
}

void Program::Stop()
{
    if (!process_)
        return;
    if (Running()) {
        CloseRequest request{processId_, 0};
        EnumWindows(CloseWindowOf, reinterpret_cast<LPARAM>(&request));
        // A program without a window (or past it) still ends on WM_QUIT.
        if (request.windows == 0)
            PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        harness::WaitOrTerminate(process_, kStopTimeoutMs);
    }
    CloseHandle(process_);
    process_ = nullptr;
    host_.reset();
}

} // namespace bench
