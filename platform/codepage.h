// Windows-style code-page conversion for the single-byte code pages the
// modules meet: 866 (Cyrillic DOS), 1250 (Central European), 1251 (Cyrillic)
// and 1252 (Western). The functions follow the Windows calls of the same names:
//
// - srcLen -1 means a NUL-terminated source; the terminator is converted and
//   counted in the result.
// - dstLen 0 returns the number of units the result needs and writes nothing.
// - A buffer too small for the result, a bad argument or an unsupported code
//   page returns 0.
//
// Bytes to UTF-16: every byte gives one code unit; a byte the code page leaves
// undefined gives the code unit of the same value.
// UTF-16 to bytes: a character the code page has gives its byte (the code unit
// of an undefined byte gives that byte back, so all 256 bytes round-trip); one
// it lacks gives its best-fit stand-in where the code page has one (see
// docs/codepages.md), otherwise the default character. A surrogate pair is one
// character and gives one default character.
#pragma once

#include <cstdint>

typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef int BOOL;

// The process's ANSI code page, whatever it is set to.
constexpr UINT CP_ACP = 0;
// WideCharToMultiByte flag: no best-fit stand-ins, only exact characters.
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

// Flags are accepted and ignored.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst,
                        int dstLen);

// defaultChar: the byte written for a character without a stand-in (null: '?').
// usedDefaultChar (may be null) is set to whether that happened.
int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefaultChar);

// The ANSI code page: 1251 unless the environment variable ARX_ANSI_CODEPAGE
// (read once, on first use) or setAnsiCodePage chose another supported one.
UINT GetACP();
// Make `codePage` the ANSI code page; an unsupported value is ignored.
void setAnsiCodePage(UINT codePage);

// True for the code pages listed above (not for CP_ACP itself).
bool isSupportedCodePage(UINT codePage);
// The 256 UTF-16 code units of the code page's bytes, or null when the code
// page is not supported. CP_ACP gives the table of the ANSI code page.
const char16_t* codePageTable(UINT codePage);
