// A small interpreter of MCI command strings, as the program sends them to mciExecute on
// Windows. It understands one command:
//
//   play <element>
//
// where <element> is a file URI ("file:///opt/minute%20alarm/test.mp3", the form the
// program's short paths take on Linux) or a plain path, either of them optionally in double
// quotes. The call returns at once; a worker thread decodes the MPEG audio file with
// libmpg123 and plays it through PulseAudio on the default sink of the moment.
//
// - A play of the element that is still playing (or about to) lets it go on: no restart,
//   no second stream; but a file replaced or rewritten since is played afresh. A play of
//   another element stops the current sound and starts the new one; only one sound plays
//   at a time.
// - Faults found during the call (bad command, missing, empty, huge or unreadable file)
//   make it return 0. Faults found later by the worker (not MPEG audio, damaged file, no
//   sound server) are reported the same way, from the GTK main thread.
//
// Reporting: every fault is written on stderr (a fault found during the call a quarter of a
// second later, clear of the tick that met it) and shown, a quarter of a second after it was
// found, in a non-modal box titled "Minute Alarm", built on the GTK main thread; but only
// while no earlier box is still open: faults that arrive in between go to stderr only, so they
// never pile up.
#pragma once

namespace minute_alarm::gtk {

// Carries out one MCI command string, as mciExecute does: returns nonzero when the command
// was accepted, 0 after reporting why it was not. Call it on the GTK main thread only.
int ExecuteMciCommand(const char* command);

// Stops any playback and ends the worker, waiting half a second at most: a frozen sound
// server must not hold the exit. Called once before the program exits. A later play starts a
// new worker.
void ShutDownMci();

}  // namespace minute_alarm::gtk
