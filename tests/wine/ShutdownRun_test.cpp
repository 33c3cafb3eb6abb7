// Whole shutdown runs under Wine: the product's sequence, link and Win32 calls
// against the simulator stand-in in a process of its own, checked against the
// stand-in's journal of every record it carried out, with the real pauses
// wherever a test looks at the run's pace.
#include "os/Os_win.h"
#include "shutdown/Sequence.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"
#include "unit/ExpectedRun.h"
#include "wine/StandInProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace shutdown::testing {
namespace {

using Lines = std::vector<std::string>;

// The journal in the form of ExpectedRun: one line per exchange, and when
// each exchange reached the stand-in.
struct Observed {
    Lines exchanges;
    std::vector<long long> micros;
};

std::string Describe(const wine::JournalLine& line)
{
    char head[32];
    std::snprintf(head, sizeof head, "%c %04X/%u", line.kind, line.offset, line.size);
    if (line.kind == 'R')
        return head;
    if (line.offset == expect::kMessageText && line.size == expect::kMessageTextSize)
        return std::string(head) + "='" + line.Text() + "'";
    return std::string(head) + "=" + line.value;
}

Observed Group(const std::vector<wine::JournalLine>& journal, std::size_t skip)
{
    Observed observed;
    int current = -1;
    for (std::size_t i = skip; i < journal.size(); ++i) {
        const wine::JournalLine& line = journal[i];
        if (line.exchange != current) {
            current = line.exchange;
            observed.exchanges.push_back(Describe(line));
            observed.micros.push_back(line.micros);
        } else {
            observed.exchanges.back() += ", " + Describe(line);
        }
    }
    return observed;
}

// The gaps between exchanges long enough to be the run's pauses; the link's
// own round trips take well under a millisecond.
std::vector<long long> PausesMs(const Observed& observed)
{
    std::vector<long long> pauses;
    for (std::size_t i = 1; i < observed.micros.size(); ++i) {
        const long long gap = (observed.micros[i] - observed.micros[i - 1]) / 1000;
        if (gap >= 500)
            pauses.push_back(gap);
    }
    return pauses;
}

// A scenario file for the stand-in, in the temp directory while it lives.
class ScenarioFile {
  public:
    explicit ScenarioFile(const std::string& text)
    {
        char directory[MAX_PATH] = {};
        const DWORD length = GetTempPathA(MAX_PATH, directory);
        char name[64];
        std::snprintf(name, sizeof name, "tollivane-shutdown-%lu.scenario",
                      static_cast<unsigned long>(GetCurrentProcessId()));
        path = std::string(directory, length) + name;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text;
        written = length > 0 && file.good();
    }
    ~ScenarioFile() { DeleteFileA(path.c_str()); }
    ScenarioFile(const ScenarioFile&) = delete;
    ScenarioFile& operator=(const ScenarioFile&) = delete;

    std::string path;
    bool written = false;
};

// Win32 itself, but a test that is about what a run leaves in the simulator,
// not about its pace, can cut the run's pauses of 1 s and more to nothing:
// a full run would spend 49 s in them. The link's 100 ms waits stay.
class QuickOs : public os::Win32Os {
  public:
    bool skipPauses = false;
    void Sleep(std::uint32_t ms) override { Win32Os::Sleep(skipPauses && ms >= 1000 ? 0 : ms); }
};

class ShutdownRunUnderWine : public ::testing::Test {
  protected:
    QuickOs os;
    simlink::Link link{os};
    simlink::Connection connection{link};
    Sequence sequence{os, link, connection};

    ~ShutdownRunUnderWine() override { link.IpcClose(); }

    // Opens the link to the running stand-in and runs the shutdown once; the
    // handshake's records are left out of what it returns.
    Observed Run(const wine::StandInProcess& sim)
    {
        std::int32_t result = simlink::IpcOk;
        EXPECT_TRUE(link.IpcOpen(0, result)) << result;
        connection.MarkConnected();
        const std::size_t handshake = sim.Journal().size();
        sequence.cmdShutdown_Click();
        // The stand-in journals a batch before it answers, so the run's last
        // exchange is there by now; the wait only guards a slow file system.
        sim.WaitForJournalLines(handshake + 1, 5000);
        return Group(sim.Journal(), handshake);
    }

    static void ExpectPauses(const Observed& observed, const std::vector<std::uint32_t>& expected)
    {
        const std::vector<long long> pauses = PausesMs(observed);
        ASSERT_EQ(pauses.size(), expected.size());
        for (std::size_t i = 0; i < pauses.size(); ++i) {
            // Sleep is accurate to a few milliseconds under Wine; the upper
            // bound only has to tell 1 s from 6 s on a busy machine.
            EXPECT_GE(pauses[i], static_cast<long long>(expected[i]) - 50) << i;
            EXPECT_LT(pauses[i], static_cast<long long>(expected[i]) + 1500) << i;
        }
    }
};

TEST_F(ShutdownRunUnderWine, ColdAndDarkSwitchesOnlyTheBatteryBackOff)
{
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    const Observed observed = Run(sim);

    EXPECT_EQ(observed.exchanges, ExpectedRun(1, {"Battery Master Off"}));
    ExpectPauses(observed, {1000});
    EXPECT_TRUE(connection.Connected());
}

// A handful of items on, some of them only seemingly: lights reading 64 are
// off, and a second engine's carb heat does not exist on a single.
TEST_F(ShutdownRunUnderWine, SwitchesWhatIsOnAndLeavesTheRest)
{
    const ScenarioFile file("base cold-and-dark\n"
                            "0x0BC8 2 0      # parking brake released\n"
                            "0x3122 1 0xC0   # radio audio: COM1 and COM2\n"
                            "0x0D0C 2 64     # lights, reading as off\n"
                            "0x094A 2 1      # engine 2 carb heat on a single\n");
    ASSERT_TRUE(file.written);
    wine::StandInProcess sim("--scenario \"" + file.path + "\"");
    ASSERT_TRUE(sim.Started());
    const Observed observed = Run(sim);

    const std::set<std::string> performed = {"Parking Brake Set", "Radio Audio Switches Off",
                                             "Battery Master Off"};
    EXPECT_EQ(observed.exchanges, ExpectedRun(1, performed));
    ExpectPauses(observed, ExpectedPauses(performed));
}

// FS2002 clears the autopilot's glideslope and approach holds only when one
// exchange writes 0 to both. Against the stand-in's model of that interlock, a
// run from every item on, four engines, leaves both off: the next run reads
// them at 0.
TEST_F(ShutdownRunUnderWine, TheAutopilotHoldsEndOffUnderTheInterlock)
{
    std::string text = "0x0366 2 1\n0x0AEC 2 4\n0x0AF0 2 1\n";
    std::set<std::string> everyRow;
    for (const expect::Row& row : expect::kChecklist) {
        const bool brake = std::string(row.label) == "Parking Brake Set";
        text +=
            std::to_string(row.offset) + " " + std::to_string(row.size) + (brake ? " 0\n" : " 1\n");
        everyRow.insert(row.label);
    }
    const ScenarioFile file(text);
    ASSERT_TRUE(file.written);
    wine::StandInProcess sim("--interlock --scenario \"" + file.path + "\"");
    ASSERT_TRUE(sim.Started());
    os.skipPauses = true;

    EXPECT_EQ(Run(sim).exchanges, ExpectedRun(4, everyRow));
    link.IpcClose();
    const std::size_t firstRun = sim.Journal().size();
    EXPECT_EQ(Run(sim).exchanges, ExpectedRun(4, {"Battery Master Off"}));
    const std::vector<wine::JournalLine> journal = sim.Journal();
    int holdsRead = 0;
    for (std::size_t i = firstRun; i < journal.size(); ++i) {
        const wine::JournalLine& line = journal[i];
        if (line.kind == 'R' &&
            (line.offset == expect::kGlideslopeHold || line.offset == expect::kApproachHold)) {
            EXPECT_EQ(line.value, "0") << "at 0x" << std::hex << line.offset;
            ++holdsRead;
        }
    }
    EXPECT_EQ(holdsRead, 2);
}

TEST_F(ShutdownRunUnderWine, AirborneIsRefusedWithoutSwitchingAnything)
{
    wine::StandInProcess sim("--scenario airborne");
    ASSERT_TRUE(sim.Started());
    const Observed observed = Run(sim);

    EXPECT_EQ(observed.exchanges,
              (Lines{kOpening, Message("Aircraft shutdown not allowed while airborne.")}));
    EXPECT_TRUE(PausesMs(observed).empty());
}

} // namespace
} // namespace shutdown::testing
