// The stack guard of everything that ships. No C runtime sets it up: each program and
// library seeds it at its entry point, before any guarded function runs. Shared by the
// installer and the product's programs and libraries.
#ifndef QUILLMERE_STACK_GUARD_H
#define QUILLMERE_STACK_GUARD_H

#include <windows.h>

// A function active while the guard changes checks on its way out against the new value:
// an entry point, and the seeding itself, are built without the check.
#define UNGUARDED __attribute__((no_stack_protector))

// Seeds the guard from what differs on every run: where the system put the stack, the
// time since the system started, the process, and the performance counter where there is
// one.
UNGUARDED void SeedStackGuard();

#endif
