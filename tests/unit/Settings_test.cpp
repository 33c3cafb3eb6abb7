#include "fake/FakeOs.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Codes = std::pair<std::int32_t, std::int32_t>;

// Starts from codes no line sets, so a line that is ignored shows.
Codes Parsed(std::string_view content)
{
    settings::HotkeyCodes codes{-100, -100};
    settings::ParseSettings(content, codes);
    return {codes.HotkeyKey, codes.HotkeyModifiers};
}

TEST(ParseSettings, LinesEndAtCrOrCrLfButNotAtALoneLf)
{
    EXPECT_EQ(Parsed("SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n"), Codes(83, 3));
    EXPECT_EQ(Parsed("SHUTDOWN_HK=83\rSHUTDOWN_HKCS=3\r"), Codes(83, 3));
    EXPECT_EQ(Parsed("SHUTDOWN_HK=83\r\rSHUTDOWN_HKCS=3"), Codes(83, 3)); // no final terminator
    // The LF stays in the line: the first value is "83\nSHUTDOWN_HKCS=3\n".
    EXPECT_EQ(Parsed("SHUTDOWN_HK=83\nSHUTDOWN_HKCS=3\n"), Codes(-100, -100));
    // After CR LF a second LF starts the next line, so that key is not recognised.
    EXPECT_EQ(Parsed("SHUTDOWN_HK=83\r\n\nSHUTDOWN_HKCS=3\r\n"), Codes(83, -100));
    EXPECT_EQ(Parsed(""), Codes(-100, -100));
}

TEST(ParseSettings, KeysMatchExactly)
{
    EXPECT_EQ(Parsed("SHUTDOWN_HK =83\r\nSHUTDOWN_HKCS= 3\r\n"), Codes(-100, 3));
    EXPECT_EQ(Parsed(" SHUTDOWN_HK=83\r\nshutdown_hkcs=3\r\n"), Codes(-100, -100));
    EXPECT_EQ(Parsed("SHUTDOWN_HKCS=2\r\n"), Codes(-100, 2));
    EXPECT_EQ(Parsed("[Hotkey]\r\nSHUTDOWN_HK=83\r\n; comment\r\nOTHER=5\r\n"), Codes(83, -100));
    // The first "=" splits, so what follows is part of the value.
    EXPECT_EQ(Parsed("SHUTDOWN_HK==83\r\nSHUTDOWN_HKCS=1=2\r\n"), Codes(-100, -100));
}

TEST(ParseSettings, TheLastValidLineForAKeyWins)
{
    EXPECT_EQ(Parsed("SHUTDOWN_HK=65\r\nSHUTDOWN_HK=83\r\n"), Codes(83, -100));
    // An unusable value leaves the earlier one in force.
    EXPECT_EQ(Parsed("SHUTDOWN_HK=65\r\nSHUTDOWN_HK=S\r\n"), Codes(65, -100));
    // A line without "=" re-applies the previous one and so changes nothing.
    EXPECT_EQ(Parsed("SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=1\r\nnot a setting\r\n"), Codes(65, 1));
}

TEST(ParseSettings, ValuesArePlainDecimal32BitIntegers)
{
    const std::pair<const char*, std::int32_t> accepted[] = {
        {"83", 83},
        {" 83 ", 83},
        {"\t83\t", 83},
        {"+83", 83},
        {"-1", -1},
        {"007", 7},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [value, code] : accepted)
        EXPECT_EQ(Parsed(std::string("SHUTDOWN_HK=") + value).first, code) << '"' << value << '"';

    const char* refused[] = {
        "",     " ", "S",    "83S",        "8 3",         "0x53",
        "- 83", "+", "83.0", "2147483648", "-2147483649", "99999999999999999999999",
        "83\n",
    };
    for (const char* value : refused)
        EXPECT_EQ(Parsed(std::string("SHUTDOWN_HK=") + value).first, -100) << '"' << value << '"';
}

TEST(FormatSettings, WritesTwoCrLfLinesOrNothing)
{
    EXPECT_EQ(settings::FormatSettings({83, 3}), "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n");
    EXPECT_EQ(settings::FormatSettings({65, -7}), "SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=-7\r\n");
    EXPECT_EQ(settings::FormatSettings({0, 1}), "");
    EXPECT_EQ(settings::FormatSettings({-83, 3}), "");
}

class SettingsFile : public testing::Test {
  protected:
    fake::FakeOs os;
    const std::string path = "C:\\Sim Tools\\Tollivane.ini";
    const std::string temp = "C:\\Sim Tools\\Tollivane.ini.tmp";
    const std::string oldContent = "SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=1\r\n";
    settings::LoadOutcome outcome{};

    Codes Loaded(Codes codes = {-100, -100})
    {
        settings::HotkeyCodes read{codes.first, codes.second};
        outcome = settings::LoadSettings(os, read);
        return {read.HotkeyKey, read.HotkeyModifiers};
    }
};

TEST_F(SettingsFile, LoadReadsTheFileBesideTheProgram)
{
    EXPECT_EQ(Loaded(), Codes(-100, -100)); // no file
    EXPECT_EQ(outcome, settings::LoadOutcome::Missing);
    os.files[path] = "";
    EXPECT_EQ(Loaded(), Codes(-100, -100));
    EXPECT_EQ(outcome, settings::LoadOutcome::Loaded);
    os.files[path] = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=2";
    EXPECT_EQ(Loaded(), Codes(83, 2));
    os.programDirectory = "D:\\Elsewhere";
    EXPECT_EQ(Loaded(), Codes(-100, -100));
    EXPECT_EQ(outcome, settings::LoadOutcome::Missing);
}

// A file that is there but cannot be read must not pass for a missing one:
// the caller would then write the defaults over it. (Every failing call is
// swept in the form's tests, up to the close.)
TEST_F(SettingsFile, AFileTooLargeToBeOursIsUnreadable)
{
    const std::string line = "SHUTDOWN_HK=83\r\n";
    // Up to 64 KiB is read; one byte more and the file is not ours. A line
    // without "=" re-applies the one before, so the padding changes nothing.
    os.files[path] = line + std::string(settings::kMaxSettingsBytes - line.size(), ' ');
    EXPECT_EQ(Loaded(), Codes(83, -100));
    EXPECT_EQ(outcome, settings::LoadOutcome::Loaded);
    os.files[path] += ' ';
    EXPECT_EQ(Loaded(), Codes(-100, -100));
    EXPECT_EQ(outcome, settings::LoadOutcome::Unreadable);
    EXPECT_EQ(os.filesOpen(), 0);
}

// The folder holds the running program, so a path not found on the way to its
// file is a folder that could not be reached, not a file that is absent.
TEST_F(SettingsFile, APathNotFoundIsUnreadable)
{
    os.files[path] = oldContent;
    os.failFileCall = 2; // the look-up, after the program's own name
    os.fileCallError = fake::FakeOs::kErrorPathNotFound;
    EXPECT_EQ(Loaded(), Codes(-100, -100));
    EXPECT_EQ(outcome, settings::LoadOutcome::Unreadable);
    EXPECT_EQ(os.failedFileCalls, std::vector<std::string>{"GetFileAttributesW"});
}

TEST_F(SettingsFile, SaveReplacesTheFileWithExactlyTheCodes)
{
    os.files[path] = oldContent;
    settings::SaveSettings(os, {83, 3}, nullptr);
    EXPECT_EQ(os.files[path], "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n");
    EXPECT_EQ(os.files.count(temp), 0u);
    EXPECT_TRUE(os.messageBoxes.empty());
    EXPECT_EQ(Loaded(), Codes(83, 3));

    // Without a key the file is emptied, modifiers and all.
    for (const std::int32_t key : {0, -1}) {
        os.files[path] = oldContent;
        settings::SaveSettings(os, {key, 1}, nullptr);
        EXPECT_EQ(os.files[path], "");
    }
    EXPECT_TRUE(os.messageBoxes.empty());
}

// Whichever file call fails, the file holds exactly its old bytes (none,
// when there was no file) or exactly the new ones, no handle stays open, and
// the user is warned exactly when the new ones are not there. A folder where
// no file may be created is swept too: a save there must not risk the old
// file by writing it in place. Besides a drive that fails once, a file held
// by another program (a virus scanner, say): for a moment, which the move and
// the clean-up wait out, or for good, which they give up on within about a
// second each, leaving the temporary file only then.
TEST(SettingsSave, AFailureAtAnyCallKeepsTheOldFileOrWritesTheNewOne)
{
    const std::string path = "C:\\Sim Tools\\Tollivane.ini";
    const std::string newContent = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n";
    const std::optional<std::string> olds[] = {"SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=1\r\n",
                                               std::nullopt};
    struct Failure {
        std::uint32_t error;
        int calls; // in a row (-1: all from the first)
    };
    const Failure failures[] = {{fake::FakeOs::kErrorNotReady, 1},
                                {os::kErrorSharingViolation, 1},
                                {os::kErrorSharingViolation, 3},
                                {os::kErrorSharingViolation, -1}};
    for (const Failure& failure : failures)
        for (const bool readOnlyFolder : {false, true})
            for (const std::optional<std::string>& old : olds)
                for (int call = 1; call < 100; ++call) {
                    SCOPED_TRACE(testing::Message()
                                 << "error " << failure.error << " for " << failure.calls
                                 << " calls, read-only " << readOnlyFolder << ", old file "
                                 << old.has_value() << ", failing call " << call);
                    fake::FakeOs os;
                    os.readOnlyFolder = readOnlyFolder;
                    if (old)
                        os.files[path] = *old;
                    os.failFileCall = call;
                    os.failFileCalls = failure.calls;
                    os.fileCallError = failure.error;
                    settings::SaveSettings(os, {83, 3}, nullptr);

                    const auto file = os.files.find(path);
                    const auto now = file == os.files.end()
                                         ? std::nullopt
                                         : std::optional<std::string>(file->second);
                    const bool saved = now == newContent;
                    EXPECT_TRUE(saved || now == old);
                    EXPECT_EQ(os.filesOpen(), 0);
                    EXPECT_LE(os.SleptMs(), 2000u);
                    if (failure.calls != -1) {
                        EXPECT_EQ(os.files.count(path + ".tmp"), 0u);
                    }
                    // A move held for a moment is waited out.
                    const auto& failed = os.failedFileCalls;
                    const bool onlyMovesFailed =
                        !failed.empty() &&
                        std::all_of(failed.begin(), failed.end(),
                                    [](const std::string& name) { return name == "MoveFileExW"; });
                    if (failure.error == os::kErrorSharingViolation && failure.calls > 0 &&
                        onlyMovesFailed && !readOnlyFolder) {
                        EXPECT_TRUE(saved);
                    }
                    ASSERT_EQ(os.messageBoxes.size(), saved ? 0u : 1u);
                    if (!saved) {
                        EXPECT_EQ(os.messageBoxes[0].caption, "Tollivane");
                        EXPECT_EQ(os.messageBoxes[0].type, os::kMbOk | os::kMbIconExclamation);
                    }
                    if (os.fileCalls < call) { // no call failed: the save is done
                        EXPECT_EQ(saved, !readOnlyFolder);
                        break;
                    }
                }
}

} // namespace
