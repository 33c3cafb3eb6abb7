#include "wine/ProductProcess.h"

#include "harness/Harness.h"

#include "app/MainWindow.h"
#include "expect/Wire.h"
#include "wine/StandInProcess.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace wine {

namespace {

constexpr DWORD kStartTimeoutMs = 30000; // a first start in a fresh prefix can stall
constexpr DWORD kStopTimeoutMs = 10000;
constexpr DWORD kPollMs = 5;
constexpr const char* kBeside[] = {"Tollivane.exe", "Tollivane.htm", "sound_switch.wav"};
constexpr const char* kSettingsFile = "Tollivane.ini";

struct Search {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* caption; // null: any
    HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !::IsWindowVisible(window))
        return TRUE;
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (std::wcscmp(name, search->className) != 0)
        return TRUE;
    if (search->caption != nullptr) {
        wchar_t caption[64] = {};
        ::GetWindowTextW(window, caption, 64);
        if (std::wcscmp(caption, search->caption) != 0)
            return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD processId, const wchar_t* className, const wchar_t* caption)
{
    Search search{processId, className, caption};
    ::EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string FreshDirectory()
{
    static std::atomic<unsigned> serial{0};
    char temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "tollivane-app-%lu-%u",
                  static_cast<unsigned long>(::GetCurrentProcessId()), serial.fetch_add(1));
    std::string path = std::string(temp, length) + name;
    ::CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    ::CloseHandle(file);
    return ok;
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ::Sleep(kPollMs);
    }
}

ProductProcess::ProductProcess(const std::optional<std::string>& settings)
    : directory_(FreshDirectory())
{
    const std::string from = harness::ExecutableDirectory();
    for (const char* file : kBeside) {
        const std::string source = from + "\\" + file;
        const std::string target = directory_ + "\\" + file;
        if (!::CopyFileA(source.c_str(), target.c_str(), FALSE))
            return;
    }
    if (settings && !WriteFileBytes(directory_ + "\\" + kSettingsFile, *settings))
        return;

    // Should the test die first, closing the job's last handle ends the program too.
    job_ = ::CreateJobObjectA(nullptr, nullptr);
    if (job_ != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    std::string line = "\"";
    line += directory_;
    line += "\\Tollivane.exe\"";
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                          nullptr, directory_.c_str(), &startup, &info))
        return;
    if (job_ != nullptr)
        ::AssignProcessToJobObject(job_, info.hProcess);
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;

    // Visible means loaded: the window is shown only after its load, and the
    // first tick comes a whole interval later.
    WaitFor(
        [&] {
            window_ = FindTopLevel(processId_, app::kWindowClass, nullptr);
            return window_ != nullptr || !Running();
        },
        kStartTimeoutMs);
}

ProductProcess::~ProductProcess()
{
    if (Running() && window_ != nullptr)
        Close(kStopTimeoutMs);
    if (Running()) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, kStopTimeoutMs);
    }
    if (process_ != nullptr)
        ::CloseHandle(process_);
    if (job_ != nullptr)
        ::CloseHandle(job_);
    for (const char* file : kBeside)
        ::DeleteFileA((directory_ + "\\" + file).c_str());
    ::DeleteFileA((directory_ + "\\" + kSettingsFile).c_str());
    ::RemoveDirectoryA(directory_.c_str());
}

std::string ProductProcess::SectionName() const
{
    return expect::wire::SectionName(processId_);
}

bool ProductProcess::Running() const
{
    return process_ != nullptr && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ProductProcess::Responsive(unsigned timeoutMs) const
{
    DWORD_PTR answer = 0;
    return window_ != nullptr &&
           ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer) != 0;
}

HWND ProductProcess::Button(const wchar_t* caption) const
{
    return window_ != nullptr ? ::FindWindowExW(window_, nullptr, L"Button", caption) : nullptr;
}

bool ProductProcess::ClickStart() const
{
    const HWND button = Button(L"&Start Shutdown");
    return button != nullptr && ::PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool ProductProcess::RunUnderWay() const
{
    const HWND start = Button(L"&Start Shutdown");
    return start != nullptr && !::IsWindowEnabled(start);
}

// Posted messages are handled in order, so one posted behind the rest marks
// when they are all done. The marker is the pushed look of "&Help": seen from
// outside, and it starts nothing. A run handles messages in its waits, the
// marker too, so the marker counts once no run is under way any more: a run
// started by an earlier message greyed "&Start Shutdown" before its first wait.
bool ProductProcess::WaitUntilHandled(unsigned timeoutMs) const
{
    const HWND help = Button(L"&Help");
    if (help == nullptr || !::PostMessageW(help, BM_SETSTATE, TRUE, 0))
        return false;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return false;
        DWORD_PTR state = 0;
        if (::SendMessageTimeoutW(help, BM_GETSTATE, 0, 0, SMTO_NORMAL,
                                  static_cast<UINT>(deadline - now), &state) != 0 &&
            (state & BST_PUSHED) != 0 && !RunUnderWay()) {
            ::SendMessageTimeoutW(help, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, kStopTimeoutMs, &state);
            return true;
        }
        ::Sleep(kPollMs);
    }
}

HWND ProductProcess::ShownMessageBox() const
{
    return FindTopLevel(processId_, L"#32770", L"Tollivane");
}

std::string ProductProcess::MessageBoxText(HWND box)
{
    wchar_t text[256] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 256);
    std::string narrow;
    for (const wchar_t* c = text; *c != L'\0'; ++c)
        narrow.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    return narrow;
}

bool ProductProcess::DismissMessageBox(HWND box, unsigned timeoutMs) const
{
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitFor([&] { return !::IsWindow(box); }, timeoutMs);
}

bool ProductProcess::Close(unsigned timeoutMs)
{
    if (process_ == nullptr)
        return false;
    if (window_ != nullptr)
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
    return ::WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

long ProductProcess::ExitCode() const
{
    DWORD code = 0;
    if (process_ == nullptr || Running() || !::GetExitCodeProcess(process_, &code))
        return -1;
    return static_cast<long>(code);
}

std::optional<std::string> ProductProcess::Settings() const
{
    const std::string path = directory_ + "\\" + kSettingsFile;
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got != 0)
        bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

} // namespace wine
