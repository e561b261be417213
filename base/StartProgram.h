// Starting another copy of the program that runs on its own.
#pragma once
#include "base/Handles.h"

// Starts the executable at path with normal priority, in currentDirectory
// when one is given. Nothing waits for it, so its handles are let go at once.
// False when the process could not be created.
bool StartProgram(const char* path, const char* currentDirectory = nullptr);
// The same start, keeping the new process to wait on; empty when it could
// not be started.
KernelObject StartWatchedProgram(const char* path);
