// The program's entry: start-up sequence, message loop, shutdown.
#pragma once

// Runs the whole program; returns the process exit status.
int GridfallMain(int argc, char** argv);
