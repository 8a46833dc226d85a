// Start-up and unload of the library's components in their fixed order.
#pragma once

// Runs every component's start-up in order; the library then serves calls.
void LibraryStartup();
// Stops serving calls, then runs the components' unload in reverse order.
// `processExit` is true when the whole process is ending (threads other than
// the caller are gone already).
void LibraryShutdown(bool processExit);

// True between the end of start-up and the beginning of unload: the exports
// serve calls only then.
bool LibraryServing();
// True during unload when the process is ending.
bool ProcessExiting();
