// TollivaneSim: the simulator's side of the link, in a window of its own.
//
// It owns a top-level window of the class the client looks for, carries out
// every batch the client hands over with the registered message, shows the
// text lines and switches as the simulator would, and journals each record.
#include "Args.h"
#include "Journal.h"
#include "Panel.h"
#include "Peer.h"
#include "Scenario.h"
#include "Section.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace standin {
namespace {

constexpr int kExitBadArguments = 2;
constexpr DWORD kHoldSliceMs = 10;

// Standard output for --echo, --help and errors. A GUI program has none of
// its own: it uses the handle it inherited (a pipe or file), or else the
// console of the process that started it.
class Output {
  public:
    explicit Output(DWORD which) : handle_(GetStdHandle(which))
    {
        if (Valid())
            return;
        if (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED) {
            handle_ = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
            owned_ = Valid();
        }
    }
    ~Output()
    {
        if (owned_)
            CloseHandle(handle_);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Write(const std::string& text) const
    {
        if (!Valid())
            return;
        DWORD written = 0;
        WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        FlushFileBuffers(handle_);
    }

  private:
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

    HANDLE handle_;
    bool owned_ = false;
};

// A WM_CLOSE or WM_QUIT waiting in the queue. PM_QS_POSTMESSAGE keeps the
// peek from handling sent messages (the client's retries) inside this one.
bool QuitPosted()
{
    MSG message;
    return PeekMessageA(&message, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE | PM_QS_POSTMESSAGE) ||
           PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE | PM_QS_POSTMESSAGE);
}

class StandIn {
  public:
    StandIn(Options options, Scenario scenario, std::FILE* journal)
        : options_(std::move(options)), scenario_(std::move(scenario)), journal_(journal),
          ipcMessage_(RegisterWindowMessageA(kMessageName))
    {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
        vars_ = std::make_unique<VariableSpace>();
        InitialiseVariables(*vars_, scenario_, options_);
        if (options_.echo)
            echo_ = std::make_unique<Output>(STD_OUTPUT_HANDLE);
        model_.vars = vars_.get();
        char caption[160];
        std::snprintf(
            caption, sizeof caption,
            "SIMULATOR STAND-IN   \xB7   window class %s   \xB7   simulator id %u   \xB7   "
            "scenario %s%s",
            options_.windowClass.c_str(), static_cast<unsigned>(options_.simulatorId),
            scenario_.name.c_str(), options_.interlock ? "   \xB7   hold interlock" : "");
        model_.caption = caption;
        model_.status = "waiting for the first exchange";
        for (const std::string& fault : options_.faults.given)
            model_.faults += (model_.faults.empty() ? "" : ", ") + fault;
    }

    ~StandIn()
    {
        if (journal_ != nullptr)
            std::fclose(journal_);
    }

    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    bool Create(HINSTANCE instance);
    int Run();

    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT OnIpc(HWND window, WPARAM wParam);
    void OnPaint(HWND window);
    void OnDestroy();
    // Keeps the message waiting, but gives up early once the stand-in is
    // asked to quit (its lifetime is over, or a message was posted to it).
    void Hold(std::uint32_t ms);
    void Refresh(HWND window);
    void Record(std::uint32_t exchange, std::uint64_t micros, const Outcome& outcome);
    std::uint64_t Micros() const;
    bool LifetimeOver() const
    {
        return options_.lifetimeMs != 0 && Micros() / 1000 >= options_.lifetimeMs;
    }

    Options options_;
    Scenario scenario_;
    std::FILE* journal_;
    std::unique_ptr<Output> echo_;
    std::unique_ptr<VariableSpace> vars_;
    std::unique_ptr<Panel> panel_;
    UINT ipcMessage_;
    HWND window_ = nullptr;
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
    std::uint32_t exchanges_ = 0;
    bool destroyedByFault_ = false;
    PanelModel model_;
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* standIn = reinterpret_cast<StandIn*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (standIn == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return standIn->Handle(window, message, wParam, lParam);
}

std::uint64_t StandIn::Micros() const
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const auto ticks = static_cast<std::uint64_t>(now.QuadPart - start_.QuadPart);
    const auto perSecond = static_cast<std::uint64_t>(frequency_.QuadPart);
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}

bool StandIn::Create(HINSTANCE instance)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = options_.windowClass.c_str();
    if (RegisterClassExA(&windowClass) == 0)
        return false;

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    // The panel is drawn smaller than the screen's dpi asks when it would not
    // fit the work area otherwise (144 dpi on a 900-pixel screen).
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT chrome{0, 0, 0, 0};
    AdjustWindowRect(&chrome, style, FALSE);
    const int chromeWidth = static_cast<int>(chrome.right - chrome.left);
    const int chromeHeight = static_cast<int>(chrome.bottom - chrome.top);
    const int fitWidth = static_cast<int>(work.right - work.left - chromeWidth) * 96 / kPanelWidth;
    const int fitHeight =
        static_cast<int>(work.bottom - work.top - chromeHeight) * 96 / kPanelHeight;
    const int scale = std::max(48, std::min({dpi, fitWidth, fitHeight}));
    panel_ = std::make_unique<Panel>(scale);

    // At the work area's top left: Tollivane opens at the centre, and without
    // a window manager (plain Xvfb) neither window can be moved aside.
    const std::string title = "TollivaneSim - simulator stand-in (" + options_.windowClass + ")";
    window_ = CreateWindowExA(0, options_.windowClass.c_str(), title.c_str(), style, work.left,
                              work.top, MulDiv(kPanelWidth, scale, 96) + chromeWidth,
                              MulDiv(kPanelHeight, scale, 96) + chromeHeight, nullptr, nullptr,
                              instance, this);
    if (window_ == nullptr)
        return false;
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    return true;
}

// The lifetime is kept here rather than by a window timer, since in
// destroy-after mode the process outlives its window.
int StandIn::Run()
{
    for (;;) {
        DWORD wait = INFINITE;
        if (options_.lifetimeMs != 0) {
            const std::uint64_t elapsed = Micros() / 1000;
            if (elapsed >= options_.lifetimeMs)
                break;
            wait = static_cast<DWORD>(options_.lifetimeMs - elapsed);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return 0;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (window_ != nullptr)
        DestroyWindow(window_);
    return 0;
}

LRESULT StandIn::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ipcMessage_ && ipcMessage_ != 0)
        return OnIpc(window, wParam);
    switch (message) {
    case WM_PAINT: {
        OnPaint(window);
        return 0;
    }
    case WM_ERASEBKGND: {
        return 1; // the panel paints every pixel
    }
    case WM_CLOSE: {
        DestroyWindow(window);
        return 0;
    }
    case WM_DESTROY: {
        OnDestroy();
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void StandIn::OnDestroy()
{
    window_ = nullptr;
    if (!destroyedByFault_)
        PostQuitMessage(0);
}

void StandIn::OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    panel_->Paint(dc, client, model_);
    EndPaint(window, &paint);
}

void StandIn::Hold(std::uint32_t ms)
{
    const std::uint64_t until = Micros() / 1000 + ms;
    for (;;) {
        const std::uint64_t now = Micros() / 1000;
        if (now >= until || LifetimeOver())
            return;
        // Looking at the queue's state dispatches nothing, so no other
        // message is handled inside this one.
        if (QuitPosted())
            return;
        Sleep(static_cast<DWORD>(std::min<std::uint64_t>(kHoldSliceMs, until - now)));
    }
}

void StandIn::Refresh(HWND window)
{
    // The client waits inside its send, so the panel must repaint now, not
    // when the message loop next runs.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void StandIn::Record(std::uint32_t exchange, std::uint64_t micros, const Outcome& outcome)
{
    // The highlight stays on the last switch written: the text that announces
    // it comes in the next exchange and must not take the highlight away.
    std::vector<std::pair<SimOffset, std::uint32_t>> switched;
    unsigned reads = 0;
    for (const RecordDone& record : outcome.records) {
        if (journal_ != nullptr)
            std::fputs(JournalLine(exchange, micros, record).c_str(), journal_);
        if (record.kind == 'R') {
            ++reads;
            continue;
        }
        const bool showsText = record.offset <= kOffsetMessageValue &&
                               kOffsetMessageValue < record.offset + record.size;
        if (showsText) {
            model_.textLine = MessageText(vars_->data() + kOffsetMessageText, kMessageTextSize);
            if (echo_)
                echo_->Write(model_.textLine + "\n");
        } else if (record.offset != kOffsetMessageText) {
            switched.emplace_back(record.offset, record.size);
        }
    }
    if (!switched.empty())
        model_.lastWrites = std::move(switched);
    if (journal_ != nullptr)
        std::fflush(journal_);
    char status[160];
    std::snprintf(status, sizeof status,
                  "exchange %u at %.3f s: %u read(s), %u write(s) carried out",
                  static_cast<unsigned>(exchange), static_cast<double>(micros) / 1e6, reads,
                  static_cast<unsigned>(outcome.records.size() - reads));
    model_.status = status;
}

LRESULT StandIn::OnIpc(HWND window, WPARAM wParam)
{
    const std::uint32_t exchange = ++exchanges_;
    model_.exchanges = exchange;
    const ExchangePlan plan = PlanExchange(options_.faults, exchange);
    auto refuse = [&](const std::string& why) {
        model_.status = "exchange " + std::to_string(exchange) + " answered 0: " + why;
        Refresh(window);
        return LRESULT{0};
    };

    if (plan.holdMs != 0) {
        Hold(plan.holdMs);
        return refuse("held past the client's wait (never-answer)");
    }
    if (!plan.carryOut)
        return refuse("not carried out (fault mode)");
    if (plan.delayMs != 0)
        Hold(plan.delayMs);

    const std::uint64_t micros = Micros();
    const MappedBlock block(wParam);
    if (block.Data() == nullptr)
        return refuse(block.Failure());
    const std::uint32_t glideslope = GetValue(*vars_, kOffsetGlideslopeHold, kHoldSize);
    const Outcome outcome = CarryOut(block.Data(), block.Size(), *vars_);
    if (!outcome.carriedOut)
        return refuse(std::string("batch refused, ") + outcome.refusal);
    // The journal keeps what the client wrote; the panel, what holds.
    if (options_.interlock)
        ApplyInterlock(*vars_, glideslope, outcome);
    Corrupt(block.Data(), plan.corruption, outcome);

    Record(exchange, micros, outcome);
    // A person watching sees the misbehaviour on the panel, since the client
    // shows nothing of it.
    if (plan.corruption != Corruption::None)
        model_.status += ", then the block was damaged";
    if (plan.answer != kReplyDone)
        model_.status += ", answered " + std::to_string(plan.answer);
    Refresh(window);
    if (plan.destroyWindow) {
        // Answered first, so the client sees this exchange succeed and only
        // the next one fail.
        ReplyMessage(static_cast<LRESULT>(plan.answer));
        destroyedByFault_ = true;
        DestroyWindow(window);
    }
    return static_cast<LRESULT>(plan.answer);
}

int Main(HINSTANCE instance)
{
    const std::vector<std::string> args(__argv + 1, __argv + __argc);
    Options options;
    std::string error;
    if (!ParseArgs(args, options, error)) {
        Output(STD_ERROR_HANDLE).Write("TollivaneSim: " + error + "\n");
        return kExitBadArguments;
    }
    if (options.help) {
        Output(STD_OUTPUT_HANDLE).Write(HelpText());
        return 0;
    }
    if (!options.printScenario.empty()) {
        Scenario scenario;
        if (!LoadScenario(options.printScenario, scenario, error)) {
            Output(STD_ERROR_HANDLE).Write("TollivaneSim: " + error + "\n");
            return kExitBadArguments;
        }
        Output(STD_OUTPUT_HANDLE).Write(FormatScenario(scenario));
        return 0;
    }
    Scenario scenario;
    if (!LoadScenario(options.scenario, scenario, error)) {
        Output(STD_ERROR_HANDLE).Write("TollivaneSim: --scenario: " + error + "\n");
        return kExitBadArguments;
    }
    std::FILE* journal = nullptr;
    if (!options.journalPath.empty()) {
        journal = std::fopen(options.journalPath.c_str(), "wb");
        if (journal == nullptr) {
            Output(STD_ERROR_HANDLE)
                .Write("TollivaneSim: --journal: cannot write '" + options.journalPath + "'\n");
            return kExitBadArguments;
        }
    }

    // Vista's call, so looked up: XP draws every program at the system DPI anyway.
    using SetProcessDpiAwareFn = BOOL(WINAPI*)();
    if (const auto setDpiAware =
            reinterpret_cast<SetProcessDpiAwareFn>(reinterpret_cast<void (*)()>(
                GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware"))))
        setDpiAware();
    StandIn standIn(std::move(options), std::move(scenario), journal);
    if (!standIn.Create(instance)) {
        Output(STD_ERROR_HANDLE).Write("TollivaneSim: cannot create the window\n");
        return 1;
    }
    return standIn.Run();
}

} // namespace
} // namespace standin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return standin::Main(instance);
}
