// bench_probe: measures Tollivane.exe as a user's process, each figure
// against a bare Win32 window measured beside it in the same run.
//
//   bench_probe startup [--pairs N]
//   bench_probe idle [--seconds S] [--instances K] [--simulator]
//   bench_probe run
//   bench_probe reconnect [--samples N]
//
// startup's N counts rounds; each round starts Tollivane, the bare window and
// the styled bare window once, in turn.
//
// Tollivane.exe, bare_window.exe, styled_bare_window.exe and TollivaneSim.exe
// are taken from the folder bench_probe lies in. Samples are printed as "RESULT <key> <value>".
#include "probe/Figures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: bench_probe startup [--pairs N]\n"
                         "       bench_probe idle [--seconds S] [--instances K] [--simulator]\n"
                         "       bench_probe run\n"
                         "       bench_probe reconnect [--samples N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string figure = argv[1];
    int count = 0;
    double seconds = 60;
    int instances = 1;
    bool simulator = false;
    for (int i = 2; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if ((std::strcmp(argv[i], "--pairs") == 0 || std::strcmp(argv[i], "--samples") == 0) &&
            hasValue)
            count = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--seconds") == 0 && hasValue)
            seconds = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--instances") == 0 && hasValue)
            instances = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--simulator") == 0)
            simulator = true;
        else
            return Usage();
    }
    if (figure == "startup")
        return probe::Startup(count > 0 ? count : 5);
    if (figure == "idle" && seconds > 0 && instances > 0 && instances <= 16)
        return probe::Idle(seconds, simulator, instances);
    if (figure == "run")
        return probe::Run();
    if (figure == "reconnect")
        return probe::Reconnect(count > 0 ? count : 5);
    return Usage();
}
