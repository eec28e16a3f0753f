// The host's user-interface library as modules use it: windows, modal
// dialogs built from templates held as data, data exchange, the file-open
// dialog, and switching the resources dialogs are taken from.
//
// On cadhost a modal dialog is a form on the command line: its caption, each
// control that takes part in the data exchange, in that order, as a prompt with
// its label and current value (Enter keeps it), then the OK/Cancel choice.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/aced.h"
#include "host/edexport.h"
#include "platform/module.h"

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

typedef intptr_t INT_PTR;
typedef struct __POSITION* POSITION;
typedef const ACHAR* LPCTSTR;

// --- dialog templates ---------------------------------------------------------
enum ArxControlKind {
    kArxGroupBox,
    kArxDropDownList,  // an unsorted drop-down list; the items follow the control
    kArxCheckBox,
    kArxPushButton,
    kArxDefPushButton,
    kArxStatic,
};

struct ArxDialogControl {
    int id;  // -1 for a control nobody refers to
    ArxControlKind kind;
    const ACHAR* text;  // label; '&' marks the access key
    int x, y, w, h;     // dialog units
    const ACHAR* const* items;  // drop-down items, null-terminated (else null)
};

struct ArxDialogTemplate {
    int id;
    const ACHAR* caption;
    int w, h;
    const ArxDialogControl* controls;
    int controlCount;
};

// A module makes its templates its resources by exporting, with C linkage, a
// null-terminated table of them under this name; CDialog looks templates up in
// the module whose resources are current.
#define ARX_DIALOG_RESOURCES arxDialogTemplates
#define ARX_DIALOG_RESOURCES_NAME "arxDialogTemplates"

// The resources current for dialogs. AfxSetResourceHandle changes them;
// CAcModuleResourceOverride does so for one scope.
ARXED_API HINSTANCE AfxGetResourceHandle();
ARXED_API void AfxSetResourceHandle(HINSTANCE resources);

class ARXED_API CAcModuleResourceOverride {
public:
    explicit CAcModuleResourceOverride(HINSTANCE resources);
    ~CAcModuleResourceOverride();
    CAcModuleResourceOverride(const CAcModuleResourceOverride&) = delete;
    CAcModuleResourceOverride& operator=(const CAcModuleResourceOverride&) = delete;

private:
    HINSTANCE previous_;
};

// --- strings ---------------------------------------------------------------------
class ARXED_API CString {
public:
    CString() = default;
    CString(const ACHAR* s) : s_(s ? s : ACRX_T("")) {}
    operator const ACHAR*() const { return s_.c_str(); }
    const ACHAR* GetString() const { return s_.c_str(); }
    int GetLength() const { return static_cast<int>(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }

private:
    std::basic_string<ACHAR> s_;
};

// --- windows ---------------------------------------------------------------------
class ARXED_API CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // The window object of a handle (made on first use, kept for the session).
    static CWnd* FromHandle(HWND hwnd);
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND m_hWnd = nullptr;
};

class CDialog;

class ARXED_API CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: controls -> variables
};

// Drop-down list by index; check box 0/1 (2 is the third state).
ARXED_API void DDX_CBIndex(CDataExchange* dx, int controlId, int& index);
ARXED_API void DDX_Check(CDataExchange* dx, int controlId, int& value);

class ARXED_API CDialog : public CWnd {
public:
    explicit CDialog(unsigned templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    // IDOK or IDCANCEL; -1 when the template is not among the current resources.
    virtual INT_PTR DoModal();
    virtual void DoDataExchange(CDataExchange* dx);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    void EndDialog(int result);
    CWnd* GetParent() const { return parent_; }

    // Control values while the dialog runs (used by the data exchange).
    struct ControlState {
        int value = 0;
        bool exchanged = false;
    };
    std::map<int, ControlState> controls_;
    std::vector<int> exchangeOrder_;
    const ArxDialogTemplate* template_ = nullptr;

private:
    unsigned templateId_;
    CWnd* parent_;
    int result_ = 0;
};

// --- the file-open dialog ------------------------------------------------------
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000
#define OFN_LONGNAMES 0x00200000

struct OPENFILENAME {
    DWORD lStructSize = 0;
    ACHAR* lpstrFile = nullptr;  // multiple files: folder, then each name, each ended by NUL, then NUL
    DWORD nMaxFile = 0;
    DWORD Flags = 0;
    const ACHAR* lpstrDefExt = nullptr;
    const ACHAR* lpstrFilter = nullptr;
    const ACHAR* lpstrTitle = nullptr;
};

class ARXED_API CFileDialog : public CWnd {
public:
    CFileDialog(BOOL openFileDialog, LPCTSTR defExt = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr,
                CWnd* parent = nullptr, DWORD size = 0, BOOL vistaStyle = TRUE);
    ~CFileDialog() override;
    // Asks for the files on the command line (one path per line, an empty line
    // ends a multiple choice). IDOK, or IDCANCEL when cancelled or when the
    // names do not fit the buffer.
    virtual INT_PTR DoModal();
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& pos) const;
    CString GetPathName() const;

    OPENFILENAME m_ofn;

private:
    bool open_;
    std::basic_string<ACHAR> ownBuffer_;
    std::vector<std::basic_string<ACHAR>> chosen_;
};
