// Stand-ins for the Windows module calls the modules make.
//
// LoadLibraryW finds either a module of the host itself ("accore.dll",
// "acad.exe": tables of exported operations that the host registers at start)
// or a shared library by path (a module file). GetProcAddress looks an export
// up by its (possibly decorated) name. Handles are counted: every successful
// LoadLibraryW is ended by one FreeLibrary.
#pragma once

#include <cstdint>

#include "platform/codepage.h"

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef void (*FARPROC)();

// Loads a host module by name (case-insensitive) or a shared library by path.
// Null on failure; moduleLastError() then says why.
HMODULE LoadLibraryW(const char16_t* fileName);
// The export `procName` of the module, or null.
FARPROC GetProcAddress(HMODULE module, const char* procName);
// Ends one load; the library is unloaded when its last load ends. FALSE for a
// handle that is not loaded.
BOOL FreeLibrary(HMODULE module);
// Full path of the module (null: the running program) as UTF-16, cut to fit
// `size` units with the terminator. Returns the units written without the
// terminator, 0 on failure.
DWORD GetModuleFileNameW(HMODULE module, char16_t* fileName, DWORD size);

// GetModuleHandleExW with this flag takes an address inside a module and
// answers that module's handle (without loading it again).
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
BOOL GetModuleHandleExW(DWORD flags, const void* address, HMODULE* module);

// Why the last LoadLibraryW of this thread failed (UTF-8, never null).
const char* moduleLastError();

// --- host side ---------------------------------------------------------------
// Makes `exportName` of the host module `moduleName` (for example
// "accore.dll") answer `fn`; registering a name again replaces it.
void registerHostExport(const char* moduleName, const char* exportName, FARPROC fn);
