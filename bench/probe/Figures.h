// The figures bench_probe measures, each against the bare window beside it.
// Each prints its samples as RESULT lines and returns the exit code.
#pragma once

namespace probe {

// Process start to visible window: `pairs` starts of each, alternating.
int Startup(int pairs);
// CPU over `seconds` of idle ticks, with or without a simulator, for
// `instances` pairs of Tollivane and bare window running side by side.
int Idle(double seconds, bool withSimulator, int instances);
// One whole shutdown run of a running twin: wall time against the pauses
// it took, and the peak working set afterwards against the bare window's.
int Run();
// Simulator window up to link up, with Tollivane already running: `samples`
// restarts, at phases spread over the one-second tick.
int Reconnect(int samples);

} // namespace probe
