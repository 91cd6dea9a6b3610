#include "stack_guard.h"

// What every guarded function leaves below its return address and compares on its way
// out. Zero-filled data, so it takes no space in the file.
extern "C" UINT_PTR __stack_chk_guard;
UINT_PTR __stack_chk_guard;

// The instructions of an i486 only: the counter is the system's, no time-stamp read.
void SeedStackGuard()
{
    LARGE_INTEGER counter;
    counter.QuadPart = 0; // where the system has no performance counter
    QueryPerformanceCounter(&counter);
    __stack_chk_guard = (UINT_PTR)&counter ^ GetTickCount() ^ GetCurrentProcessId() << 16 ^
                        counter.LowPart ^ counter.HighPart;
}

// A guarded function found its frame overwritten: nothing in the process can be trusted
// any more, so no handler of it runs; it ends at once, as the system ends such a process.
extern "C" UNGUARDED __attribute__((noreturn)) void __stack_chk_fail()
{
    for (;;)
        TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
}
