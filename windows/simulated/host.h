// What the simulated torvelapi.dll takes from the real platform (host.cpp,
// the only source compiled with the toolchain's own <windows.h>): the
// environment, the debug output, files, the real message box and the
// caller's last error. The rest of the DLL sees the simulated platform under
// the Win32 names, so these names are of their own and use plain types.
#ifndef TORVEL_SIMULATED_HOST_H
#define TORVEL_SIMULATED_HOST_H

#include <cstdint>
#include <string>

namespace host {

// The environment variable `name`; empty when it is not set.
std::string Environment(const char *name);

// `path` made absolute from the current folder now; empty stays empty.
std::string FullPath(const std::string &path);

// One line to the debugger's output (OutputDebugStringA).
void DebugOutput(const std::string &line);

// Appends one line to the file at `path`, made if missing; the file stays
// open for the process. False when it cannot be opened or written.
bool AppendLine(const std::string &path, const std::string &line);

// Writes `text` as the whole file at `path`. False when it cannot.
bool WriteWholeFile(const std::string &path, const std::string &text);

// Shows a message box with an OK button and waits for it.
void ShowMessageBox(const std::string &text, const std::string &caption);

// The calling thread's last error, as the caller's GetLastError gives it.
uint32_t CallerError();
void SetCallerError(uint32_t error);

} // namespace host

#endif
