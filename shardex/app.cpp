// The module's frame: entry point, registration of the commands and LISP
// functions, the demand-load entry, and their removal on unload. The older
// build (ARX_NARROW) answers only the first five messages with fixed routines
// and registers two commands in a group of its own.
#include "host/aced.h"
#include "host/rxregsvc.h"
#include "platform/module.h"
#include "shardex.h"

using namespace shardex;

namespace {

AcEdCommandStack* commandStack() {
    return AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK));
}

AcRxDynamicLinker* dynamicLinker() {
    return AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER));
}

struct CommandRow {
    const ACHAR* group;
    const ACHAR* globalName;
    const ACHAR* localName;
    int32_t flags;
    AcRxFunctionPtr handler;
};

struct LispRow {
    short code;
    const ACHAR* name;
    int (*handler)();
};

#ifndef ARX_NARROW

const CommandRow kCommands[] = {
    {ACRX_T("Shardex"), ACRX_T("RemoveExtents"), ACRX_T("RemoveExtents"), ACRX_CMD_TRANSPARENT, removeExtentsCommand},
    {ACRX_T("Shardex"), ACRX_T("RemoveAllProxy"), ACRX_T("RemoveAllProxy"), ACRX_CMD_TRANSPARENT,
     removeAllProxyCommand},
    {ACRX_T("Shardex"), ACRX_T("ExplodeAllProxy"), ACRX_T("ExplodeAllProxy"), ACRX_CMD_TRANSPARENT,
     explodeAllProxyCommand},
};

const LispRow kLispFunctions[] = {
    {0, ACRX_T("explodeallproxyinblock"), explodeAllProxyInBlockLisp},
    {1, ACRX_T("shardexentity"), shardexEntityLisp},
};

// Command names of the demand-load entry, global then local.
const ACHAR* const kDemandCommands[][2] = {
    {ACRX_T("EXPLODEALLPROXY"), ACRX_T("EXPLODEALLPROXY")},
    {ACRX_T("REMOVEALLPROXY"), ACRX_T("REMOVEALLPROXY")},
    {ACRX_T("REMOVEEXTENTS"), ACRX_T("REMOVEEXTENTS")},
};

// The module's file name without folder and extension.
std::u16string baseName(const std::u16string& path) {
    std::size_t slash = path.find_last_of(u"/\\");
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of(u'.');
    return dot == std::u16string::npos ? name : name.substr(0, dot);
}

// The application object: one handler per host message, in message order
// (1 to 15, then 0), then the registration of server components.
class CShardexApp {
public:
    virtual ~CShardexApp() = default;

    HINSTANCE instance = nullptr;
    bool unlockOnInit = true;
    bool mdiAware = true;

    virtual AcRx::AppRetCode onInitApp(void* appId);
    virtual AcRx::AppRetCode onUnloadApp(void*);
    virtual AcRx::AppRetCode onLoadDwg(void*);
    virtual AcRx::AppRetCode onUnloadDwg(void*);
    virtual AcRx::AppRetCode onInvokeSubr(void*);
    virtual AcRx::AppRetCode onConfig(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onEnd(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onQuit(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onSave(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onDependency(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onNoDependency(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onOleUnloadApp(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onPreQuit(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onInitDialog(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onEndDialog(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onNull(void*) { return AcRx::kRetOK; }
    virtual void registerServerComponents() {}

    AcRx::AppRetCode handle(int code, void* appId) {
        using Handler = AcRx::AppRetCode (CShardexApp::*)(void*);
        static const Handler byCode[16] = {
            &CShardexApp::onNull,         &CShardexApp::onInitApp,      &CShardexApp::onUnloadApp,
            &CShardexApp::onLoadDwg,      &CShardexApp::onUnloadDwg,    &CShardexApp::onInvokeSubr,
            &CShardexApp::onConfig,       &CShardexApp::onEnd,          &CShardexApp::onQuit,
            &CShardexApp::onSave,         &CShardexApp::onDependency,   &CShardexApp::onNoDependency,
            &CShardexApp::onOleUnloadApp, &CShardexApp::onPreQuit,      &CShardexApp::onInitDialog,
            &CShardexApp::onEndDialog};
        return (this->*byCode[code])(appId);
    }

private:
    void writeDemandLoadEntry(const std::u16string& path);
};

void CShardexApp::writeDemandLoadEntry(const std::u16string& path) {
    std::u16string name = baseName(path);
    AcadAppInfo info;
    info.setAppName(name.c_str());
    info.setModuleName(path.c_str());
    info.setAppDesc(name.c_str());
    info.setLoadReason(AcadAppInfo::kOnCommandInvocation);
    if (info.writeToRegistry() != AcadAppInfo::eOk) {
        ACHAR text[2048];
        acutSPrintf(text, 2048, ACRX_T("Невозможно зарегистрировать приложение \"%s\""), path.c_str());
        MessageBoxW(adsw_acadMainWnd(), text, name.c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    for (const auto& command : kDemandCommands) info.writeCommandNameToRegistry(command[0], command[1]);
}

AcRx::AppRetCode CShardexApp::onInitApp(void* appId) {
    char16_t path[4096] = {0};
    DWORD length = GetModuleFileNameW(instance, path, 4096);
    std::u16string modulePath(path, length);
    // A failed registry write is reported and the module loads all the same.
    if (!modulePath.empty()) writeDemandLoadEntry(modulePath);
    instance = static_cast<HINSTANCE>(appId);
    if (AcRxDynamicLinker* linker = dynamicLinker()) {
        if (unlockOnInit) linker->unlockApplication(appId);
        if (mdiAware) linker->registerAppMDIAware(appId);
    }
    registerServerComponents();
    if (AcEdCommandStack* stack = commandStack())
        for (const CommandRow& row : kCommands)
            stack->addCommand(row.group, row.globalName, row.localName, row.flags, row.handler, nullptr, -1, instance,
                              nullptr);
    return AcRx::kRetOK;
}

AcRx::AppRetCode CShardexApp::onUnloadApp(void*) {
    if (AcEdCommandStack* stack = commandStack())
        for (const CommandRow& row : kCommands) stack->removeCmd(row.group, row.globalName);
    return AcRx::kRetOK;
}

AcRx::AppRetCode CShardexApp::onLoadDwg(void*) {
    for (const LispRow& row : kLispFunctions) {
        acedDefun(row.name, row.code);
        acedRegFunc(row.handler, row.code);
    }
    return AcRx::kRetOK;
}

AcRx::AppRetCode CShardexApp::onUnloadDwg(void*) {
    for (const LispRow& row : kLispFunctions) acedUndef(row.name, row.code);
    return AcRx::kRetOK;
}

AcRx::AppRetCode CShardexApp::onInvokeSubr(void*) {
    int code = acedGetFunCode();
    for (const LispRow& row : kLispFunctions)
        if (row.code == code) row.handler();
    return AcRx::kRetOK;
}

CShardexApp theApp;

#else  // the older build

const ACHAR* const kGroup = " SHARDEX";

const CommandRow kCommands[] = {
    {kGroup, "REMOVEALLPROXY", "REMOVEALLPROXY", ACRX_CMD_TRANSPARENT | ACRX_CMD_USEPICKSET, removeAllProxyCommand},
    {kGroup, "EXPLODEALLPROXY", "EXPLODEALLPROXY", ACRX_CMD_TRANSPARENT | ACRX_CMD_USEPICKSET,
     explodeAllProxyCommand},
};

const LispRow kLispFunctions[] = {
    {1, "shardexentity", shardexEntityLisp},
    {2, "explodeallproxyinblock", explodeAllProxyInBlockLisp},
};

void initApp(void* appId) {
    if (AcRxDynamicLinker* linker = dynamicLinker()) {
        linker->unlockApplication(appId);
        linker->registerAppMDIAware(appId);
    }
    if (AcEdCommandStack* stack = commandStack())
        for (const CommandRow& row : kCommands)
            stack->addCommand(row.group, row.globalName, row.localName, row.flags, row.handler, nullptr, -1, nullptr,
                              nullptr);
}

void unloadApp() {
    if (AcEdCommandStack* stack = commandStack()) stack->removeGroup(kGroup);
}

void loadDwg() {
    for (const LispRow& row : kLispFunctions) {
        if (acedDefun(row.name, row.code) != RTNORM) return;
        acedRegFunc(row.handler, row.code);
    }
}

void unloadDwg() {
    for (const LispRow& row : kLispFunctions) acedUndef(row.name, row.code);
}

void invokeSubr() {
    acedRetVoid();
    int code = acedGetFunCode();
    for (const LispRow& row : kLispFunctions)
        if (row.code == code) row.handler();
}

#endif

}  // namespace

ARX_MODULE_EXPORT int acrxGetApiVersion() {
#ifdef ARX_NARROW
    return 0xF0000;
#else
    return 0x190000;
#endif
}

ARX_MODULE_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* appId) {
    int code = static_cast<int>(msg);
#ifdef ARX_NARROW
    switch (code) {
    case AcRx::kInitAppMsg: initApp(appId); break;
    case AcRx::kUnloadAppMsg: unloadApp(); break;
    case AcRx::kLoadDwgMsg: loadDwg(); break;
    case AcRx::kUnloadDwgMsg: unloadDwg(); break;
    case AcRx::kInvkSubrMsg: invokeSubr(); break;
    default: break;
    }
    return AcRx::kRetOK;
#else
    if (code < 0 || code > 15) return AcRx::kRetOK;
    // The instance handle is known from the moment the host attaches the module.
    if (!theApp.instance) theApp.instance = static_cast<HINSTANCE>(appId);
    return theApp.handle(code, appId);
#endif
}
