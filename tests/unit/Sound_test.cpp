#include "fake/FakeOs.h"
#include "shutdown/Sound.h"

#include <gtest/gtest.h>

namespace shutdown {
namespace {

using Paths = std::vector<std::string>;

TEST(Sound, PlaysFromTheProgramDirectoryAsynchronously)
{
    fake::FakeOs os;
    os.programDirectory = "C:\\Sim Tools";
    os.files["C:\\Sim Tools\\sound_switch.wav"] = "RIFF";
    PlayWave(os, "\\sound_switch.wav");
    // The fake marks any call that is not asynchronous alone.
    EXPECT_EQ(os.soundsPlayed, Paths{"C:\\Sim Tools\\sound_switch.wav"});
}

TEST(Sound, MissingFileIsSilent)
{
    fake::FakeOs os;
    os.files["C:\\Sim Tools\\sound_switch.wav.bak"] = "RIFF";
    os.files["C:\\Sim Toolssound_switch.wav"] = "RIFF";
    PlayWave(os, "\\sound_switch.wav");
    // Without the program directory, the one at the root of the drive is not ours.
    os.programDirectory.clear();
    os.files["\\sound_switch.wav"] = "RIFF";
    PlayWave(os, "\\sound_switch.wav");
    EXPECT_TRUE(os.soundsPlayed.empty());
}

// A file added or removed while the program runs counts at the next item,
// and a directory outside the 8-bit code page goes through untouched.
TEST(Sound, LooksAgainOnEveryCall)
{
    fake::FakeOs os;
    PlayWave(os, "\\sound_switch.wav");
    os.files["C:\\Sim Tools\\sound_switch.wav"] = "RIFF";
    PlayWave(os, "\\sound_switch.wav");
    os.files.clear();
    PlayWave(os, "\\sound_switch.wav");
    os.programDirectory = "D:\\Flugsimulator\\Zubeh\xC3\xB6r \xE6\x9C\xBA";
    os.files[os.programDirectory + "\\sound_switch.wav"] = "RIFF";
    PlayWave(os, "\\sound_switch.wav");
    EXPECT_EQ(os.soundsPlayed, (Paths{"C:\\Sim Tools\\sound_switch.wav",
                                      os.programDirectory + "\\sound_switch.wav"}));
}

} // namespace
} // namespace shutdown
