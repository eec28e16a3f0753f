#include "platform/locale.h"

namespace {
thread_local LCID threadLocale = kSystemDefaultLcid;
}

LCID GetSystemDefaultLCID() {
    return kSystemDefaultLcid;
}

LCID GetThreadLocale() {
    return threadLocale;
}

BOOL SetThreadLocale(LCID locale) {
    if (locale == 0) return 0;
    threadLocale = locale;
    return 1;
}
