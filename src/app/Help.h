// The help button: the page that ships beside the program, opened by
// whatever the system associates with ".htm".
#pragma once

#include "os/Files.h"
#include "os/Os.h"

#include <string>

namespace app {

inline constexpr const char* kHelpFileName = "\\Tollivane.htm";

// Nothing waits for the browser and nothing reports a failure: a missing page
// or a missing browser shows whatever the system shows, and the window stays usable.
inline void OpenHelp(os::Os& os, os::Window owner)
{
    const std::string page = os::ProgramFile(os, kHelpFileName);
    if (!page.empty())
        os.ShellExecuteW(owner, "open", page, "", "", os::kSwShowNormal);
}

} // namespace app
