// The recoding module's entry: the application object that answers the host's
// messages, the command table, the host-release gate of the second name of the
// current-drawing command, and the LISP function "setlocalid".
#include "transkodo.h"
#include "host/aced.h"
#include "host/acrxapp.h"
#include "host/rxregsvc.h"
#include "platform/locale.h"
#include "walk/walk.h"

#ifdef ARX_NARROW
#include "host/ui/acui.h"
#define TRANSKODO_DEFAULT_API_VERSION 0x100000
#else
#define TRANSKODO_DEFAULT_API_VERSION 0x160000
#endif
// A test build may claim another host generation.
#ifndef TRANSKODO_API_VERSION
#define TRANSKODO_API_VERSION TRANSKODO_DEFAULT_API_VERSION
#endif

namespace {

const ACHAR* const kGroup = ACRX_T("Transkodo");

// One row of the command table.
struct CommandRow {
    const ACHAR* group;
    const ACHAR* globalName;
    const ACHAR* localName;
    int32_t flags;
    AcRxFunctionPtr handler;
    AcEdUIContext* uiContext;
    unsigned localNameId;  // a resource string for the local name (unused: every row has one)
};

#ifndef ARX_NARROW
const CommandRow kCommands[] = {
    {kGroup, ACRX_T("TranskodoFiles"), ACRX_T("TranskodoFiles"), ACRX_CMD_MODAL, transkodoFiles,
     nullptr, 0},
    {kGroup, ACRX_T("TranskodoStr"), ACRX_T("TranskodoStr"), ACRX_CMD_MODAL, transkodoStrings,
     nullptr, 0},
};
#else
const CommandRow kCommands[] = {
    {kGroup, ACRX_T("TranskodoStr"), ACRX_T("TranskodoStr"), ACRX_CMD_MODAL, transkodoStrings,
     nullptr, 0},
    {kGroup, ACRX_T("TranskodoFiles"), ACRX_T("TranskodoFiles"), ACRX_CMD_MODAL, transkodoFiles,
     nullptr, 0},
    {kGroup, ACRX_T("Transkodo"), ACRX_T("Transkodo"), ACRX_CMD_MODAL, transkodoCurrentDrawing,
     nullptr, 0},
};
#endif

AcEdCommandStack* commandStack() {
    return AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK));
}

AcRxDynamicLinker* dynamicLinker() {
    return AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER));
}

#ifndef ARX_NARROW
// The host's release as major * 10 + minor; below 18.2 the current-drawing
// command also answers to its older name.
constexpr int kReleaseWithoutSecondName = 182;

int hostRelease() {
    AcDbHostApplicationServices* services = acdbHostApplicationServices();
    return services->releaseMajorVersion() * 10 + services->releaseMinorVersion();
}

// "setlocalid": shows the system's and the thread's locale and makes the
// thread Russian (language 19h, neutral sublanguage, sort 1).
constexpr LCID kRussianLocale = 65561;

int setLocaleId() {
    acedGetArgs();  // whatever the caller passed is ignored
    acutPrintf(ACRX_T("\nGetSystemDefaultLCID=%0xh"), GetSystemDefaultLCID());
    acutPrintf(ACRX_T("\nGetThreadLocale=%0xh"), GetThreadLocale());
    SetThreadLocale(kRussianLocale);
    acedRetVoid();
    return RSRSLT;
}

struct LispRow {
    const ACHAR* name;
    int (*handler)();
    bool directCall;
};
const LispRow kLispFunctions[] = {{ACRX_T("setlocalid"), setLocaleId, true}};
constexpr int kLispCount = static_cast<int>(sizeof kLispFunctions / sizeof kLispFunctions[0]);
#endif

}  // namespace

// The application object: one handler per message code (1 to 15, then 0),
// then the registration of server components.
class CTranskodoApp {
  public:
    CTranskodoApp() = default;
    CTranskodoApp(const CTranskodoApp&) = delete;
    CTranskodoApp& operator=(const CTranskodoApp&) = delete;

    // The virtual operations in slot order (the destructor comes after them).
    virtual AcRx::AppRetCode On_kInitAppMsg(void* appId);
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void* appId);
    virtual AcRx::AppRetCode On_kLoadDwgMsg(void* appId);
    virtual AcRx::AppRetCode On_kUnloadDwgMsg(void* appId);
    virtual AcRx::AppRetCode On_kInvkSubrMsg(void* appId);
    virtual AcRx::AppRetCode On_kCfgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kSaveMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNoDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kOleUnloadAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kPreQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInitDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNullMsg(void*) { return AcRx::kRetOK; }
    virtual void RegisterServerComponents() {}
    virtual ~CTranskodoApp() = default;

    // Called once, when the module is attached (before its first message).
    void attach(HINSTANCE instance) {
        m_hdllInstance = instance;
#ifdef ARX_NARROW
        InitAcUiDLL();
#endif
    }
    bool attached() const {
        return m_hdllInstance != nullptr;
    }

    HINSTANCE m_hdllInstance = nullptr;
    bool m_bUnlocked = true;
    bool m_bMDIAware = true;
#ifndef ARX_NARROW
    AcRxDynPropManager* m_pDynPropManager = nullptr;
#endif
};

namespace {

CTranskodoApp theApp;

#ifdef ARX_NARROW
void* hostTable = nullptr;  // what the host handed to _SetacrxPtp
#endif

}  // namespace

HINSTANCE transkodoInstance() {
    return theApp.m_hdllInstance;
}

AcRx::AppRetCode CTranskodoApp::On_kInitAppMsg(void* appId) {
    m_hdllInstance = static_cast<HINSTANCE>(appId);
    AcRxDynamicLinker* linker = dynamicLinker();
    if (linker && m_bUnlocked) linker->unlockApplication(appId);
    if (linker && m_bMDIAware) linker->registerAppMDIAware(appId);
    RegisterServerComponents();
#ifndef ARX_NARROW
    m_pDynPropManager = new AcRxDynPropManager();
#endif
    if (AcEdCommandStack* stack = commandStack()) {
        for (const CommandRow& row : kCommands)
            stack->addCommand(row.group, row.globalName, row.localName, row.flags, row.handler,
                              row.uiContext, -1, m_hdllInstance);
#ifndef ARX_NARROW
        stack->addCommand(kGroup, ACRX_T("TranskodoCP"), ACRX_T("TranskodoCP"), ACRX_CMD_MODAL,
                          transkodoCurrentDrawing, nullptr, -1, nullptr);
        if (hostRelease() < kReleaseWithoutSecondName)
            stack->addCommand(kGroup, ACRX_T("Transkodo"), ACRX_T("Transkodo"), ACRX_CMD_MODAL,
                              transkodoCurrentDrawing, nullptr, -1, nullptr);
#endif
    }
    return AcRx::kRetOK;
}

AcRx::AppRetCode CTranskodoApp::On_kUnloadAppMsg(void*) {
#ifndef ARX_NARROW
    delete m_pDynPropManager;
    m_pDynPropManager = nullptr;
#endif
    if (AcEdCommandStack* stack = commandStack()) {
        for (const CommandRow& row : kCommands)
            stack->removeCmd(row.group, row.globalName);
#ifndef ARX_NARROW
        stack->removeCmd(kGroup, ACRX_T("TranskodoCP"));
        if (hostRelease() < kReleaseWithoutSecondName)
            stack->removeCmd(kGroup, ACRX_T("Transkodo"));
#endif
    }
    // The options start from their defaults when the module is loaded again.
    recodeOptions = RecodeOptions();
    return AcRx::kRetOK;
}

AcRx::AppRetCode CTranskodoApp::On_kLoadDwgMsg(void*) {
#ifndef ARX_NARROW
    for (int i = 0; i < kLispCount; ++i) {
        acedDefun(kLispFunctions[i].name, static_cast<short>(i));
        if (kLispFunctions[i].directCall) acedRegFunc(kLispFunctions[i].handler, i);
    }
#endif
    return AcRx::kRetOK;
}

AcRx::AppRetCode CTranskodoApp::On_kUnloadDwgMsg(void*) {
#ifndef ARX_NARROW
    for (int i = 0; i < kLispCount; ++i)
        acedUndef(kLispFunctions[i].name, static_cast<short>(i));
#endif
    return AcRx::kRetOK;
}

AcRx::AppRetCode CTranskodoApp::On_kInvkSubrMsg(void*) {
    int code = acedGetFunCode();
#ifndef ARX_NARROW
    if (code >= 0 && code < kLispCount) kLispFunctions[code].handler();
#else
    (void)code;
#endif
    return AcRx::kRetOK;
}

namespace {

using Handler = AcRx::AppRetCode (CTranskodoApp::*)(void*);

// The handler of each message code, by code.
const Handler kHandlers[16] = {
    &CTranskodoApp::On_kNullMsg,         &CTranskodoApp::On_kInitAppMsg,
    &CTranskodoApp::On_kUnloadAppMsg,    &CTranskodoApp::On_kLoadDwgMsg,
    &CTranskodoApp::On_kUnloadDwgMsg,    &CTranskodoApp::On_kInvkSubrMsg,
    &CTranskodoApp::On_kCfgMsg,          &CTranskodoApp::On_kEndMsg,
    &CTranskodoApp::On_kQuitMsg,         &CTranskodoApp::On_kSaveMsg,
    &CTranskodoApp::On_kDependencyMsg,   &CTranskodoApp::On_kNoDependencyMsg,
    &CTranskodoApp::On_kOleUnloadAppMsg, &CTranskodoApp::On_kPreQuitMsg,
    &CTranskodoApp::On_kInitDialogMsg,   &CTranskodoApp::On_kEndDialogMsg,
};

}  // namespace

ARX_MODULE_EXPORT int acrxGetApiVersion() {
    return TRANSKODO_API_VERSION;
}

ARX_MODULE_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* appId) {
    int code = static_cast<int>(msg);
    if (code < 0 || code > 15) return AcRx::kRetOK;
    // The host hands the module's handle with every message: the first one
    // attaches the module.
    if (!theApp.attached()) theApp.attach(static_cast<HINSTANCE>(appId));
    return (theApp.*kHandlers[code])(appId);
}

#ifdef ARX_NARROW
ARX_MODULE_EXPORT void _SetacrxPtp(void* table) {
    hostTable = table;
}
#endif
