#include "fake/FakeOs.h"
#include "os/Files.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// A name cut to the buffer would give a directory that is not ours, and one
// with no room for the settings' temporary file a load that works beside a
// save that cannot.
TEST(ProgramDirectory, IsEmptyWhenItsFilesWouldNotFitOrItIsUnknown)
{
    fake::FakeOs os;
    // 241 characters, then "\\Tollivane.ini.tmp": 259, and the zero.
    os.programDirectory = "C:\\" + std::string(238, 'd');
    EXPECT_EQ(os::ProgramDirectory(os), os.programDirectory);
    os.programDirectory += 'd';
    EXPECT_EQ(os::ProgramDirectory(os), "");
    // Counted as the system counts: 123 characters, though 243 bytes.
    os.programDirectory = "C:\\";
    for (int i = 0; i < 120; ++i)
        os.programDirectory += "\xC3\xA9"; // é
    EXPECT_EQ(os::ProgramDirectory(os), os.programDirectory);
    os.programDirectory.clear(); // GetModuleFileNameW fails
    EXPECT_EQ(os::ProgramDirectory(os), "");
}

// Each handle is closed exactly once, whichever way its owner goes: a second
// close could hit a handle the system has handed out again meanwhile.
TEST(FileHandle, ClosesOnceOnEveryPath)
{
    fake::FakeOs os;
    os.files = {{"C:\\a", "first"}, {"C:\\b", "second"}};
    const auto open = [&](const char* path) {
        return os::FileHandle(
            os, os.CreateFileW(path, os::kGenericRead, os::kFileShareRead, os::kOpenExisting));
    };
    {
        os::FileHandle a = open("C:\\a");
        os::FileHandle b = open("C:\\b");
        a = std::move(b); // "C:\a" closes here
        EXPECT_EQ(os.filesOpen(), 1);
        const os::FileHandle c(std::move(a));
        EXPECT_EQ(os.filesOpen(), 1);
    }
    EXPECT_EQ(os.filesOpen(), 0);
    try {
        const os::FileHandle a = open("C:\\a");
        throw std::runtime_error("out of memory");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(os.filesOpen(), 0);
    EXPECT_EQ(os.strayCloses, 0);
}

} // namespace
