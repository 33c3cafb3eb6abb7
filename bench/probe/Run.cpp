// Run overhead: a whole shutdown of a running twin, timed by the stand-in's
// own journal from the run's opening reads to its "Complete" line, against
// the pauses the run is made to take between the items it switched.
#include "probe/Figures.h"
#include "probe/Launch.h"

#include "common/Clock.h"
#include "common/Journal.h"

#include <algorithm>
#include <cstdio>

namespace probe {

namespace {

constexpr unsigned kLinkTimeoutMs = 30000;
// A whole run of a running twin takes well under a minute.
constexpr unsigned kRunTimeoutMs = 180000;

// The run's opening exchange reads the on-ground flag first; the text line
// at 0x3380 announces each switched item and, last, "Complete".
constexpr unsigned kOffsetOnGround = 0x0366;
constexpr unsigned kOffsetMessageText = 0x3380;

// Every announced item is followed by a 1 s pause, "Flaps Up" by 6 s: the
// flaps take that long to come up.
constexpr double kPauseSeconds = 1.0;
constexpr double kFlapsPauseSeconds = 6.0;

bool IsComplete(const bench::JournalRecord& record)
{
    return record.kind == 'W' && record.offset == kOffsetMessageText &&
           record.value.find("Complete") != std::string::npos;
}

HWND StartButton(HWND window)
{
    return FindWindowExA(window, nullptr, "Button", "&Start Shutdown");
}

} // namespace

int Run()
{
    const bench::TempJournal tempJournal;
    const std::string& journal = tempJournal.Path();
    const std::unique_ptr<Launched> sim = StartSimulator("running-twin", journal);
    if (!sim || !HidePanel(*sim))
        return 1;
    const std::unique_ptr<Launched> tollivane = StartTollivane();
    // The run plays the switch sound, and the audio stack the system maps
    // for it is no cost of the program's: the floor plays the same sound.
    const std::unique_ptr<Launched> bare = StartBareWindowPlaying();
    if (!tollivane || !bare || !tollivane->WaitForVisibleWindow() ||
        !bare->WaitForVisibleWindow()) {
        std::fprintf(stderr, "bench_probe: a program did not show its window\n");
        return 1;
    }
    if (!bench::WaitUntil([&] { return HandshakesSeen(journal) >= 1; }, kLinkTimeoutMs)) {
        std::fprintf(stderr, "bench_probe: Tollivane did not connect\n");
        return 1;
    }
    const HWND button = StartButton(tollivane->program.VisibleWindow());
    if (!button) {
        std::fprintf(stderr, "bench_probe: no Start Shutdown button\n");
        return 1;
    }
    // Posted, as a click would arrive: the run then blocks Tollivane, not us.
    PostMessageA(button, BM_CLICK, 0, 0);

    std::vector<bench::JournalRecord> records;
    const auto complete = [&] {
        records = bench::ReadJournal(journal);
        // The text line travels with the write that shows it, so it is
        // near the end rather than last.
        return std::any_of(records.rbegin(), records.rend(), IsComplete);
    };
    if (!bench::WaitUntil(complete, kRunTimeoutMs, 50)) {
        std::fprintf(stderr, "bench_probe: the run did not complete\n");
        return 1;
    }

    double begin = -1;
    double end = -1;
    double pauses = 0;
    int items = 0;
    for (const bench::JournalRecord& record : records) {
        if (begin < 0) {
            if (record.kind == 'R' && record.offset == kOffsetOnGround)
                begin = record.seconds;
            continue;
        }
        if (IsComplete(record)) {
            end = record.seconds;
            break;
        }
        if (record.kind == 'W' && record.offset == kOffsetMessageText) {
            ++items;
            pauses += record.value.find("Flaps Up") != std::string::npos ? kFlapsPauseSeconds
                                                                         : kPauseSeconds;
        }
    }
    if (begin < 0 || end < 0 || pauses <= 0) {
        std::fprintf(stderr, "bench_probe: the journal holds no whole run\n");
        return 1;
    }
    const double wall = end - begin;
    std::printf(
        "# run: %d items, %.3f s from the opening reads to \"Complete\", %.1f s of pauses\n", items,
        wall, pauses);
    Result("run_seconds", wall);
    Result("run_ratio", wall / pauses);

    // After a whole run the program has touched everything it ever will.
    const std::size_t tollivanePeak = tollivane->program.Host().PeakWorkingSet();
    const std::size_t barePeak = bare->program.Host().PeakWorkingSet();
    if (tollivanePeak == 0 || barePeak == 0) {
        std::fprintf(stderr, "bench_probe: no working set figures\n");
        return 1;
    }
    std::printf("# memory: Tollivane peak working set %.0f KiB, bare window that played the sound "
                "%.0f KiB\n",
                static_cast<double>(tollivanePeak) / 1024, static_cast<double>(barePeak) / 1024);
    Result("memory_tollivane_kib", static_cast<double>(tollivanePeak) / 1024);
    Result("memory_ratio", static_cast<double>(tollivanePeak) / static_cast<double>(barePeak));
    return 0;
}

} // namespace probe
