// The help button: the page that ships beside the program, opened by
// whatever the system associates with ".htm".
#pragma once

#include "os/Files.h"
#include "os/Os.h"

#include <string>

namespace app {

inline constexpr const char* kHelpFileName = "\\Tollivane.htm";

inline std::string HelpPagePath(os::Os& os)
{
    return os::ProgramDirectory(os) + kHelpFileName;
}

// Nothing waits for the browser and nothing reports a failure: a missing page
// or a missing browser shows whatever the system shows, and the window stays usable.
inline void OpenHelp(os::Os& os, os::Window owner)
{
    os.ShellExecuteW(owner, "open", HelpPagePath(os), "", "", os::kSwShowNormal);
}

} // namespace app
