// Stand-ins for the Windows locale calls: a locale identifier per thread,
// starting at the system default (Russian, 0x419).
#pragma once

#include "platform/codepage.h"

typedef DWORD LCID;

constexpr LCID kSystemDefaultLcid = 0x419;

LCID GetSystemDefaultLCID();
// The calling thread's locale identifier.
LCID GetThreadLocale();
// Sets the calling thread's locale identifier; other threads keep theirs.
// FALSE (and no change) for 0.
BOOL SetThreadLocale(LCID locale);
