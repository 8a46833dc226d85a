// Starting programs through the shell, elevated on request, with or without
// waiting for them. Used by the system methods and the install manager.
#pragma once

#include <windows.h>

#include <string_view>

#include "WinHandle.h"

// Starts `file` with `params` through the shell's extended execute call, with
// the "runas" verb (the elevation prompt) when `runAsAdmin`. The working
// directory is the directory of `file` when it exists. Returns the new
// process's handle, or none when the start failed or made no process.
unique_handle RunShellProcess(std::u16string_view file, std::u16string_view params, int showCmd, bool runAsAdmin);

// RunShellProcess, then waits without a time limit until the process ends.
// False when nothing was started; the exit code is not passed on.
bool RunShellProcessAndWait(std::u16string_view file, std::u16string_view params, int showCmd, bool runAsAdmin);
