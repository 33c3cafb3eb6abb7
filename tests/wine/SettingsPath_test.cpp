// The settings file through the real wide-character file calls: a program
// directory whose name lies outside any 8-bit code page, and targets the
// system refuses to overwrite, and a file too large to be read.
#include "os/Files.h"
#include "os/Os_win.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The real platform, except that the program is taken to run from `directory`,
// and that message boxes are recorded instead of shown: nobody is there to
// close them.
class QuietOs final : public os::Win32Os {
  public:
    explicit QuietOs(std::string directory) : directory_(std::move(directory)) {}

    std::uint32_t GetModuleFileNameW(std::string& path, std::uint32_t size) override
    {
        path = directory_ + "\\Tollivane.exe";
        const auto length = static_cast<std::uint32_t>(os::Widen(path).size());
        return length < size ? length : size;
    }

    struct Box {
        std::string text, caption;
        std::uint32_t type;
    };
    std::vector<Box> boxes;

    int MessageBoxW(os::Window, const std::string& text, const std::string& caption,
                    std::uint32_t type) override
    {
        boxes.push_back({text, caption, type});
        return IDOK;
    }

  private:
    std::string directory_;
};

std::optional<std::string> ReadBack(os::Os& os, const std::string& path)
{
    return os::ReadWholeFile(os, path, settings::kMaxSettingsBytes);
}

// A fresh directory under the temporary folder, named outside any code page,
// known both by its UTF-8 name (what the program uses) and by its UTF-16 name
// spelled independently (what the checks use), so a wrong conversion cannot
// hide by being wrong the same way twice.
class SettingsPath : public testing::Test {
  protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
        const std::string pid = std::to_string(GetCurrentProcessId());
        wideDir =
            std::wstring(temp) + L"Tollivane-Ünïcødé-日本-" + std::wstring(pid.begin(), pid.end());
        dir = os::Narrow(temp) + "Tollivane-Ünïcødé-日本-" + pid;
        path = dir + "\\Tollivane.ini";
        widePath = wideDir + L"\\Tollivane.ini";
        ASSERT_TRUE(CreateDirectoryW(wideDir.c_str(), nullptr));
    }
    void TearDown() override
    {
        SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(widePath.c_str());
        RemoveDirectoryW(widePath.c_str());
        ::DeleteFileW((widePath + L".tmp").c_str());
        RemoveDirectoryW(wideDir.c_str());
    }

    bool Exists(const std::wstring& path) const
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    void ExpectWarned(const QuietOs& os) const
    {
        ASSERT_EQ(os.boxes.size(), 1u);
        EXPECT_EQ(os.boxes[0].text, "Could not write " + path + " file");
        EXPECT_EQ(os.boxes[0].caption, "Tollivane");
        EXPECT_EQ(os.boxes[0].type, static_cast<std::uint32_t>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_FALSE(Exists(widePath + L".tmp"));
    }

    std::wstring wideDir, widePath;
    std::string dir, path;
};

TEST_F(SettingsPath, RoundTripsInADirectoryWithANonAsciiName)
{
    QuietOs os(dir);
    settings::SaveSettings(os, {83, 3}, nullptr);
    EXPECT_TRUE(os.boxes.empty());
    ASSERT_TRUE(Exists(widePath));
    EXPECT_FALSE(Exists(widePath + L".tmp"));
    EXPECT_EQ(ReadBack(os, path), "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n");

    settings::HotkeyCodes codes;
    EXPECT_EQ(settings::LoadSettings(os, codes), settings::LoadOutcome::Loaded);
    EXPECT_EQ(codes.HotkeyKey, 83);
    EXPECT_EQ(codes.HotkeyModifiers, 3);

    // Saving without a key replaces the file with an empty one.
    settings::SaveSettings(os, {0, 1}, nullptr);
    EXPECT_EQ(ReadBack(os, path), "");
    EXPECT_TRUE(os.boxes.empty());
}

TEST_F(SettingsPath, ADirectoryInTheFilesPlaceGetsTheWarning)
{
    ASSERT_TRUE(CreateDirectoryW(widePath.c_str(), nullptr));
    QuietOs os(dir);
    settings::HotkeyCodes codes{65, 1};
    EXPECT_EQ(settings::LoadSettings(os, codes), settings::LoadOutcome::Missing);
    EXPECT_EQ(codes.HotkeyKey, 65);
    EXPECT_EQ(codes.HotkeyModifiers, 1);

    settings::SaveSettings(os, {83, 3}, nullptr);
    ExpectWarned(os);
    EXPECT_NE(GetFileAttributesW(widePath.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// Windows refuses to move a file over a read-only one. Some Wine setups do
// not (running as root, for one), and there the case cannot be made to fail.
bool PlatformProtectsReadOnlyFiles(const std::wstring& dir)
{
    const std::wstring target = dir + L"\\probe", source = dir + L"\\probe.new";
    for (const std::wstring& name : {target, source}) {
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    const bool replaced =
        MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(target.c_str());
    DeleteFileW(source.c_str());
    return !replaced;
}

TEST_F(SettingsPath, AReadOnlyFileGetsTheWarningAndStaysAsItWas)
{
    if (!PlatformProtectsReadOnlyFiles(wideDir))
        GTEST_SKIP() << "this platform lets a read-only file be replaced";
    QuietOs os(dir);
    const std::string old = "SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=1\r\n";
    ASSERT_TRUE(os::WriteWholeFile(os, path, old));
    ASSERT_TRUE(SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_READONLY));

    settings::SaveSettings(os, {83, 3}, nullptr);
    ExpectWarned(os);
    EXPECT_EQ(ReadBack(os, path), old);
}

// A settings file too large to be ours is refused by its size, and its handle
// is closed: the file can be deleted and the save goes through. (A read-only
// folder is tested against the fake: Wine does not enforce a folder's
// read-only attribute.)
TEST_F(SettingsPath, AnOversizedFileIsUnreadableAndNotHeldOpen)
{
    std::string big = "SHUTDOWN_HK=83\r\n";
    big.resize(settings::kMaxSettingsBytes + 1, ' ');
    QuietOs os(dir);
    ASSERT_TRUE(os::WriteWholeFile(os, path, big));

    settings::HotkeyCodes codes{65, 1};
    EXPECT_EQ(settings::LoadSettings(os, codes), settings::LoadOutcome::Unreadable);
    EXPECT_EQ(codes.HotkeyKey, 65);
    EXPECT_EQ(codes.HotkeyModifiers, 1);

    settings::SaveSettings(os, {83, 3}, nullptr);
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_EQ(ReadBack(os, path), "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n");
    EXPECT_TRUE(::DeleteFileW(widePath.c_str()));
}

} // namespace
