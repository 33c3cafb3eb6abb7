#include "app/SingleCopy.h"

namespace app {

namespace {

// The names live in the session's own namespace, so that other users on the
// machine keep their copies.
constexpr const wchar_t* kInstanceMutex = L"Local\\TollivaneMain.Instance";
// Made by a copy whose close goes ahead, before it saves.
constexpr const wchar_t* kClosingMark = L"Local\\TollivaneMain.Closing";

// How long a copy that holds the mutex without the closing mark (one ended
// from outside, or one whose close has not been handled yet) may take to end
// before this one counts it as running.
constexpr DWORD kExitingCopyMs = 500;
// How long a start waits for a closing copy to end: its save, or its warning
// box if the save failed. A box left unanswered must not keep this start
// waiting unseen: past this, the start shows that box and ends.
constexpr DWORD kClosingCopyMs = 10000;
// The copy that runs may not have its window yet when a second one starts
// right behind it; give it this long to show.
constexpr DWORD kFindWindowMs = 5000;
constexpr DWORD kFindWindowPollMs = 50;

HANDLE closingMark = nullptr;

bool CopyClosing()
{
    const HANDLE mark = ::OpenEventW(SYNCHRONIZE, FALSE, kClosingMark);
    if (mark)
        ::CloseHandle(mark);
    return mark != nullptr;
}

// The user started us again looking for the window: show them the one there
// is, or the box in front of it, and tell it, so that a close it holds for a
// run's end no longer stands. Nothing here waits for the other copy's thread.
bool ShowRunningCopy(const wchar_t* windowClass, UINT startedAgain)
{
    for (DWORD waited = 0; waited <= kFindWindowMs; waited += kFindWindowPollMs) {
        if (const HWND running = ::FindWindowW(windowClass, nullptr)) {
            if (!::IsWindowVisible(running))
                ::ShowWindowAsync(running, SW_SHOW);
            if (::IsIconic(running))
                ::ShowWindowAsync(running, SW_RESTORE);
            ::SetForegroundWindow(::GetLastActivePopup(running));
            ::PostMessageW(running, startedAgain, 0, 0);
            return true;
        }
        ::Sleep(kFindWindowPollMs);
    }
    return false;
}

enum class Outlasted { Gone, Running, StillClosing };

// Whether the copy that holds the mutex is gone and the mutex ours. A copy
// the user has closed may take its time (a slow disk, its warning box still
// open), and it holds the mutex until its process ends: for as long as it
// bears the closing mark, and at most kClosingCopyMs, we wait, so that
// starting again after a close is not turned away.
Outlasted OutlastClosingCopy(HANDLE instanceMutex, const wchar_t* windowClass, UINT startedAgain)
{
    bool shown = false;
    for (DWORD waited = 0;; waited += kExitingCopyMs) {
        const DWORD result = ::WaitForSingleObject(instanceMutex, kExitingCopyMs);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED)
            return Outlasted::Gone;
        // Asked after the wait: a copy that began closing during it is one
        // about to go, not one to show.
        if (result != WAIT_TIMEOUT || !CopyClosing())
            return Outlasted::Running;
        if (waited + kExitingCopyMs >= kClosingCopyMs)
            return Outlasted::StillClosing;
        // Its warning box may be behind the simulator, waiting for the user.
        if (!shown)
            shown = ShowRunningCopy(windowClass, startedAgain);
    }
}

} // namespace

bool BecomeTheOneCopy(const wchar_t* windowClass, UINT startedAgain)
{
    // Owned by this thread until the process ends, and given up by the
    // system then.
    const HANDLE instanceMutex = ::CreateMutexW(nullptr, TRUE, kInstanceMutex);
    const DWORD created = ::GetLastError();
    // A copy run as administrator holds the name where ours may not open it.
    // Its window cannot be brought to the front from here either.
    if (!instanceMutex && created == ERROR_ACCESS_DENIED)
        return false;
    if (!instanceMutex || created != ERROR_ALREADY_EXISTS)
        return true;
    switch (OutlastClosingCopy(instanceMutex, windowClass, startedAgain)) {
    case Outlasted::Gone:
        return true;
    case Outlasted::StillClosing:
        ShowRunningCopy(windowClass, startedAgain);
        return false;
    case Outlasted::Running:
        break;
    }
    ShowRunningCopy(windowClass, startedAgain);
    // Shown just as its run ended, a copy may have gone on to close a held
    // close before it took our word: then this start takes over once it has
    // gone.
    return OutlastClosingCopy(instanceMutex, windowClass, startedAgain) == Outlasted::Gone;
}

void MarkClosing()
{
    if (!closingMark)
        closingMark = ::CreateEventW(nullptr, TRUE, FALSE, kClosingMark);
}

} // namespace app
