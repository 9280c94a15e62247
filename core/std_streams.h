// The process's standard streams and the signals of an unattended run: a run started with
// its streams closed, its reader gone (a pipe into `head`) or its terminal hung up still
// ends with its results written.
#pragma once

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed, so that no file the
// program opens later (the log, a results file) takes a standard stream's number and receives
// what is printed. Call first thing in main.
void MakeStandardStreamsValid();

// SIGPIPE no longer kills the process (a write to a gone reader fails with EPIPE instead) and
// SIGHUP ends the program as SIGTERM does, through whatever handles SIGTERM at that moment. A
// SIGHUP that was ignored when the program started (nohup) stays ignored.
void InstallUnattendedSignalHandlers();

// Flushes standard output and logs, once per stream, that standard output or standard error
// could not be written (the reader went away, the disk is full). Returns true when both are
// fine so far.
bool NoteStandardStreamErrors();
