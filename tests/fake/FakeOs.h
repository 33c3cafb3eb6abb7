// The fake platform: a virtual clock, an atom table, named sections backed by
// ordinary memory, and a FakePeer behind the simulator's window. Every failure
// the client must survive can be switched on.
#pragma once

#include "fake/FakePeer.h"
#include "os/Os.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fake {

class FakeOs : public os::Os {
public:
    FakeOs();
    ~FakeOs() override;

    // --- The world ----------------------------------------------------------------
    FakePeer peer;
    // Which window class the peer's window has: "UIPCMAIN", "FS98MAIN" or "" (none).
    std::string peerClass = expect::wire::kPrimaryWindowClass;
    std::uint32_t processId = 0x1A4;
    std::uint64_t now = 0;                 // virtual milliseconds
    std::vector<std::uint32_t> sleeps;     // every Sleep, in order
    // Every acquisition and release, e.g. "atom+", "view-", in order.
    std::vector<std::string> resourceLog;

    // --- Faults ---------------------------------------------------------------------
    bool failRegister = false;
    bool failAtom = false;
    bool failMapping = false;
    bool failView = false;
    // Sends that fail before one gets through (-1: all of them).
    int failSends = 0;
    // What GetLastError reports after a failed send.
    std::uint32_t sendError = os::kErrorInvalidWindow;
    // Pre-creates a section under this name, as a leftover from an earlier run.
    void TakeSectionName(const std::string& name);

    // --- Observations ------------------------------------------------------------
    int sends = 0;
    std::vector<std::uintptr_t> sentWParams;
    std::map<std::string, int> atomsLive() const;
    int sectionsLive() const;
    int viewsLive() const;
    std::uint32_t SleptMs() const;

    // Keyboard: the state word GetAsyncKeyState reports, per key. The low
    // bit ("pressed since the last query") is cleared by every query, as the
    // system does.
    std::map<std::int32_t, std::int16_t> keys;
    std::vector<std::int32_t> keyQueries;

    // Files, keyed by full path.
    std::string programDirectory = "C:\\Sim Tools";
    std::map<std::string, std::string> files;
    bool failWrite = false;
    bool failReplace = false;
    std::vector<std::string> soundsPlayed;

    struct Box {
        std::string text, caption;
        std::uint32_t type;
    };
    std::vector<Box> messageBoxes;
    struct Shell {
        os::Window owner;
        std::string verb, file, parameters, directory;
        int show;
    };
    std::vector<Shell> shellCalls;

    // --- While a message box is up ------------------------------------------------
    // A modal box pumps the window's messages: this runs inside MessageBoxW,
    // after the box is recorded, to deliver what arrives meanwhile (a tick, a
    // close) or to fail there (throw).
    std::function<void(const Box&)> whileMessageBox;

    // --- os::Os ---------------------------------------------------------------------
    os::Window FindWindowExA(const char* className) override;
    std::uint32_t RegisterWindowMessageA(const char* name) override;
    bool SendMessageTimeoutA(os::Window window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                             std::uintptr_t* reply) override;
    os::Atom GlobalAddAtomA(const char* name) override;
    os::Atom GlobalDeleteAtom(os::Atom atom) override;
    os::Handle CreateFileMappingA(std::uint32_t size, const char* name) override;
    void* MapViewOfFile(os::Handle section) override;
    bool UnmapViewOfFile(void* view) override;
    bool CloseHandle(os::Handle handle) override;
    std::uint32_t GetCurrentProcessId() override { return processId; }
    std::uint32_t GetLastError() override { return lastError_; }
    void Sleep(std::uint32_t ms) override;
    std::int16_t GetAsyncKeyState(std::int32_t virtualKey) override;
    std::string ProgramDirectory() override { return programDirectory; }
    bool FileExists(const std::string& path) override;
    std::optional<std::string> ReadWholeFile(const std::string& path) override;
    bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
    bool ReplaceFileWith(const std::string& from, const std::string& to) override;
    bool DeleteFileW(const std::string& path) override;
    bool sndPlaySoundW(const std::string& path, std::uint32_t flags) override;
    int MessageBoxW(os::Window owner, const std::string& text, const std::string& caption,
                    std::uint32_t type) override;
    std::intptr_t ShellExecuteW(os::Window owner, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int show) override;

    static constexpr std::uint32_t kMessageId = 0xC123;

private:
    struct Section {
        std::string name;
        std::unique_ptr<std::uint8_t[]> memory;
        std::uint32_t size;
        int handles = 0;
        int views = 0;
    };
    Section* SectionByName(const std::string& name);

    std::uint32_t lastError_ = 0;
    std::map<os::Atom, std::pair<std::string, int>> atoms_;  // atom -> name, references
    os::Atom nextAtom_ = 0xC001;
    std::vector<std::unique_ptr<Section>> sections_;
    std::map<void*, Section*> views_;
};

} // namespace fake
