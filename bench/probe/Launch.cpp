#include "probe/Launch.h"

#include "common/Clock.h"
#include "common/Journal.h"
#include "harness/Harness.h"

#include <cstdio>

namespace probe {

namespace {

// The version variable the client reads first on every connection.
constexpr unsigned kOffsetVersion = 0x3304;

std::unique_ptr<Launched> PrepareIn(const std::string& tag, const std::string& executable,
                                    const std::vector<std::string>& beside)
{
    auto launched = std::make_unique<Launched>();
    std::vector<std::string> files{executable};
    files.insert(files.end(), beside.begin(), beside.end());
    launched->directory = std::make_unique<bench::RunDirectory>(tag, files);
    launched->executable = executable;
    if (!launched->directory->Ready())
        return nullptr;
    return launched;
}

std::unique_ptr<Launched> Started(std::unique_ptr<Launched> launched)
{
    if (!launched || !launched->Start())
        return nullptr;
    return launched;
}

} // namespace

bool Launched::WaitForVisibleWindow(unsigned timeoutMs)
{
    return bench::WaitUntil(
               [&] { return program.VisibleWindow() != nullptr || !program.Running(); }, timeoutMs,
               1) &&
           program.Running();
}

bool Launched::WaitUntilReady(unsigned timeoutMs)
{
    if (!WaitForVisibleWindow(timeoutMs))
        return false;
    // A sent message is handled only where the thread takes its messages, so
    // the answer comes once the start-up code has returned to the loop.
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(program.VisibleWindow(), WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs,
                               &answer) != 0;
}

std::unique_ptr<Launched> PrepareTollivane()
{
    return PrepareIn("tollivane", "Tollivane.exe", {"Tollivane.htm", "sound_switch.wav"});
}

std::unique_ptr<Launched> PrepareBareWindow()
{
    return PrepareIn("bare", "bare_window.exe", {});
}

std::unique_ptr<Launched> PrepareStyledBareWindow()
{
    return PrepareIn("styled", "styled_bare_window.exe", {});
}

std::unique_ptr<Launched> StartTollivane()
{
    return Started(PrepareTollivane());
}

std::unique_ptr<Launched> StartBareWindow()
{
    return Started(PrepareBareWindow());
}

std::unique_ptr<Launched> StartBareWindowPlaying()
{
    std::unique_ptr<Launched> launched = PrepareIn("bare", "bare_window.exe", {"sound_switch.wav"});
    if (launched)
        launched->arguments = "--play \"" + launched->directory->File("sound_switch.wav") + "\"";
    return Started(std::move(launched));
}

std::unique_ptr<Launched> StartSimulator(const std::string& scenario, const std::string& journal)
{
    auto launched = std::make_unique<Launched>();
    const std::string arguments =
        "--scenario " + scenario + " --lifetime 900 --journal \"" + journal + "\"";
    if (!launched->program.Start(harness::ExecutableDirectory() + "\\TollivaneSim.exe",
                                 arguments) ||
        !bench::WaitUntil([&] { return launched->program.WindowOfClass("UIPCMAIN") != nullptr; },
                          kStartTimeoutMs, 1)) {
        std::fprintf(stderr, "bench_probe: the stand-in did not come up\n");
        return nullptr;
    }
    return launched;
}

bool HidePanel(Launched& sim)
{
    const HWND window = sim.program.WindowOfClass("UIPCMAIN");
    if (!window)
        return false;
    ShowWindowAsync(window, SW_HIDE);
    return bench::WaitUntil([&] { return !IsWindowVisible(window); }, kStartTimeoutMs);
}

int HandshakesSeen(const std::string& journal)
{
    int seen = 0;
    for (const bench::JournalRecord& record : bench::ReadJournal(journal))
        seen += record.kind == 'R' && record.offset == kOffsetVersion ? 1 : 0;
    return seen;
}

void Result(const char* key, double value)
{
    std::printf("RESULT %s %.6g\n", key, value);
    std::fflush(stdout);
}

} // namespace probe
