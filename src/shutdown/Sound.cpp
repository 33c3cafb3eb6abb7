#include "shutdown/Sound.h"

#include "os/Files.h"

namespace shutdown {

// Looked up on every call, so a file added or removed while the program runs
// counts from the next item on.
void PlayWave(os::Os& os, const std::string& name)
{
    // Without the program directory the name alone would point at the root
    // of the current drive, where the sound is not ours.
    const std::string directory = os::ProgramDirectory(os);
    if (directory.empty())
        return;
    const std::string path = directory + name;
    if (!os::FileExists(os, path))
        return;
    // Asynchronous: the sound plays during the step's pause, not before it.
    os.sndPlaySoundW(path, os::kSndAsync);
}

} // namespace shutdown
