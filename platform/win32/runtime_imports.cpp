// What the compiler's own runtime asks of Windows, made to work on every Windows the program runs
// on. GCC's runtime (libgcc's threads, its exception frames and thread-local data) creates its
// locks' semaphores with CreateSemaphoreW, which Windows 95, 98 and ME export but do not implement:
// there it fails, before the program's first instruction as well as after. The runtime reaches
// the function through its import slot; this program fills that slot itself, with a function that
// makes the same semaphore through CreateSemaphoreA, which every Windows implements. Linked into
// Torvexa.exe as one of its own objects, so that the slot is taken before the system's import
// library is searched, and the import table has CreateSemaphoreA instead.
#include <string>

#include "platform/win32/ansi.h"
#include "platform/win32/win.h"

namespace {

HANDLE WINAPI CreateSemaphoreOnEveryWindows(LPSECURITY_ATTRIBUTES attributes, LONG initialCount,
                                            LONG maximumCount, LPCWSTR name) {
    // The runtime's semaphores have no name; a named one is named in the ANSI code page.
    if (name == nullptr) return CreateSemaphoreA(attributes, initialCount, maximumCount, nullptr);
    const std::string ansi = torvexa::win32::ToAnsi(name);
    return CreateSemaphoreA(attributes, initialCount, maximumCount, ansi.c_str());
}

}  // namespace

// The import slot, under the name the runtime's objects use for it.
#ifndef _WIN64
extern "C" void* const kCreateSemaphoreWSlot asm("__imp__CreateSemaphoreW@16");
extern "C" void* const kCreateSemaphoreWSlot =
    reinterpret_cast<void*>(&CreateSemaphoreOnEveryWindows);
#else
extern "C" void* const kCreateSemaphoreWSlot asm("__imp_CreateSemaphoreW");
extern "C" void* const kCreateSemaphoreWSlot =
    reinterpret_cast<void*>(&CreateSemaphoreOnEveryWindows);
#endif
