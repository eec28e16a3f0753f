// The editor's test module: registers commands and LISP functions and calls
// the editor's services, printing what it gets back so that scripts can check
// it. Built as edtest.arx (wide) and edtest_narrow.arx, and with
// EDTEST_FAIL_INIT / EDTEST_API_VERSION as the modules that must be refused.
#include <cstring>
#include <string_view>

#include "host/acdocman.h"
#include "host/aced.h"
#include "host/arx.h"
#include "host/rxregsvc.h"
#include "host/ui/acadauto.h"
#include "host/ui/afxwin.h"
#include "platform/locale.h"
#include "platform/module.h"

// EDTEST_FUTURE: a module built for an interface newer than its host's.
#if defined(ARX_NARROW) && defined(EDTEST_FUTURE)
#define EDTEST_API_VERSION 0x110000
#elif defined(ARX_NARROW)
#define EDTEST_API_VERSION 0x100000
#elif defined(EDTEST_FUTURE)
#define EDTEST_API_VERSION 0x1A0000
#else
#define EDTEST_API_VERSION 0x190000
#endif

namespace {

#ifdef ARX_NARROW
const ACHAR* const kGroup = "EDTEST";
#else
const ACHAR* const kGroup = u"EDTEST";
#endif

void* appId = nullptr;

AcEdCommandStack* commandStack() {
    return AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK));
}

AcRxDynamicLinker* linker() {
    return AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER));
}

void printCode(const char* what, int rc) {
    acutPrintf(ACRX_T("\n[%hs] rc=%d"), what, rc);
}

void printName(const char* what, const ads_name n) {
    acutPrintf(ACRX_T("\n[%hs] %I64X"), what, static_cast<int64_t>(n[0]));
}

// --- commands -------------------------------------------------------------------
void cmdPrint() {
    int64_t big = 9876543210123LL;
    acutPrintf(ACRX_T("\nВсего найдено proxy-объектов: %I64d. Из них proxy-примитивов: %I64d."), big,
               static_cast<int64_t>(-3));
    acutPrintf(ACRX_T("\nGetSystemDefaultLCID=%0xh"), GetSystemDefaultLCID());
    acutPrintf(ACRX_T("\n<%s> %5.2f|%-4d|%c"), ACRX_T("Слой"), 3.14159, 7, static_cast<int>(ACRX_T('Ж')));
}

void cmdKword() {
    ACHAR kw[512];
    acedInitGet(0, ACRX_T("Да Нет Yes No _ Yes No Yes No"));
    int rc = acedGetKword(ACRX_T("\nОчистить список масштабов? [Да/Нет] <Да>: "), kw);
    acutPrintf(ACRX_T("\n[kword] rc=%d kw=<%s>"), rc, rc == RTNORM ? kw : ACRX_T(""));
    acedInitGet(RSG_OTHER, ACRX_T("В S _ S S"));
    rc = acedGetKword(ACRX_T("\nВыбор [В]: "), kw);
    ACHAR input[512] = {0};
    if (rc == RTKWORD) acedGetInput(input);
    acutPrintf(ACRX_T("\n[kword] rc=%d kw=<%s> input=<%s>"), rc, rc == RTNORM || rc == RTKWORD ? kw : ACRX_T(""),
               input);
    acedInitGet(RSG_NONULL, ACRX_T("One Two"));
    rc = acedGetKword(ACRX_T("\nOne or Two: "), kw);
    acutPrintf(ACRX_T("\n[kword] rc=%d kw=<%s>"), rc, rc == RTNORM ? kw : ACRX_T(""));
    printCode("initget-bad", acedInitGet(0, ACRX_T("A B _ X")));
}

void cmdPoint() {
    ads_point p1 = {-1e10, -1e10, -1e10}, p2 = {1e10, 1e10, 1e10};
    int rc = acedGetPoint(nullptr, ACRX_T("\nУкажите минимальную точку рамки <(-1e10,-1e10,-1e10)>: "), p1);
    if (rc == RTNONE) {
        p1[0] = p1[1] = p1[2] = -1e10;
    }
    acutPrintf(ACRX_T("\n[point] rc=%d (%g,%g,%g)"), rc, p1[0], p1[1], p1[2]);
    if (rc != RTNORM && rc != RTNONE) return;
    rc = acedGetCorner(p1, ACRX_T("\nУкажите максимальную точку рамки <(1e10,1e10,1e10)>: "), p2);
    acutPrintf(ACRX_T("\n[corner] rc=%d (%g,%g,%g)"), rc, p2[0], p2[1], p2[2]);
    ads_point w;
    acdbUcs2Wcs(p1, w, 0);
    acutPrintf(ACRX_T("\n[wcs] (%g,%g,%g)"), w[0], w[1], w[2]);
}

void listSelection(const ads_name ss) {
    int32_t n = 0;
    acedSSLength(ss, &n);
    acutPrintf(ACRX_T("\n[ss] %d:"), static_cast<int>(n));
    for (int32_t i = 0; i < n; ++i) {
        ads_name en;
        if (acedSSName(ss, i, en) != RTNORM) continue;
        AcDbObjectId id;
        acdbGetObjectId(id, en);
        ACHAR h[32];
        id.handle().getIntoAsciiBuffer(h);
        acutPrintf(ACRX_T(" %s"), h);
    }
}

// The pick loop of a recoding command: picks, keywords switching to a
// selection, ERRNO 7 for a miss.
void cmdPick() {
    for (;;) {
        acedInitGet(RSG_OTHER, ACRX_T("В S _ S S"));
        ads_name en;
        ads_point pt;
        ads_matrix xf;
        resbuf* refs = nullptr;
        int rc = acedNEntSelP(ACRX_T("\nУкажите строку для конвертации [Выбор средствами AutoCAD]: "), en, pt, 0, xf,
                              &refs);
        printCode("pick", rc);
        if (rc == RTNORM) {
            AcDbObjectId id;
            acdbGetObjectId(id, en);
            AcDbEntity* ent = nullptr;
            if (acdbOpenObject(ent, id, AcDb::kForRead) == Acad::eOk) {
                acutPrintf(ACRX_T(" %s"), ent->isA()->name());
                ent->close();
            }
            printName("picked", en);
            acutPrintf(ACRX_T(" at (%g,%g) move (%g,%g)"), pt[0], pt[1], xf[0][3], xf[1][3]);
            for (resbuf* r = refs; r && r->restype == RTENAME; r = r->rbnext) printName("container", r->resval.rlname);
            acdbEntUpd(en);
            if (refs) acutRelRb(refs);
            continue;
        }
        if (rc == RTKWORD) {
            ads_name ss;
            int src = acedSSGet(nullptr, nullptr, nullptr, nullptr, ss);
            printCode("ssget", src);
            if (src == RTNORM) {
                listSelection(ss);
                acedSSFree(ss);
            }
            continue;
        }
        if (rc == RTCAN || rc == RTREJ) break;
        resbuf rb{};
        rb.restype = RTSHORT;
        acedGetVar(ACRX_T("ERRNO"), &rb);
        acutPrintf(ACRX_T("\n[errno] %d"), rb.resval.rint);
        if (rb.resval.rint != 7) break;
    }
}

void cmdSelect() {
    ads_name ss;
    int rc = acedSSGet(ACRX_T("X"), nullptr, nullptr, nullptr, ss);
    printCode("all", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        printCode("free", acedSSFree(ss));
        printCode("free-again", acedSSFree(ss));
    }
    ads_point a = {-1, -1, 0}, b = {12, 3, 0};
    rc = acedSSGet(ACRX_T("W"), a, b, nullptr, ss);
    printCode("window", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        acedSSFree(ss);
    }
    rc = acedSSGet(ACRX_T("C"), a, b, nullptr, ss);
    printCode("crossing", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        acedSSFree(ss);
    }
    rc = acedSSGet(ACRX_T("L"), nullptr, nullptr, nullptr, ss);
    printCode("last", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        acedSSFree(ss);
    }
    resbuf* filter = acutNewRb(0);
    filter->resval.rstring = acutNewString(ACRX_T("TEXT"));
    rc = acedSSGet(ACRX_T("X"), nullptr, nullptr, filter, ss);
    acutRelRb(filter);
    printCode("texts", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        acedSSFree(ss);
    }
    rc = acedSSGet(nullptr, nullptr, nullptr, nullptr, ss);
    printCode("user", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        acedSSFree(ss);
    }
    ads_name last;
    if (acdbEntLast(last) == RTNORM) printName("entlast", last);
}

void cmdFile() {
    resbuf* rb = acutNewRb(RTSTR);
    int rc = acedGetFileNavDialog(ACRX_T("Файл для сохранения удаленных примитивов:"), ACRX_T("deleted.dwg"),
                                  ACRX_T("dwg"), ACRX_T("RemoveExtents"), 33, &rb);
    acutPrintf(ACRX_T("\n[file] rc=%d <%s>"), rc, rc == RTNORM ? rb->resval.rstring : ACRX_T(""));
    acutRelRb(rb);
    resbuf* rb2 = nullptr;
    rc = acedGetFileNavDialog(ACRX_T("Drawing to read"), ACRX_T(""), ACRX_T("dxf"), ACRX_T("Read"), 0, &rb2);
    acutPrintf(ACRX_T("\n[file] rc=%d <%s>"), rc, rc == RTNORM ? rb2->resval.rstring : ACRX_T(""));
    if (rb2) acutRelRb(rb2);
    resbuf* rb3 = nullptr;
    rc = acedGetFileNavDialog(ACRX_T("New file"), ACRX_T(""), ACRX_T("dxf"), ACRX_T("New"), FND_NEWFILE, &rb3);
    acutPrintf(ACRX_T("\n[file] rc=%d <%s>"), rc, rc == RTNORM ? rb3->resval.rstring : ACRX_T(""));
    if (rb3) acutRelRb(rb3);
}

void showVar(const ACHAR* name) {
    resbuf rb{};
    int rc = acedGetVar(name, &rb);
    if (rc != RTNORM) {
        acutPrintf(ACRX_T("\n[var] %s rc=%d"), name, rc);
        return;
    }
    if (rb.restype == RTSTR) {
        acutPrintf(ACRX_T("\n[var] %s=<%s>"), name, rb.resval.rstring);
        acutDelString(rb.resval.rstring);
    } else if (rb.restype == RTSHORT) {
        acutPrintf(ACRX_T("\n[var] %s=%d"), name, rb.resval.rint);
    } else if (rb.restype == RTREAL) {
        acutPrintf(ACRX_T("\n[var] %s=%g"), name, rb.resval.rreal);
    } else {
        acutPrintf(ACRX_T("\n[var] %s type %d"), name, rb.restype);
    }
}

void cmdVar() {
    showVar(ACRX_T("CLAYER"));
    showVar(ACRX_T("TEXTSTYLE"));
    showVar(ACRX_T("CTABLESTYLE"));
    showVar(ACRX_T("CMDECHO"));
    showVar(ACRX_T("ERRNO"));
    showVar(ACRX_T("NOSUCHVAR"));
    resbuf v{};
    v.restype = RTSTR;
    ACHAR layer[] = ACRX_T("NoSuchLayer");
    v.resval.rstring = layer;
    printCode("set-clayer-missing", acedSetVar(ACRX_T("CLAYER"), &v));
    resbuf e{};
    e.restype = RTSHORT;
    e.resval.rint = 0;
    printCode("set-errno", acedSetVar(ACRX_T("ERRNO"), &e));
    e.resval.rint = 0;
    printCode("set-cmdecho", acedSetVar(ACRX_T("CMDECHO"), &e));
    showVar(ACRX_T("CMDECHO"));
    printCode("set-acadver", acedSetVar(ACRX_T("ACADVER"), &v));
}

void cmdDocs() {
    AcApDocManager* dm = acDocManagerPtr();
    acutPrintf(ACRX_T("\n[docs] count=%d"), dm->documentCount());
    AcApDocumentIterator* it = dm->newAcApDocumentIterator();
    for (; !it->done(); it->step()) {
        AcApDocument* d = it->document();
        const ACHAR* name = d->fileName();
        const ACHAR* base = name;
        for (const ACHAR* p = name; *p; ++p)
            if (*p == '/') base = p + 1;
        acutPrintf(ACRX_T("\n[docs] %s%s"), base, d == dm->curDocument() ? ACRX_T(" (current)") : ACRX_T(""));
    }
    delete it;
    AcDbHostApplicationServices* hs = acdbHostApplicationServices();
    acutPrintf(ACRX_T("\n[docs] working=%hs release=%d"),
               hs->workingDatabase() == dm->curDocument()->database() ? "current" : "other",
               hs->releaseMajorVersion() * 10 + hs->releaseMinorVersion());
}

typedef void (*ResetScaleList)(bool, bool, AcDbDatabase*);

void cmdLib() {
    HMODULE core = LoadLibraryW(u"accore.dll");
    if (!core) core = LoadLibraryW(u"acad.exe");
    acutPrintf(ACRX_T("\n[lib] accore %hs"), core ? "loaded" : "missing");
    if (core) {
        FARPROC p = GetProcAddress(core, "?acedResetScaleList@@YAX_N0PEAVAcDbDatabase@@@Z");
        acutPrintf(ACRX_T("\n[lib] reset %hs"), p ? "found" : "missing");
        if (p) reinterpret_cast<ResetScaleList>(p)(true, false, acdbHostApplicationServices()->workingDatabase());
        acutPrintf(ACRX_T("\n[lib] missing export %hs"), GetProcAddress(core, "?nothing@@") ? "found" : "absent");
        printCode("free", FreeLibrary(core));
    }
    acutPrintf(ACRX_T("\n[lib] nosuch.dll %hs"), LoadLibraryW(u"nosuch.dll") ? "loaded" : "refused");
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const void*>(&cmdLib), &self);
    char16_t path[512];
    DWORD n = GetModuleFileNameW(self, path, 512);
    const char16_t* base = path;
    for (DWORD i = 0; i < n; ++i)
        if (path[i] == u'/') base = path + i + 1;
    acutPrintf(ACRX_T("\n[lib] self=%ls same-as-appId=%hs"), n ? base : u"?",
               static_cast<void*>(self) == appId ? "yes" : "no");
    acutPrintf(ACRX_T("\n[lib] thread locale %0xh"), GetThreadLocale());
}

void cmdMsg() {
    int r = MessageBoxW(reinterpret_cast<HWND>(adsw_acadMainWnd()), u"Невозможно зарегистрировать приложение",
                        u"edtest", MB_OK | MB_ICONERROR);
    printCode("msgbox", r);
    r = MessageBoxW(adsw_acadMainWnd(), u"Continue?", u"edtest", MB_YESNO);
    printCode("msgbox-yesno", r);
}

void cmdDup() {
    AcEdCommandStack* cs = commandStack();
    Acad::ErrorStatus es = cs->addCommand(kGroup, ACRX_T("TPRINT"), ACRX_T("TPRINT"), ACRX_CMD_MODAL, cmdPrint);
    acutPrintf(ACRX_T("\n[dup] %s"), acadErrorStatusText(es));
    es = cs->addCommand(kGroup, ACRX_T("TTEMP"), ACRX_T("ВРЕМ"), ACRX_CMD_TRANSPARENT, cmdPrint);
    acutPrintf(ACRX_T("\n[dup] add TTEMP %s"), acadErrorStatusText(es));
    AcEdCommand* c = cs->lookupCmd(ACRX_T("TTEMP"), true);
    acutPrintf(ACRX_T("\n[dup] lookup %s flags=%d"), c ? c->localName() : ACRX_T("-"), c ? c->commandFlags() : -1);
    es = cs->removeCmd(kGroup, ACRX_T("TTEMP"));
    acutPrintf(ACRX_T("\n[dup] remove %s"), acadErrorStatusText(es));
    es = cs->removeCmd(kGroup, ACRX_T("TTEMP"));
    acutPrintf(ACRX_T("\n[dup] remove again %s"), acadErrorStatusText(es));
}

// --- dialogs ----------------------------------------------------------------------
const ACHAR* const kModes[] = {ACRX_T("Dos -> Windows"), ACRX_T("Windows -> Dos"), ACRX_T("Unicode(Latin 1) -> Windows"),
                               ACRX_T("Unicode(Cirillic) -> Windows"), ACRX_T("Windows -> Unicode(Latin 1)"),
                               ACRX_T("Windows -> Unicode(Cirillic)"), nullptr};

const ArxDialogControl kOptionsControls[] = {
    {-1, kArxGroupBox, ACRX_T("Куда конвертировать ?"), 13, 13, 187, 26, nullptr},
    {1001, kArxDropDownList, nullptr, 20, 23, 173, 74, kModes},
    {-1, kArxGroupBox, ACRX_T("Что конвертировать ?"), 13, 41, 187, 68, nullptr},
    {1003, kArxCheckBox, ACRX_T("&Символьные таблицы"), 19, 53, 91, 10, nullptr},
    {1004, kArxCheckBox, ACRX_T("&Текстовые примитивы"), 19, 67, 87, 10, nullptr},
    {1002, kArxCheckBox, ACRX_T("&Расширенные данные"), 19, 80, 87, 10, nullptr},
    {1, kArxDefPushButton, ACRX_T("Да"), 48, 112, 37, 14, nullptr},
    {2, kArxPushButton, ACRX_T("Отмена"), 129, 112, 37, 14, nullptr},
};
const ArxDialogTemplate kOptions = {101, ACRX_T("Transkodo"), 214, 131, kOptionsControls, 8};

struct Options {
    int mode = 0;
    int tables = 1, texts = 1, xdata = 1;
} options;

class OptionsDialog : public CDialog {
public:
    explicit OptionsDialog(CWnd* parent) : CDialog(101, parent) {}
    int mode = 0, tables = 0, texts = 0, xdata = 0;
    void DoDataExchange(CDataExchange* dx) override {
        CDialog::DoDataExchange(dx);
        DDX_CBIndex(dx, 1001, mode);
        DDX_Check(dx, 1003, tables);
        DDX_Check(dx, 1004, texts);
        DDX_Check(dx, 1002, xdata);
    }
};

INT_PTR showOptions() {
    HINSTANCE own = static_cast<HINSTANCE>(appId);
#ifdef ARX_NARROW
    acDocManagerPtr()->pushResourceHandle(own);
#else
    CAcModuleResourceOverride resources(own);
#endif
    OptionsDialog dlg(CWnd::FromHandle(adsw_acadMainWnd()));
    dlg.mode = options.mode;
    dlg.tables = options.tables;
    dlg.texts = options.texts;
    dlg.xdata = options.xdata;
    INT_PTR r = dlg.DoModal();
    if (r == IDOK) {
        options.mode = dlg.mode;
        options.tables = dlg.tables;
        options.texts = dlg.texts;
        options.xdata = dlg.xdata;
    }
#ifdef ARX_NARROW
    acDocManagerPtr()->popResourceHandle();
#endif
    return r;
}

void cmdDialog() {
    INT_PTR r = showOptions();
    acutPrintf(ACRX_T("\n[dialog] rc=%d mode=%d tables=%d texts=%d xdata=%d"), static_cast<int>(r), options.mode,
               options.tables, options.texts, options.xdata);
    // Without the module's resources the template is not found.
    OptionsDialog lost(nullptr);
    acutPrintf(ACRX_T("\n[dialog] without resources rc=%d"), static_cast<int>(lost.DoModal()));
}

void cmdFiles() {
    ACHAR buffer[4096] = {0};
    CFileDialog dlg(TRUE, ACRX_T("dxf"), nullptr, 0x289204, ACRX_T("Чертежи AutoCAD (*.dwg)|*.dwg|Все файлы (*.*)|*.*||"),
                    nullptr, 0, TRUE);
    dlg.m_ofn.lpstrFile = buffer;
    dlg.m_ofn.nMaxFile = 4096;
    INT_PTR r = dlg.DoModal();
    acutPrintf(ACRX_T("\n[files] rc=%d"), static_cast<int>(r));
    if (r != IDOK) return;
    POSITION pos = dlg.GetStartPosition();
    while (pos) {
        CString path = dlg.GetNextPathName(pos);
        const ACHAR* base = path;
        for (const ACHAR* p = path; *p; ++p)
            if (*p == '/') base = p + 1;
        acutPrintf(ACRX_T("\n[files] <%s>"), base);
    }
}

// The regeneration and toolbar refresh of a recoding command, through the
// automation objects.
void cmdAutomation() {
    IDispatch* disp = acedGetAcadWinApp()->GetIDispatch(TRUE);
    IAcadApplication* app = nullptr;
    HRESULT hr = disp ? disp->QueryInterface(IID_IAcadApplication, reinterpret_cast<void**>(&app)) : E_FAIL;
    if (disp) disp->Release();
    acutPrintf(ACRX_T("\n[auto] application hr=%d"), static_cast<int>(hr));
    if (FAILED(hr) || !app) return;
    IAcadDocument* doc = nullptr;
    hr = app->get_ActiveDocument(&doc);
    if (SUCCEEDED(hr) && doc) {
        acutPrintf(ACRX_T("\n[auto] regen hr=%d"), static_cast<int>(doc->Regen(acAllViewports)));
        acutPrintf(ACRX_T("\n[auto] bad regen hr=%x"), static_cast<unsigned>(doc->Regen(7)));
        doc->Release();
    }
    IAcadMenuGroups* groups = nullptr;
    if (SUCCEEDED(app->get_MenuGroups(&groups)) && groups) {
        long ng = 0;
        groups->get_Count(&ng);
        for (long g = 0; g < ng; ++g) {
            VARIANT vg;
            vg.vt = VT_I4;
            vg.lVal = static_cast<int32_t>(g);
            IAcadMenuGroup* group = nullptr;
            if (FAILED(groups->Item(vg, &group)) || !group) continue;
            IAcadToolbars* bars = nullptr;
            if (SUCCEEDED(group->get_Toolbars(&bars)) && bars) {
                long nt = 0;
                bars->get_Count(&nt);
                for (long t = 0; t < nt; ++t) {
                    VARIANT vt;
                    vt.vt = VT_I4;
                    vt.lVal = static_cast<int32_t>(t);
                    IAcadToolbar* bar = nullptr;
                    if (FAILED(bars->Item(vt, &bar)) || !bar) continue;
                    VARIANT_BOOL visible = VARIANT_FALSE;
                    bar->get_Visible(&visible);
                    if (visible == VARIANT_TRUE) {
                        bar->put_Visible(VARIANT_FALSE);
                        bar->put_Visible(VARIANT_TRUE);
                    }
                    const char* name = "";
                    bar->get_Name(&name);
                    VARIANT_BOOL after = VARIANT_FALSE;
                    bar->get_Visible(&after);
                    acutPrintf(ACRX_T("\n[auto] toolbar %hs %d -> %d"), name, visible, after);
                    bar->Release();
                }
                VARIANT bad;
                bad.vt = VT_I4;
                bad.lVal = static_cast<int32_t>(nt);
                IAcadToolbar* none = nullptr;
                acutPrintf(ACRX_T("\n[auto] item past the end hr=%x"), static_cast<unsigned>(bars->Item(bad, &none)));
                bars->Release();
            }
            group->Release();
        }
        groups->Release();
    }
    app->Release();
    acutPrintf(ACRX_T("\n[auto] references held %ld"), acedAutomationReferences());
}

// Files an xrecord in the root dictionary and takes it out again; with the
// answer "Erase" it is erased, with "Keep" it stays (owned by the dictionary
// that no longer lists it, for AUDIT to find).
void cmdDictRemove() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    acedInitGet(0, ACRX_T("Erase Keep"));
    ACHAR kw[64];
    int rc = acedGetKword(ACRX_T("\nAfter removing [Erase/Keep] <Erase>: "), kw);
    if (rc != RTNORM && rc != RTNONE) return;
    bool keep = rc == RTNORM && kw[0] == 'K';
    AcDbDictionary* root = nullptr;
    Acad::ErrorStatus es = db->getNamedObjectsDictionary(root, AcDb::kForWrite);
    acutPrintf(ACRX_T("\n[dict] open root %s"), acadErrorStatusText(es));
    if (es != Acad::eOk) return;
    AcDbXrecord* x = new AcDbXrecord();
    resbuf* data = acutNewRb(1);
    data->resval.rstring = acutNewString(ACRX_T("taken out"));
    x->setFromRbChain(*data);
    acutRelRb(data);
    AcDbObjectId id;
    es = root->setAt(ACRX_T("EDTEST_OUT"), x, id);
    acutPrintf(ACRX_T("\n[dict] setAt %s"), acadErrorStatusText(es));
    x->close();
    AcDbObjectId removed;
    es = root->remove(ACRX_T("EDTEST_OUT"), removed);
    acutPrintf(ACRX_T("\n[dict] remove %s same=%hs has=%hs"), acadErrorStatusText(es), removed == id ? "yes" : "no",
               root->has(ACRX_T("EDTEST_OUT")) ? "yes" : "no");
    acutPrintf(ACRX_T("\n[dict] remove again %s"), acadErrorStatusText(root->remove(ACRX_T("EDTEST_OUT"))));
    root->close();
    AcDbObject* obj = nullptr;
    es = acdbOpenObject(obj, removed, AcDb::kForWrite);
    if (es == Acad::eOk) {
        acutPrintf(ACRX_T("\n[dict] owner is root %hs"), obj->ownerId() == db->namedObjectsDictionaryId() ? "yes" : "no");
        if (!keep) acutPrintf(ACRX_T("\n[dict] erase %s"), acadErrorStatusText(obj->erase()));
        obj->close();
    }
}

// Makes a table style and makes it current (setTablestyle).
void cmdTableStyle() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    AcDbDictionary* styles = nullptr;
    Acad::ErrorStatus es = db->getTableStyleDictionary(styles, AcDb::kForWrite);
    acutPrintf(ACRX_T("\n[tstyle] open styles %s"), acadErrorStatusText(es));
    if (es != Acad::eOk) return;
    AcDbTableStyle* style = new AcDbTableStyle();
    AcDbObjectId id;
    es = styles->setAt(ACRX_T("EdTestStyle"), style, id);
    acutPrintf(ACRX_T("\n[tstyle] setAt %s"), acadErrorStatusText(es));
    if (es == Acad::eOk) style->close();
    else delete style;
    styles->close();
    es = db->setTablestyle(id);
    acutPrintf(ACRX_T("\n[tstyle] setTablestyle %s current=%hs"), acadErrorStatusText(es),
               db->tablestyle() == id ? "yes" : "no");
}

struct CommandRow {
    const ACHAR* name;
    AcRxFunctionPtr fn;
};

// The current layer's name as the database hands it over and as the editor's CLAYER gives it:
// the two must be the same text, also for characters the narrow build's code page lacks.
void cmdLayerName() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    AcDbLayerTableRecord* layer = nullptr;
    if (!db || acdbOpenObject(layer, db->clayer(), AcDb::kForRead) != Acad::eOk) return;
    ACHAR* name = nullptr;
    layer->getName(name);
    layer->close();
    resbuf rb{};
    int rc = acedGetVar(ACRX_T("CLAYER"), &rb);
    acutPrintf(ACRX_T("\n[layer] database <%s>"), name ? name : ACRX_T(""));
    if (rc == RTNORM && rb.restype == RTSTR) {
        const bool same = name && std::basic_string_view<ACHAR>(name) == rb.resval.rstring;
        acutPrintf(ACRX_T("\n[layer] CLAYER <%s> %s"), rb.resval.rstring, same ? ACRX_T("same") : ACRX_T("different"));
        acutDelString(rb.resval.rstring);
    }
    acutDelString(name);
}

// Selections and variables while the module holds the block table, the current space and the
// current layer open for write, as a command that is changing them does.
void cmdSelectWhileOpen() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (!db) return;
    AcDbBlockTable* blocks = nullptr;
    AcDbObject* space = nullptr;
    AcDbObject* layer = nullptr;
    db->getBlockTable(blocks, AcDb::kForWrite);
    acdbOpenObject(space, db->currentSpaceId(), AcDb::kForWrite);
    acdbOpenObject(layer, db->clayer(), AcDb::kForWrite);
    acutPrintf(ACRX_T("\n[open] %d %d %d"), blocks != nullptr, space != nullptr, layer != nullptr);
    ads_name ss;
    int rc = acedSSGet(ACRX_T("X"), nullptr, nullptr, nullptr, ss);
    printCode("all", rc);
    if (rc == RTNORM) {
        listSelection(ss);
        acedSSFree(ss);
    }
    resbuf rb{};
    rc = acedGetVar(ACRX_T("CLAYER"), &rb);
    if (rc == RTNORM && rb.restype == RTSTR) {
        acutPrintf(ACRX_T("\n[clayer] <%s>"), rb.resval.rstring);
        acutDelString(rb.resval.rstring);
    } else {
        printCode("clayer", rc);
    }
    if (layer) layer->close();
    if (space) space->close();
    if (blocks) blocks->close();
}

const CommandRow kCommands[] = {
    {ACRX_T("TPRINT"), cmdPrint}, {ACRX_T("TKWORD"), cmdKword}, {ACRX_T("TPOINT"), cmdPoint},
    {ACRX_T("TPICK"), cmdPick},   {ACRX_T("TSEL"), cmdSelect},  {ACRX_T("TFILE"), cmdFile},
    {ACRX_T("TVAR"), cmdVar},     {ACRX_T("TDOCS"), cmdDocs},   {ACRX_T("TLIB"), cmdLib},
    {ACRX_T("TMSG"), cmdMsg},     {ACRX_T("TDUP"), cmdDup},     {ACRX_T("TDLG"), cmdDialog},
    {ACRX_T("TFILES"), cmdFiles}, {ACRX_T("TAUTO"), cmdAutomation}, {ACRX_T("TDICT"), cmdDictRemove},
    {ACRX_T("TTSTYLE"), cmdTableStyle}, {ACRX_T("TLAYER"), cmdLayerName}, {ACRX_T("TSELOPEN"), cmdSelectWhileOpen},
};

// --- LISP functions ---------------------------------------------------------------
int tsum() {
    long sum = 0;
    for (resbuf* a = acedGetArgs(); a; a = a->rbnext) {
        switch (a->restype) {
        case RTSHORT:
            sum += a->resval.rint;
            acutPrintf(ACRX_T("\n[tsum] short %d"), a->resval.rint);
            break;
        case RTLONG:
            sum += a->resval.rlong;
            acutPrintf(ACRX_T("\n[tsum] long %d"), static_cast<int>(a->resval.rlong));
            break;
        case RTREAL: acutPrintf(ACRX_T("\n[tsum] real %g"), a->resval.rreal); break;
        case RTSTR: acutPrintf(ACRX_T("\n[tsum] string <%s>"), a->resval.rstring); break;
        case RTNIL: acutPrintf(ACRX_T("\n[tsum] nil")); break;
        case RTT: acutPrintf(ACRX_T("\n[tsum] T")); break;
        case RTENAME: acutPrintf(ACRX_T("\n[tsum] entity %I64X"), a->resval.rlname[0]); break;
        default: acutPrintf(ACRX_T("\n[tsum] type %d"), a->restype); break;
        }
    }
    acedRetInt(static_cast<int>(sum));
    return RSRSLT;
}

// Called through kInvkSubrMsg (no direct call registered).
void tlocale() {
    acedGetArgs();
    acutPrintf(ACRX_T("\nGetSystemDefaultLCID=%0xh"), GetSystemDefaultLCID());
    acutPrintf(ACRX_T("\nGetThreadLocale=%0xh"), GetThreadLocale());
    SetThreadLocale(65561);
    acedRetVoid();
}

}  // namespace

// The module's resources: its dialog templates.
ARX_MODULE_EXPORT const ArxDialogTemplate* const ARX_DIALOG_RESOURCES[] = {&kOptions,
                                                                                                       nullptr};

ARX_MODULE_EXPORT int acrxGetApiVersion() {
    return EDTEST_API_VERSION;
}

ARX_MODULE_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* id) {
    if (msg < 0 || msg > 15) return AcRx::kRetOK;
    acutPrintf(ACRX_T("\n[edtest] %hs"), acrxMessageName(msg));
    switch (msg) {
    case AcRx::kInitAppMsg: {
        appId = id;
#ifdef EDTEST_FAIL_INIT
        return AcRx::kRetError;
#endif
        linker()->unlockApplication(id);
        linker()->registerAppMDIAware(id);
        for (const CommandRow& r : kCommands) commandStack()->addCommand(kGroup, r.name, r.name, ACRX_CMD_MODAL, r.fn);
        // The demand-load entry, as the cleanup module writes it.
        char16_t path[1024];
        DWORD n = GetModuleFileNameW(static_cast<HMODULE>(id), path, 1024);
        if (n > 0) {
            AcadAppInfo info;
            info.setAppName(ACRX_T("EdTest"));
            ACHAR module[1024];
            for (DWORD i = 0; i <= n; ++i) module[i] = static_cast<ACHAR>(path[i]);  // ASCII build paths
            info.setModuleName(module);
            info.setAppDesc(ACRX_T("EdTest"));
            info.setLoadReason(AcadAppInfo::kOnCommandInvocation);
            if (info.writeToRegistry() == AcadAppInfo::eOk) {
                info.writeCommandNameToRegistry(ACRX_T("TPRINT"), ACRX_T("TPRINT"));
                info.writeCommandNameToRegistry(ACRX_T("TDOCS"), ACRX_T("TDOCS"));
            } else {
                acutPrintf(ACRX_T("\n[edtest] registry not written"));
            }
        }
        break;
    }
    case AcRx::kUnloadAppMsg:
        commandStack()->removeGroup(kGroup);
        break;
    case AcRx::kLoadDwgMsg:
        acedDefun(ACRX_T("tsum"), 0);
        acedRegFunc(tsum, 0);
        acedDefun(ACRX_T("tlocale"), 1);
        break;
    case AcRx::kUnloadDwgMsg:
        acedUndef(ACRX_T("tsum"), 0);
        acedUndef(ACRX_T("tlocale"), 1);
        break;
    case AcRx::kInvkSubrMsg:
        if (acedGetFunCode() == 1) tlocale();
        break;
    default:
        break;
    }
    return AcRx::kRetOK;
}
