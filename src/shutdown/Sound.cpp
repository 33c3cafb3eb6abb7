#include "shutdown/Sound.h"

#include "os/Files.h"

namespace shutdown {

// Looked up on every call, so a file added or removed while the program runs
// counts from the next item on.
void PlayWave(os::Os& os, const std::string& name)
{
    const std::string path = os::ProgramFile(os, name);
    if (path.empty() || os::FindFile(os, path) != os::Found::File)
        return;
    // Asynchronous: the sound plays during the step's pause, not before it.
    os.sndPlaySoundW(path, os::kSndAsync);
}

} // namespace shutdown
