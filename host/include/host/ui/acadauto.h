// The host's automation objects as the recoding commands use them: the
// application (reached through acedGetAcadWinApp()->GetIDispatch and
// QueryInterface), its active document with a regeneration of the viewports,
// and its menu groups with their toolbars and the toolbars' visibility.
// Every interface pointer handed out is counted; the caller releases it.
#pragma once

#include <cstdint>

#include "host/edexport.h"
#include "platform/codepage.h"

typedef long HRESULT;
#define S_OK ((HRESULT)0)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define SUCCEEDED(hr) ((hr) >= 0)
#define FAILED(hr) ((hr) < 0)

struct GUID {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

enum VARENUM : uint16_t { VT_EMPTY = 0, VT_I2 = 2, VT_I4 = 3 };
struct VARIANT {
    uint16_t vt = VT_EMPTY;
    union {
        int32_t lVal;
        short iVal;
    };
};

enum AcRegenType { acActiveViewport = 0, acAllViewports = 1 };

struct IUnknown {
    virtual ~IUnknown() = default;
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual unsigned long AddRef() = 0;
    virtual unsigned long Release() = 0;
};

struct IDispatch : IUnknown {};

struct IAcadToolbar : IDispatch {
    // The name as UTF-8 (owned by the toolbar).
    virtual HRESULT get_Name(const char** name) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
};

struct IAcadToolbars : IDispatch {
    virtual HRESULT get_Count(long* count) = 0;
    // By index (VT_I2 or VT_I4, from 0); E_INVALIDARG otherwise.
    virtual HRESULT Item(VARIANT index, IAcadToolbar** toolbar) = 0;
};

struct IAcadMenuGroup : IDispatch {
    virtual HRESULT get_Name(const char** name) = 0;
    virtual HRESULT get_Toolbars(IAcadToolbars** toolbars) = 0;
};

struct IAcadMenuGroups : IDispatch {
    virtual HRESULT get_Count(long* count) = 0;
    virtual HRESULT Item(VARIANT index, IAcadMenuGroup** group) = 0;
};

struct IAcadDocument : IDispatch {
    // Regenerates the drawing (acActiveViewport or acAllViewports).
    virtual HRESULT Regen(int which) = 0;
};

struct IAcadApplication : IDispatch {
    // E_FAIL when no document is open.
    virtual HRESULT get_ActiveDocument(IAcadDocument** document) = 0;
    virtual HRESULT get_MenuGroups(IAcadMenuGroups** groups) = 0;
};

// {0C57C2E8-8BB0-4E94-81B5-69AA5CE3D636}
constexpr IID IID_IAcadApplication = {0x0C57C2E8, 0x8BB0, 0x4E94, {0x81, 0xB5, 0x69, 0xAA, 0x5C, 0xE3, 0xD6, 0x36}};

class ARXED_API CCmdTarget {
public:
    virtual ~CCmdTarget();
    // The object's automation interface; addRef: counted for the caller.
    IDispatch* GetIDispatch(BOOL addRef);
};

class ARXED_API CWinApp : public CCmdTarget {};

ARXED_API CWinApp* acedGetAcadWinApp();

// For tests and diagnostics: how many interface references are held now.
ARXED_API long acedAutomationReferences();
