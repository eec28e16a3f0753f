// The text recoding engine: six directions between the Cyrillic DOS code page
// (866), the system code page, Latin-1 lookalike characters and the escape
// notations "\U+XXXX", "\M+XXXXX" and "%%nnn".
//
// One source, two builds. The wide build works on UTF-16 strings; the narrow
// build (ARX_NARROW) on bytes of the system code page, always decodes "%%nnn"
// and "\U+XXXX", never "\M+XXXXX", and holds fewer options. The narrow build's
// names live in the namespace arx_narrow (made visible to narrow code by a
// using-directive), so that one program can link both builds.
#pragma once

#include "platform/achar.h"

#ifdef ARX_NARROW
#define ARX_RECODE_BEGIN namespace arx_narrow {
#define ARX_RECODE_END \
    }                  \
    using namespace arx_narrow;
#else
#define ARX_RECODE_BEGIN
#define ARX_RECODE_END
#endif

ARX_RECODE_BEGIN

// Recoding direction; the value is the index in the options dialogs' lists.
enum RecodeMode : int {
    DosToWindows = 0,       // DOS bytes shown as system-code-page text -> text
    WindowsToDos = 1,       // the reverse
    Latin1ToWindows = 2,    // Latin-1 lookalikes (À for А) -> text
    CyrillicToWindows = 3,  // "\U+0410" escapes -> text
    WindowsToLatin1 = 4,    // text -> Latin-1 lookalikes
    WindowsToCyrillic = 5,  // text -> "\U+0410" escapes
};
constexpr int recodeModeCount = 6;

// The labels of the directions, in RecodeMode order, as the dialogs list them.
extern const ACHAR* const recodeModeLabels[recodeModeCount];

// The user's choices for a recoding run. One process-wide instance; the engine
// reads the escape flags at every call, the drawing walk the scope flags.
struct RecodeOptions {
    RecodeMode mode = DosToWindows;
    bool recodeSymbolTables = true;  // names of named objects, drawing properties
    bool recodeTextEntities = true;  // texts, attributes, table cells, ...
    bool recodeExtendedData = true;  // extended data and xrecords
#ifndef ARX_NARROW
    bool recodeFilePaths = true;  // external-reference and raster-image paths
    bool escapeUnicode = true;    // decode "\U+XXXX"
    bool escapeMultibyte = true;  // decode "\M+XXXXX"
    bool escapePercent = true;    // decode "%%nnn"
#endif
};

extern RecodeOptions recodeOptions;

// Recode `text` in direction `mode`. `text` is a heap string made with
// acStrAlloc/acStrDup and owned by the caller. DosToWindows, WindowsToDos,
// Latin1ToWindows and CyrillicToWindows never lengthen it and write over it;
// WindowsToLatin1 and WindowsToCyrillic replace it by a new string of the
// exact size (the old one is released). A null text or a mode outside 0..5
// leaves `text` untouched.
void recodeString(ACHAR*& text, int mode);

ARX_RECODE_END
