// The link against real Win32 objects: a peer window on a thread of its own
// that finds the block through the real global atom and named section.
#include "expect/Wire.h"
#include "fake/FakePeer.h"
#include "os/Os_win.h"
#include "simlink/Link.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>

using namespace simlink;

namespace {

// A window of class "UIPCMAIN" that carries out batches with a FakePeer's
// variables. It runs on its own thread, as the simulator's window would run
// in its own process.
class PeerThread {
  public:
    // A Win32 thread: the runtime of the Windows builds has no std::thread.
    PeerThread()
    {
        thread_ = CreateThread(nullptr, 0, &PeerThread::Start, this, 0, &threadId_);
        if (thread_ != nullptr)
            WaitForSingleObject(ready_, 20000);
    }
    ~PeerThread()
    {
        if (thread_ != nullptr) {
            if (HWND w = window_.load())
                PostMessageA(w, WM_CLOSE, 0, 0);
            else
                PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
        }
        CloseHandle(ready_);
    }
    PeerThread(const PeerThread&) = delete;
    PeerThread& operator=(const PeerThread&) = delete;

    bool Ready() const { return window_.load() != nullptr; }
    void Destroy()
    {
        HWND w = window_.exchange(nullptr);
        SendMessageA(w, WM_CLOSE, 0, 0);
    }

    fake::FakePeer peer;
    std::atomic<std::uintptr_t> lastWParam{0};
    std::atomic<int> handled{0};

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<PeerThread*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr && msg == self->ipcMessage_)
            return self->OnIpc(wParam);
        if (msg == WM_CLOSE) {
            DestroyWindow(hwnd);
            return 0;
        }
        if (msg == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    LRESULT OnIpc(WPARAM wParam)
    {
        lastWParam = wParam;
        char name[64] = {};
        if (GlobalGetAtomNameA(static_cast<ATOM>(wParam & 0xFFFF), name, sizeof name) == 0)
            return 0;
        HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
        if (section == nullptr)
            return 0;
        void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0);
        LRESULT answer = 0;
        if (view != nullptr) {
            answer = static_cast<LRESULT>(peer.Handle(static_cast<std::uint8_t*>(view)));
            UnmapViewOfFile(view);
        }
        CloseHandle(section);
        ++handled;
        return answer;
    }

    static DWORD WINAPI Start(void* self)
    {
        static_cast<PeerThread*>(self)->Run();
        return 0;
    }

    void Run()
    {
        ipcMessage_ = RegisterWindowMessageA(expect::wire::kMessageName);
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = expect::wire::kPrimaryWindowClass;
        RegisterClassA(&wc);
        HWND w = CreateWindowExA(0, expect::wire::kPrimaryWindowClass, "peer", WS_OVERLAPPED, 0, 0,
                                 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        window_ = w;
        SetEvent(ready_);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        UnregisterClassA(expect::wire::kPrimaryWindowClass, wc.hInstance);
    }

    HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    std::atomic<HWND> window_{nullptr};
    DWORD threadId_ = 0;
    UINT ipcMessage_ = 0;
};

TEST(RealPeer, OpenExchangeThreeReadsAndClose)
{
    PeerThread peer;
    ASSERT_TRUE(peer.Ready());
    peer.peer.Set(0x0366, 2, 1);
    peer.peer.Set(0x0AEC, 2, 2);
    peer.peer.Set(0x0AF0, 2, 0x8001);

    os::Win32Os os;
    Link link{os};
    std::int32_t result = -1;
    ASSERT_TRUE(link.IpcOpen(6, result)) << result;

    // The atom names the section, and it travels sign-extended.
    const std::string name = expect::wire::SectionName(GetCurrentProcessId());
    const ATOM atom = GlobalFindAtomA(name.c_str());
    ASSERT_NE(atom, 0);
    EXPECT_GE(atom, 0xC000);
    EXPECT_EQ(peer.lastWParam.load(), static_cast<std::uintptr_t>(static_cast<std::intptr_t>(
                                          static_cast<std::int16_t>(atom))));

    std::uint32_t onGround = 0, engines = 0, feather = 0;
    ASSERT_TRUE(link.IpcRead(0x0366, 2, &onGround, result));
    ASSERT_TRUE(link.IpcRead(0x0AEC, 2, &engines, result));
    ASSERT_TRUE(link.IpcRead(0x0AF0, 2, &feather, result));
    ASSERT_TRUE(link.IpcProcess(result)) << result;
    EXPECT_EQ(onGround, 1u);
    EXPECT_EQ(engines, 2u);
    EXPECT_EQ(feather, 0x8001u);

    link.IpcClose();
    EXPECT_EQ(GlobalFindAtomA(name.c_str()), 0);
    HANDLE gone = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    EXPECT_EQ(gone, nullptr);
    if (gone != nullptr)
        CloseHandle(gone);
}

TEST(RealPeer, ASectionNameAlreadyTakenGivesNoMapping)
{
    PeerThread peer;
    ASSERT_TRUE(peer.Ready());
    const std::string name = expect::wire::SectionName(GetCurrentProcessId());
    HANDLE squatter =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x8000, name.c_str());
    ASSERT_NE(squatter, nullptr);

    os::Win32Os os;
    Link link{os};
    std::int32_t result = -1;
    EXPECT_FALSE(link.IpcOpen(0, result));
    EXPECT_EQ(result, IpcNoMapping);
    EXPECT_EQ(GlobalFindAtomA(name.c_str()), 0);
    CloseHandle(squatter);

    EXPECT_TRUE(link.IpcOpen(0, result)) << result;
    link.IpcClose();
}

TEST(RealPeer, NoPeerWindowGivesNoSimWindow)
{
    os::Win32Os os;
    Link link{os};
    std::int32_t result = -1;
    EXPECT_FALSE(link.IpcOpen(0, result));
    EXPECT_EQ(result, IpcNoSimWindow);
}

TEST(RealPeer, ADestroyedPeerWindowGivesUpAfterFortyPauses)
{
    PeerThread peer;
    ASSERT_TRUE(peer.Ready());
    os::Win32Os os;
    Link link{os};
    std::int32_t result = -1;
    ASSERT_TRUE(link.IpcOpen(0, result)) << result;

    peer.Destroy();
    std::uint32_t v = 0x55;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.IpcProcess(result));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, IpcSendError);
    EXPECT_EQ(v, 0x55u);
    // 40 pauses of 100 ms, and sends that fail at once.
    EXPECT_GE(elapsed, std::chrono::milliseconds(3900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(12000));
    link.IpcClose();
}

} // namespace
