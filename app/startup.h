// The program's entry: start-up sequence, message loop, shutdown.
#pragma once

// Runs the whole program; returns the process exit status.
int GridfallMain(int argc, char** argv);
// The exit status the run's outcome gives (0 ok, 1 failure, 3 stopped, 4 stability FAIL).
int ExitStatusOfRun();
