// One copy per user session: two would each poll the same hotkey and start
// two runs that interleave their writes. A start beside a running copy shows
// that copy instead.
#pragma once

#include <windows.h>

namespace app {

// Whether this start is the session's one copy and goes on. When it is not,
// the running copy's window (of class `windowClass`) has been brought to the
// front and posted `startedAgain` (or could not be, as when it runs as
// administrator), and this start ends. Waits at most kClosingCopyMs, plus the
// time the running copy's window takes to appear.
bool BecomeTheOneCopy(const wchar_t* windowClass, UINT startedAgain);

// Marks this copy as closing, for a start made while it saves: that start
// waits for it to end instead of showing a window about to go. Gone with
// the process.
void MarkClosing();

} // namespace app
