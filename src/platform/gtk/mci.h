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
// Reporting: every fault is written on stderr at once. It is also handed to the reporter,
// always on the GTK main thread, but only while no earlier report is still open: a reporter
// shows one box at a time and calls MciErrorReportClosed() once the user dismisses it.
// Faults that arrive in between go to stderr only, so faults never pile up as boxes.
#pragma once

namespace minute_alarm::gtk {

// Carries out one MCI command string, as mciExecute does: returns nonzero when the command
// was accepted, 0 after reporting why it was not. Call it on the GTK main thread only.
int ExecuteMciCommand(const char* command);

// Where failures are reported to the user. ShowMciErrorBox is the reporter from the start;
// nullptr leaves stderr as the only channel. Call it on the GTK main thread.
void SetMciErrorReporter(void (*reporter)(const char* message));

// Tells the layer that the box of the last report is gone, so the next fault may be
// reported. A reporter that shows nothing lasting calls it before returning.
void MciErrorReportClosed();

// The default reporter: a non-modal message box titled "Minute Alarm" with an OK button,
// which destroys itself when answered and then calls MciErrorReportClosed().
void ShowMciErrorBox(const char* message);

// Stops any playback and ends the worker, waiting half a second at most: a frozen sound
// server must not hold the exit. Called once before the program exits. A later play starts a
// new worker.
void ShutDownMci();

}  // namespace minute_alarm::gtk
