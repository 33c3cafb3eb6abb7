// The three programs the probe measures, each started the way a user would
// have it: Tollivane from a folder holding what ships beside it, the bare
// window from a folder of its own, the stand-in from the build's bin/.
#pragma once

#include "common/Program.h"

#include <memory>
#include <string>

namespace probe {

inline constexpr unsigned kStartTimeoutMs = 60000;

// A program together with the folder it runs from; the folder goes when the
// program has stopped.
struct Launched {
    std::unique_ptr<bench::RunDirectory> directory;
    std::string executable;
    std::string arguments;
    bench::Program program;

    bool Start() { return program.Start(directory->File(executable), arguments); }
    bool WaitForVisibleWindow(unsigned timeoutMs = kStartTimeoutMs);
    // Visible, and its thread back in its message loop: the window has been
    // painted and answers the user. Until then a window is on the screen but
    // not yet there for anyone.
    bool WaitUntilReady(unsigned timeoutMs = kStartTimeoutMs);
};

// The folder made and filled, the program not yet started; null when the
// folder could not be made.
std::unique_ptr<Launched> PrepareTollivane();
std::unique_ptr<Launched> PrepareBareWindow();
// The bare window with the program's controls and manifest: a yardstick.
std::unique_ptr<Launched> PrepareStyledBareWindow();
// Prepared and started, but not yet waited for; null on failure.
std::unique_ptr<Launched> StartTollivane();
std::unique_ptr<Launched> StartBareWindow();
// The bare window that plays the program's switch sound once as it starts.
std::unique_ptr<Launched> StartBareWindowPlaying();

// The stand-in, with its journal at `journal`; waits for its window.
std::unique_ptr<Launched> StartSimulator(const std::string& scenario, const std::string& journal);

// Hides the stand-in's window. The stand-in repaints its panel of switches
// inside every exchange, milliseconds of GDI work that the simulator's own
// IPC module does not do; hidden, the window still answers, without painting.
bool HidePanel(Launched& sim);

// How many handshakes the stand-in has answered: one read of the version
// variable opens every connection.
int HandshakesSeen(const std::string& journal);

// Reports a figure for run.sh: "RESULT <key> <value>".
void Result(const char* key, double value);

} // namespace probe
