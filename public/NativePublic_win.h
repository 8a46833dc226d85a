// Process helpers of the Windows build: the host executable (the process's
// main module, not this library) and the main thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Full path of the host executable.
std::u16string HostExecutablePath();
// Its directory, without a trailing backslash.
std::u16string HostExecutableDir();
// ResolveAppRelativePath against the host executable's directory.
std::u16string ResolveAppRelativePath(std::u16string_view path);

// The thread that loaded the library and runs the host's message loop; the
// library records it at load.
DWORD MainThreadId();
bool IsMainThread();
void SetMainThreadId(DWORD threadId);

// Full path of a module (GetModuleFileNameW without the 260-unit limit).
std::u16string ModuleFileName(HMODULE module);

// Creates `dir` with all missing parents; true when it exists afterwards.
bool ForceDirectories(std::u16string_view dir);
// `path` exists and is a directory, or exists and is not one.
bool IsDirectory(const std::u16string& path);
bool IsFile(const std::u16string& path);
// Paths and file names compare as the file system does: ordinal, ignoring
// case.
bool SamePathText(std::u16string_view a, std::u16string_view b);

// The system's text for an error code, without the trailing line break.
std::u16string SystemErrorMessage(DWORD error);
