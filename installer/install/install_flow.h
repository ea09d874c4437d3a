// What every phase of the installation shares: how a phase tells the install thread to go
// on or to stop, the cancel check, the failure reports and the status line.
#pragma once

#include <windows.h>

#include <cstdint>

namespace nuvex {

// A phase returns kStop when the install thread must end at once: after a failure report,
// after the read failure of the extraction, or when the user has cancelled. Nothing is
// reported on kStop; whoever decided to stop has already moved the wizard.
enum class Flow { kGoOn, kStop };

// The cancel flag, set by the progress window's Cancel button. Once the installation is
// complete the thread closes it: a Cancel after that would show the error page for an
// installation that has nothing left to undo.
bool CancelRequested();
// Sets the flag; false when it was set already or has been closed.
bool RequestCancel();
// Closes the flag for good; false when a cancel came first.
bool CloseCancel();
inline Flow StopIfCancelled() { return CancelRequested() ? Flow::kStop : Flow::kGoOn; }

// Switches the wizard to its error page (a sent message, so the page is in place before the
// next step) and puts the composed report into its body text. Returns kStop.
Flow ReportInstallError(const char* specificText);

// Moves the wizard to the page after the current one, searching backward (the error page
// during an installation), with no report of its own. Returns kStop.
Flow RequestErrorPage();

// The exit code of a silent installation: the first failure recorded wins, so that the
// cause, not a later consequence, is what a deployment tool sees. 0 while none is.
void RecordExitCode(int code);
int RecordedExitCode();

// Bytes of the files this installation wrote, uninst.exe included.
void AddBytesWritten(uint64_t bytes);
uint64_t BytesWritten();

void SetProgress(int percent);
void AddProgress(int amount);

// The status line of the progress window, which registers it while it is created; nothing
// in bar style shows it.
void SetStatusLineWindow(HWND statusLine);
void SetStatusLine(const char* text);

// The read handle on the running executable, opened by the extraction. Closed there when
// the phase ends normally; after an early end the progress window closes it once the thread
// has ended. Closing twice is harmless: the second call finds nothing.
void SetPackageFile(HANDLE file);
void ClosePackageFile();

// The running executable's path. False when it does not fit 256 bytes, so that a cut path is
// never opened.
bool ModulePath(char (&path)[256]);

}  // namespace nuvex
