// The editor's services as modules call them: the command line, system
// variables, input with result codes, picks and selections, LISP functions,
// redraw and the host's main window.
//
// Input functions answer RTNORM (5100) for normal input, RTKWORD (-5005) for a
// keyword or typed text where arbitrary input is allowed, RTNONE (5000) for an
// empty answer where allowed, RTCAN (-5002) for a cancel (the end of a script
// cancels too), RTREJ (-5003) for a call the editor rejects and RTERROR (-5001)
// for a failure with the system variable ERRNO telling why (7: a pick that hit
// nothing).
#pragma once

#include <cstdint>

#include "host/dbmain.h"
#include "host/edexport.h"
#include "host/resbuf.h"

typedef double ads_real;
typedef ads_real ads_point[3];
typedef ads_real ads_matrix[4][4];
enum { X = 0, Y = 1, Z = 2 };

// Results of a LISP function called directly (acedRegFunc).
#define RSRSLT 1
#define RSERR 3

// acedInitGet flags.
#define RSG_NONULL 0x0001
#define RSG_NOZERO 0x0002
#define RSG_NONEG 0x0004
#define RSG_NOLIM 0x0008
#define RSG_GETZ 0x0010
#define RSG_DASH 0x0020
#define RSG_2D 0x0040
#define RSG_OTHER 0x0080

// acedGetFileNavDialog flags.
#define FND_NEWFILE 0x0001
#define FND_NOOVERWRITEWARN 0x0020

// ERRNO values the editor sets.
#define OL_ENTSELPICK 7
#define OL_ESNVALID 8
#define OL_ERRNOSS 35

// --- Command line -------------------------------------------------------------
// Formats with the platform's conventions (%s is an ACHAR string in either
// build; %I64d / %I64x are 64-bit; "%0xh" prints hex then h) and writes the
// text to the command line. Returns the number of code units written.
ARXED_API int acutPrintf(const ACHAR* format, ...);
// The same, into a buffer of `size` code units (always terminated when size
// > 0); returns the length the whole text needs.
ARXED_API int acutSPrintf(ACHAR* buffer, std::size_t size, const ACHAR* format, ...);

// --- System variables ---------------------------------------------------------
// Reads a variable into *result (a string value is a copy the caller releases
// with acutDelString or acutRelRb). RTERROR for an unknown name.
ARXED_API int acedGetVar(const ACHAR* name, resbuf* result);
// RTERROR for an unknown or read-only name or a value of the wrong type or range.
ARXED_API int acedSetVar(const ACHAR* name, const resbuf* value);

// --- Input ----------------------------------------------------------------------
// Flags and keywords for the next input call only. Keywords are separated by
// blanks; "_" separates the local keywords from the global ones, in the same
// order ("Да Нет _ Yes No"). A capital letter or a leading part may be typed
// for a keyword. RTNORM, or RTERROR for a malformed list.
ARXED_API int acedInitGet(int flags, const ACHAR* keywordList);
// RTNORM with the global keyword in `result` (up to 512 units), RTNONE for
// Enter, RTCAN, RTKWORD with the typed text when RSG_OTHER allows any text.
ARXED_API int acedGetKword(const ACHAR* prompt, ACHAR* result);
ARXED_API int acedGetKword(const ACHAR* prompt, ACHAR* result, std::size_t size);
// The text of the last RTKWORD answer (up to 512 units).
ARXED_API int acedGetInput(ACHAR* result);
ARXED_API int acedGetInput(ACHAR* result, std::size_t size);
// Points typed as "x,y" or "x,y,z" in the current user coordinate system.
ARXED_API int acedGetPoint(const ads_point basePoint, const ACHAR* prompt, ads_point result);
ARXED_API int acedGetCorner(const ads_point basePoint, const ACHAR* prompt, ads_point result);
ARXED_API int acedGetInt(const ACHAR* prompt, int* result);
ARXED_API int acedGetReal(const ACHAR* prompt, ads_real* result);
ARXED_API int acedGetString(int allowSpaces, const ACHAR* prompt, ACHAR* result, std::size_t size);
// The current user coordinate system to the world system (points).
ARXED_API int acdbUcs2Wcs(const ads_point from, ads_point to, int isVector);
ARXED_API int acdbWcs2Ucs(const ads_point from, ads_point to, int isVector);

// --- Picks and selections -----------------------------------------------------
// Picks one entity (pickFlag 0: the user picks). Finds the innermost entity
// under the pick box, reaching into block references; `refstkres` receives
// the block references that hold it, innermost first (RTENAME nodes; null
// when it lies directly in the space; released by the caller with acutRelRb).
ARXED_API int acedNEntSelP(const ACHAR* prompt, ads_name entres, ads_point ptres, int pickflag,
                           ads_matrix xformres, resbuf** refstkres);
ARXED_API int acedEntSel(const ACHAR* prompt, ads_name entres, ads_point ptres);
// Selection sets. mode null: the user's selection (a prompt "Select objects:"
// taking W/C/ALL/L/handles); "X" or "A": all; "W"/"C" with two points; "L": the
// last entity. RTNORM with a set the caller frees, RTERROR when nothing was found,
// RTCAN when cancelled.
ARXED_API int acedSSGet(const ACHAR* mode, const void* pt1, const void* pt2, const resbuf* filter,
                        ads_name ss);
ARXED_API int acedSSLength(const ads_name ss, int32_t* len);
ARXED_API int acedSSName(const ads_name ss, int32_t i, ads_name entres);
ARXED_API int acedSSFree(const ads_name ss);
ARXED_API int acedSSAdd(const ads_name ename, const ads_name ss, ads_name result);
// Entity names and ids.
ARXED_API Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& id, const ads_name name);
ARXED_API Acad::ErrorStatus acdbGetAdsName(ads_name name, AcDbObjectId id);
ARXED_API int acdbEntLast(ads_name result);
ARXED_API int acdbHandEnt(const ACHAR* handle, ads_name result);

// --- Redraw ---------------------------------------------------------------------
ARXED_API int acdbEntUpd(const ads_name ent);
ARXED_API void acedUpdateDisplay();
ARXED_API int ads_regen();
ARXED_API int acedRedraw(const ads_name ent, int mode);

// --- Files and messages ---------------------------------------------------------
// A file prompt. flags: FND_NEWFILE (1) a file to create, with a warning before
// overwriting an existing one unless FND_NOOVERWRITEWARN (32); otherwise the
// file must exist. RTNORM with the path in result->resval.rstring (result must
// be an RTSTR buffer; its old string is released), RTCAN, RTERROR.
ARXED_API int acedGetFileNavDialog(const ACHAR* title, const ACHAR* defaultName, const ACHAR* extension,
                                   const ACHAR* dialogName, int flags, resbuf** result);
ARXED_API int acedGetFileD(const ACHAR* title, const ACHAR* defaultName, const ACHAR* extension, int flags,
                           resbuf* result);
ARXED_API int acedAlert(const ACHAR* message);

// The host's main window (owner of the modules' dialogs).
struct HWND__;
typedef HWND__* HWND;
ARXED_API HWND adsw_acadMainWnd();

#define MB_OK 0x00000000
#define MB_OKCANCEL 0x00000001
#define MB_YESNO 0x00000004
#define MB_ICONERROR 0x00000010
#define MB_ICONWARNING 0x00000030
#define MB_ICONINFORMATION 0x00000040
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7
// A message box on the command line: the caption and text, then, for more
// than one button, a choice. Answers the button chosen.
ARXED_API int MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption, unsigned type);
ARXED_API int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned type);
ARXED_API int AfxMessageBox(const ACHAR* text, unsigned type = MB_OK, unsigned helpId = 0);

// --- LISP functions ---------------------------------------------------------------
// Defines a function for the current document; fcode is what acedGetFunCode
// answers when it is invoked. RTNORM, RTERROR for a bad name or code.
ARXED_API int acedDefun(const ACHAR* name, short fcode);
// Asks for a direct call of fhdl (instead of the kInvkSubrMsg message) for the
// function the caller defined with fcode.
ARXED_API int acedRegFunc(int (*fhdl)(), int fcode);
ARXED_API int acedUndef(const ACHAR* name, short fcode);
// While a function runs: its code, its arguments (owned by the host), its result.
ARXED_API int acedGetFunCode();
ARXED_API resbuf* acedGetArgs();
ARXED_API int acedRetInt(int value);
ARXED_API int acedRetReal(ads_real value);
ARXED_API int acedRetStr(const ACHAR* value);
ARXED_API int acedRetVoid();
ARXED_API int acedRetNil();
ARXED_API int acedRetT();
ARXED_API int acedRetName(const ads_name name, int type);
