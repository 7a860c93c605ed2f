#pragma once
// The main (user-interface) thread, which the program's entry point records before anything
// else runs, and the processors this process may use.

#include <cstdint>
#include <windows.h>

namespace pel {

// Records the calling thread as the main thread unless one is recorded already; the entry
// point calls it first. Returns the recorded identifier.
uint32_t store_main_thread_id();
// 0 until the entry point has recorded the main thread.
uint32_t get_main_thread_id();

bool is_main_thread();
// Returns the calling thread's identifier on the main thread; elsewhere (and on every thread
// before the main thread is recorded) throws IllegalStateException "Not a main thread.".
uint32_t check_main_thread();

// The process's affinity mask; 0 with one ERROR line when the system cannot tell it.
DWORD_PTR getProcessAffinityMask();
DWORD_PTR getProcessAffinityMask(HANDLE process);
// The number of processors in the affinity mask; 0 when the mask is unknown.
int getProcessorCount();

} // namespace pel
