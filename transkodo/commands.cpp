// The recoding commands: the working drawing ("TranskodoCP", "Transkodo"), a
// batch of drawing files ("TranskodoFiles") and single picked texts
// ("TranskodoStr").
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "host/acdocman.h"
#include "host/aced.h"
#include "host/dbents.h"
#include "host/ui/acadauto.h"
#include "host/ui/afxwin.h"
#ifndef ARX_NARROW
#include "host/dbmleader.h"
#include "host/dbtable.h"
#endif
#include "recode/recode.h"
#include "transkodo.h"
#include "walk/walk.h"

namespace {

// --- screen refresh ------------------------------------------------------------------
// An automation call of the older build's toolbar refresh that failed; it
// ends the command.
struct AutomationFailure {
    HRESULT hr;
};

// Holds one automation interface pointer and releases it when it goes.
template <class T>
class Held {
  public:
    Held() = default;
    explicit Held(T* p) : p_(p) {}
    ~Held() {
        if (p_) p_->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// The host application's automation object, or null; released by the caller.
IAcadApplication* automationApplication() {
    CWinApp* winApp = acedGetAcadWinApp();
    Held<IDispatch> dispatch(winApp ? winApp->GetIDispatch(TRUE) : nullptr);
    if (!dispatch) return nullptr;
    IAcadApplication* app = nullptr;
    if (FAILED(dispatch->QueryInterface(IID_IAcadApplication, reinterpret_cast<void**>(&app))))
        app = nullptr;
    return app;
}

VARIANT indexVariant(long index) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = static_cast<int32_t>(index);
    return v;
}

// Hides and shows again every visible toolbar of every menu group, so that
// the host draws them anew. The newer build skips an item it cannot fetch and
// ends a level whose collection it cannot fetch; the older one (`raise`) gives
// up at the first failing call with an AutomationFailure.
void refreshToolbarsOf(IAcadApplication* app, bool raise) {
    auto ok = [raise](HRESULT hr) {
        if (FAILED(hr) && raise) throw AutomationFailure{hr};
        return SUCCEEDED(hr);
    };
    Held<IAcadMenuGroups> groups;
    long groupCount = 0;
    if (!ok(app->get_MenuGroups(groups.out())) || !groups || !ok(groups->get_Count(&groupCount)))
        return;
    for (long g = 0; g < groupCount; ++g) {
        Held<IAcadMenuGroup> group;
        if (!ok(groups->Item(indexVariant(g), group.out())) || !group) continue;
        Held<IAcadToolbars> toolbars;
        long barCount = 0;
        if (!ok(group->get_Toolbars(toolbars.out())) || !toolbars ||
            !ok(toolbars->get_Count(&barCount)))
            continue;
        for (long t = 0; t < barCount; ++t) {
            Held<IAcadToolbar> bar;
            if (!ok(toolbars->Item(indexVariant(t), bar.out())) || !bar) continue;
            VARIANT_BOOL visible = VARIANT_FALSE;
            if (ok(bar->get_Visible(&visible)) && visible == VARIANT_TRUE) {
                bar->put_Visible(VARIANT_FALSE);
                bar->put_Visible(VARIANT_TRUE);
            }
        }
    }
}

#ifndef ARX_NARROW
// Regenerates every viewport through the automation object; where that road
// fails, through ads_regen.
void regenerate() {
    bool done = false;
    try {
        Held<IAcadApplication> app(automationApplication());
        Held<IAcadDocument> doc;
        if (app && SUCCEEDED(app->get_ActiveDocument(doc.out())) && doc)
            done = SUCCEEDED(doc->Regen(acAllViewports));
    } catch (...) {
        done = false;
    }
    if (!done) ads_regen();
}

void refreshToolbars() {
    try {
        Held<IAcadApplication> app(automationApplication());
        if (app) refreshToolbarsOf(app.get(), false);
    } catch (...) {
    }
}
#else
// False when an automation call failed; the failure is reported.
bool refreshToolbars() {
    Held<IAcadApplication> app(automationApplication());
    if (!app) {
        acutPrintf(ACRX_T("\nОшибка автоматизации: объект приложения недоступен."));
        return false;
    }
    try {
        refreshToolbarsOf(app.get(), true);
    } catch (const AutomationFailure& failure) {
        acutPrintf(ACRX_T("\nОшибка автоматизации: код %0xh."), static_cast<unsigned>(failure.hr));
        return false;
    }
    return true;
}
#endif

// --- paths ---------------------------------------------------------------------------
using HostString = std::basic_string<ACHAR>;

// A path with every backslash made a forward slash and its letters folded to
// lower case (Latin and Cyrillic), for comparing the spellings of one path.
HostString comparable(const ACHAR* path) {
    HostString s(path ? path : ACRX_T(""));
    for (ACHAR& c : s) {
        if (c == ACHAR('\\')) c = ACHAR('/');
#ifdef ARX_NARROW
        unsigned char b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF))
            c = static_cast<char>(b + 0x20);
        else if (b == 0xA8)
            c = static_cast<char>(0xB8);  // Ё
#else
        if ((c >= u'A' && c <= u'Z') || (c >= u'А' && c <= u'Я'))
            c = static_cast<char16_t>(c + 0x20);
        else if (c >= u'Ѐ' && c <= u'Џ')
            c = static_cast<char16_t>(c + 0x50);
#endif
    }
    return s;
}

std::filesystem::path fileSystemPath(const ACHAR* path) {
#ifdef ARX_NARROW
    std::u16string wide;
    for (const char* p = path; *p; ++p) {
        char16_t unit = 0;
        MultiByteToWideChar(CP_ACP, 0, p, 1, &unit, 1);
        wide += unit;
    }
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(std::u16string(path));
#endif
}

// Whether a document's file is the chosen path: the same text once slashes
// and letter case are set aside, or another name of the same file (a link, a
// "./" or ".." on the way).
bool samePath(const ACHAR* documentPath, const ACHAR* chosen) {
    if (!documentPath || !*documentPath) return false;
    if (comparable(documentPath) == comparable(chosen)) return true;
    try {
        std::error_code ec;
        bool same =
            std::filesystem::equivalent(fileSystemPath(documentPath), fileSystemPath(chosen), ec);
        return !ec && same;
    } catch (const std::exception&) {
        return false;  // a name the file system cannot spell names no open file
    }
}

// The drawing of the open document whose file is `path`, or null.
AcDbDatabase* openDrawingOf(const ACHAR* path) {
    AcApDocManager* manager = acDocManagerPtr();
    if (!manager) return nullptr;
    AcApDocumentIterator* it = manager->newAcApDocumentIterator();
    AcDbDatabase* found = nullptr;
    for (; it && !it->done(); it->step()) {
        AcApDocument* doc = it->document();
        if (doc && samePath(doc->fileName(), path)) {
            found = doc->database();
            break;
        }
    }
    delete it;
    return found;
}

// Reads a drawing file, recodes it and saves it over itself. A file that
// cannot be read is passed over in silence; a failed save is reported, and
// the file stays as it was.
void recodeFile(const ACHAR* path) {
    AcDbDatabase* db = new AcDbDatabase(false, false);
    passDatabase = db;
#ifndef ARX_NARROW
    constexpr int kShareDenyNone = 1;  // read, others may read too
    Acad::ErrorStatus es = db->readDwgFile(path, kShareDenyNone, false, nullptr);
#else
    constexpr int kShareDenyWrite = 0x20;  // others may not write meanwhile
    Acad::ErrorStatus es = db->readDwgFile(path, kShareDenyWrite, false, nullptr);
#endif
    if (es != Acad::eOk) {
        delete db;
        passDatabase = nullptr;
        return;
    }
    recodeDrawing(db);
#ifndef ARX_NARROW
    constexpr auto kFormat = static_cast<AcDb::AcDbDwgVersion>(33);
    es = db->saveAs(path, true, kFormat, nullptr);
#else
    es = db->saveAs(path);
#endif
    if (es != Acad::eOk) {
        // The status, and what the host says of the cause when it says something.
        const ACHAR* why = db->lastErrorMessage();
        if (why && *why)
            acutPrintf(ACRX_T("\nОшибка при сохранении файла <%s>: %s (%s)"), path,
                       acadErrorStatusText(es), why);
        else
            acutPrintf(ACRX_T("\nОшибка при сохранении файла <%s>: %s"), path,
                       acadErrorStatusText(es));
    }
    delete db;
    passDatabase = nullptr;
}

// --- single texts ----------------------------------------------------------------------
// Recodes the entity by what it is. `wholeBlock`: a block reference also gets
// the contents of its block definition recoded (the selection step). False
// when the entity cannot be opened.
bool recodeEntity(AcDbObjectId id, bool wholeBlock) {
    AcDbObject* obj = nullptr;
    if (acdbOpenObject(obj, id, AcDb::kForRead) != Acad::eOk || !obj) return false;
    void (*converter)(AcDbObjectId) = nullptr;
    AcDbObjectId blockId;
    if (obj->isKindOf(AcDbAttribute::desc()))
        converter = recodeAttribute;
    else if (obj->isKindOf(AcDbAttributeDefinition::desc()))
        converter = recodeAttributeDefinition;
    else if (obj->isKindOf(AcDbText::desc()))
        converter = recodeText;
    else if (obj->isKindOf(AcDbMText::desc()))
        converter = recodeMText;
#ifndef ARX_NARROW
    else if (obj->isKindOf(AcDbMLeader::desc()))
        converter = recodeMLeader;
    else if (obj->isKindOf(AcDbTable::desc()))
        converter = recodeTable;
#endif
    else if (AcDbBlockReference* ref = AcDbBlockReference::cast(obj)) {
        converter = recodeBlockReferenceAttributes;
        if (wholeBlock) blockId = ref->blockTableRecord();
    }
    obj->close();
    if (!blockId.isNull()) recodeBlockDefinition(blockId);
    if (converter) converter(id);
    return true;
}

// One pick: the picked entity is recoded, the outermost block reference that
// holds it (or the entity itself) is redrawn.
void pickStep(const ads_name picked, resbuf* containers) {
    AcDbObjectId id;
    acdbGetObjectId(id, picked);
    ads_name update = {picked[0], picked[1]};
    for (resbuf* node = containers; node && node->restype == RTENAME; node = node->rbnext) {
        update[0] = node->resval.rlname[0];
        update[1] = node->resval.rlname[1];
    }
    if (recodeEntity(id, false)) acdbEntUpd(update);
    if (containers) acutRelRb(containers);
}

// The host's ordinary selection; every member recoded by what it is.
void selectionStep() {
    ads_name ss;
    if (acedSSGet(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return;
    int32_t length = 0;
    acedSSLength(ss, &length);
    for (int32_t i = 0; i < length; ++i) {
        ads_name member;
        if (acedSSName(ss, i, member) != RTNORM) continue;
        AcDbObjectId id;
        if (acdbGetObjectId(id, member) != Acad::eOk) continue;
        if (recodeEntity(id, true)) acdbEntUpd(member);
    }
    acedSSFree(ss);
}

// The prompt loop of "TranskodoStr": picks, or a typed word for a selection,
// until a cancel, a rejected input or an input error other than a missed pick.
void promptLoop() {
    for (;;) {
        acedInitGet(RSG_OTHER, ACRX_T("В S _ S S"));
        ads_name picked;
        ads_point point;
        ads_matrix transform;
        resbuf* containers = nullptr;
        int rc =
            acedNEntSelP(ACRX_T("\nУкажите строку для конвертации [Выбор средствами AutoCAD]: "),
                         picked, point, 0, transform, &containers);
        if (rc == RTNORM) {
            pickStep(picked, containers);
            continue;
        }
        if (containers) acutRelRb(containers);
        if (rc == RTKWORD) {
            selectionStep();
            continue;
        }
        if (rc == RTCAN || rc == RTREJ) return;
        resbuf* errnoValue = acutNewRb(RTSHORT);
        acedGetVar(ACRX_T("ERRNO"), errnoValue);
        int value = errnoValue->resval.rint;
        acutRelRb(errnoValue);
        if (value != OL_ENTSELPICK) return;
    }
}

}  // namespace

void transkodoCurrentDrawing() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (!db) return;
    passDatabase = db;
    if (!showOptionsDialog()) return;
    recodeDrawing(db);
#ifndef ARX_NARROW
    regenerate();
    acedUpdateDisplay();
    refreshToolbars();
#else
    if (recodeOptions.recodeSymbolTables || recodeOptions.recodeTextEntities ||
        recodeOptions.recodeExtendedData) {
        ads_regen();
        acedUpdateDisplay();
        if (!refreshToolbars()) return;
        acutPrintf(ACRX_T("\nКонвертация выполнена!"));
    } else {
        acutPrintf(ACRX_T("\nКонвертировать нечего!"));
    }
#endif
}

void transkodoFiles() {
    if (!showOptionsDialog()) return;
    constexpr DWORD kFileBufferSize = 256000;
#ifndef ARX_NARROW
    constexpr DWORD kStructSize = 88;
#else
    constexpr DWORD kStructSize = 76;  // the older dialog structure
#endif
    constexpr DWORD kFlags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY |
                             OFN_NOREADONLYRETURN | OFN_EXPLORER | OFN_LONGNAMES;  // 0x289204
    std::vector<ACHAR> names(kFileBufferSize + 1, ACHAR(0));
    CFileDialog dlg(TRUE, ACRX_T("dwg"), nullptr, kFlags,
                    ACRX_T("Чертежи AutoCAD (*.dwg)|*.dwg|Все файлы (*.*)|*.*||"), nullptr, 0,
                    TRUE);
    dlg.m_ofn.lpstrFile = names.data();
    dlg.m_ofn.nMaxFile = kFileBufferSize;
    dlg.m_ofn.lStructSize = kStructSize;
    if (dlg.DoModal() != IDOK) return;
    for (POSITION pos = dlg.GetStartPosition(); pos;) {
        CString path = dlg.GetNextPathName(pos);
        acutPrintf(ACRX_T("\n----Конвертируется файл------<%s>-----"), path.GetString());
        if (AcDbDatabase* open = openDrawingOf(path)) {
            recodeDrawing(open);
            continue;
        }
        recodeFile(path);
    }
}

void transkodoStrings() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (!db) return;
    passDatabase = db;
#ifndef ARX_NARROW
    LayerLockKeeper layers(db);
#endif
    if (!showDirectionDialog()) return;
    promptLoop();
}
