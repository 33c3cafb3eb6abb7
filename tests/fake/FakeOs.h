// The fake platform: a virtual clock, an atom table, named sections backed by
// ordinary memory, and a FakePeer behind the simulator's window. Every failure
// the client must survive can be switched on.
#pragma once

#include "fake/FakePeer.h"
#include "os/Os.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
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
    std::uint64_t now = 0;             // virtual milliseconds
    std::vector<std::uint32_t> sleeps; // every Sleep, in order
    // Runs inside the next Sleep, once: what the window's thread does while
    // the worker pauses (a close, a second start).
    std::function<void()> whileSleeping;
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
    std::uint32_t sendError = kErrorInvalidWindow;
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

    // Files, keyed by full path, and directories standing where a file might.
    // The program runs as programDirectory + "\\Tollivane.exe"; an empty
    // directory makes GetModuleFileNameW fail.
    std::string programDirectory = "C:\\Sim Tools";
    std::map<std::string, std::string> files;
    std::set<std::string> directories;
    // A folder whose files can be written but not created, moved or deleted.
    bool readOnlyFolder = false;
    // Each makes every call of that name fail.
    bool failCreateFile = false;
    bool failReadFile = false;
    // Fails the file call with this number (1 for the first; 0: none) and the
    // failFileCalls - 1 after it (-1: every one after it). Every call on a
    // path or a file handle counts, from the program directory's look-up to
    // the close; fileCalls says how many came, failedFileCalls which failed.
    // A failing WriteFile has written half of what it was given, as a full
    // disk does; a failing close has closed the handle all the same.
    int failFileCall = 0;
    int failFileCalls = 1;
    int fileCalls = 0;
    std::vector<std::string> failedFileCalls;
    // What GetLastError reports after a file call failed that way.
    static constexpr std::uint32_t kErrorPathNotFound = 3; // ERROR_PATH_NOT_FOUND
    static constexpr std::uint32_t kErrorNotReady = 21;    // ERROR_NOT_READY
    std::uint32_t fileCallError = kErrorNotReady;
    // Open file handles; and closes of handles that were not open (a double close).
    int filesOpen() const { return static_cast<int>(openFiles_.size()); }
    int strayCloses = 0;

    std::vector<std::string> soundsPlayed;

    // --- Threads and posted messages ------------------------------------------------
    // A thread runs inside CreateThread, at once; with holdThreads it waits
    // for RunThreads, as a worker the system has not yet scheduled would.
    bool holdThreads = false;
    bool failCreateThread = false;
    int threadsStarted = 0;
    // Runs the threads held so far, in the order they were started; false
    // when none was held.
    bool RunThreads();
    // Every message posted, in order, for the test to deliver.
    std::vector<std::uint32_t> posted;

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
    os::Handle CreateThread(ThreadStart start, void* parameter) override;
    os::Handle CreateEventW() override;
    bool SetEvent(os::Handle event) override;
    bool ResetEvent(os::Handle event) override;
    // At once when the event is set; otherwise the whole time passes.
    std::uint32_t WaitForSingleObject(os::Handle object, std::uint32_t timeoutMs) override;
    bool PostMessageW(os::Window window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) override;
    std::int16_t GetAsyncKeyState(std::int32_t virtualKey) override;
    std::uint32_t GetModuleFileNameW(std::string& path, std::uint32_t size) override;
    std::uint32_t GetFileAttributesW(const std::string& path) override;
    os::Handle CreateFileW(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition) override;
    bool GetFileSizeEx(os::Handle file, std::int64_t* size) override;
    bool ReadFile(os::Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) override;
    bool WriteFile(os::Handle file, const void* data, std::uint32_t size,
                   std::uint32_t* written) override;
    bool FlushFileBuffers(os::Handle file) override;
    bool MoveFileExW(const std::string& from, const std::string& to, std::uint32_t flags) override;
    bool DeleteFileW(const std::string& path) override;
    bool sndPlaySoundW(const std::string& path, std::uint32_t flags) override;
    int MessageBoxW(os::Window owner, const std::string& text, const std::string& caption,
                    std::uint32_t type) override;
    std::intptr_t ShellExecuteW(os::Window owner, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int show) override;

    static constexpr std::uint32_t kMessageId = 0xC123;
    static constexpr std::uint32_t kErrorInvalidWindow = 1400; // ERROR_INVALID_WINDOW_HANDLE

  private:
    struct Section {
        std::string name;
        std::unique_ptr<std::uint8_t[]> memory;
        std::uint32_t size;
        int handles = 0;
        int views = 0;
    };
    Section* SectionByName(const std::string& name);

    struct OpenFile {
        std::string path;
        std::uint32_t access, share;
        std::size_t position = 0;
    };
    OpenFile* FileOf(os::Handle handle);
    bool IsOpen(const std::string& path) const;
    // Sets what GetLastError reports; false, for the failing call to return.
    bool Fail(std::uint32_t error);
    // Counts a file call; true when it is one to fail.
    bool FileCallFails(const char* call);

    std::map<const void*, std::unique_ptr<OpenFile>> openFiles_;
    std::uint32_t lastError_ = 0;
    std::map<os::Atom, std::pair<std::string, int>> atoms_; // atom -> name, references
    os::Atom nextAtom_ = 0xC001;
    std::vector<std::unique_ptr<Section>> sections_;
    std::map<void*, Section*> views_;
    // Set or not, each readable from any thread.
    std::vector<std::unique_ptr<std::atomic<bool>>> events_;
    std::atomic<bool>* EventOf(os::Handle handle);
    std::vector<std::pair<ThreadStart, void*>> heldThreads_;
    char threadHandle_ = 0;
};

} // namespace fake
