// Registration services: the system registry, the command stack, the dynamic
// linker, message codes of the module entry point and the demand-load entry.
#pragma once

#include <cstdint>

#include "host/acadstrc.h"
#include "host/edexport.h"
#include "host/rxclass.h"
#include "platform/module.h"

namespace AcRx {

// Messages the host sends to a module's acrxEntryPoint.
enum AppMsgCode {
    kNullMsg = 0,
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
    kInvkSubrMsg = 5,
    kCfgMsg = 6,
    kEndMsg = 7,
    kQuitMsg = 8,
    kSaveMsg = 9,
    kDependencyMsg = 10,
    kNoDependencyMsg = 11,
    kOleUnloadAppMsg = 12,
    kPreQuitMsg = 13,
    kInitDialogMsg = 14,
    kEndDialogMsg = 15,
};

enum AppRetCode { kRetOK = 0, kRetError = 3 };

}  // namespace AcRx

// The host's text for a message code ("kInitAppMsg"), "kUnknownMsg" otherwise.
ARXED_API const char* acrxMessageName(int code);

// What a module exports, with C linkage:
//   AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* appId);
//   int acrxGetApiVersion();   // 0xMM0000: MM is the host release the module targets
// appId is the module's handle (HMODULE) as the host loaded it.
typedef AcRx::AppRetCode (*AcRxEntryPointFn)(AcRx::AppMsgCode msg, void* appId);
typedef int (*AcRxApiVersionFn)();

// --- System registry ---------------------------------------------------------
// A dictionary of named service objects. The host owns what it holds.
class ARXED_API AcRxDictionary : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDictionary);
    // The object filed under key, or null.
    virtual AcRxObject* at(const ACHAR* key) const = 0;
};

ARXED_API AcRxDictionary* acrxSysRegistry();

#define ACRX_COMMAND_DOCK ACRX_T("ACAD_REGISTERED_COMMANDS")
#define ACRX_DYNAMIC_LINKER ACRX_T("DynamicLinker")

// --- Command stack ----------------------------------------------------------
#define ACRX_CMD_MODAL 0x00000000
#define ACRX_CMD_TRANSPARENT 0x00000001
#define ACRX_CMD_USEPICKSET 0x00000002
#define ACRX_CMD_REDRAW 0x00000004
#define ACRX_CMD_NOMULTIPLE 0x00000008
#define ACRX_CMD_SESSION 0x00200000

typedef void (*AcRxFunctionPtr)();
class AcEdUIContext;
class AcEdCommand;

class ARXED_API AcEdCommandStack : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcEdCommandStack);
    // Adds a command. eDuplicateKey when the group already has a command of
    // that global or local name, eInvalidInput for an empty name or no handler.
    virtual Acad::ErrorStatus addCommand(const ACHAR* groupName, const ACHAR* globalName,
                                         const ACHAR* localName, int32_t commandFlags,
                                         AcRxFunctionPtr function, AcEdUIContext* uiContext = nullptr,
                                         int fcode = -1, HINSTANCE resourceHandle = nullptr,
                                         AcEdCommand** cmdPtrRet = nullptr) = 0;
    // eKeyNotFound when the group has no such command.
    virtual Acad::ErrorStatus removeCmd(const ACHAR* groupName, const ACHAR* globalName) = 0;
    virtual Acad::ErrorStatus removeGroup(const ACHAR* groupName) = 0;
    // The command of that global (or, when !global, local) name, or null.
    virtual AcEdCommand* lookupCmd(const ACHAR* cmdName, bool globalFlag) = 0;
};

class ARXED_API AcEdCommand : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcEdCommand);
    virtual const ACHAR* globalName() const = 0;
    virtual const ACHAR* localName() const = 0;
    virtual int32_t commandFlags() const = 0;
    virtual AcRxFunctionPtr functionAddr() const = 0;
    virtual HINSTANCE resourceHandle() const = 0;
};

// --- Dynamic linker -----------------------------------------------------------
class ARXED_API AcRxDynamicLinker : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDynamicLinker);
    // Allows the module (its appId) to be unloaded later.
    virtual bool unlockApplication(void* appId) const = 0;
    virtual bool lockApplication(void* appId) const = 0;
    virtual bool isApplicationLocked(const ACHAR* name) const = 0;
    // Declares the module able to work with several open documents.
    virtual bool registerAppMDIAware(void* appId) const = 0;
    virtual bool registerAppNotMDIAware(void* appId) const = 0;
    // Loads or unloads a module file; printit prints the host's messages.
    virtual bool loadModule(const ACHAR* fileName, bool printit, bool asCmd = false) = 0;
    virtual bool unloadModule(const ACHAR* fileName, bool printit, bool asCmd = false) = 0;
};

// --- Demand loading -----------------------------------------------------------
// One application's entry in the per-user registry file of the host.
class ARXED_API AcadAppInfo {
public:
    enum LoadReasons {
        kOnProxyDetection = 0x01,
        kOnAutoCADStartup = 0x02,
        kOnCommandInvocation = 0x04,
        kOnLoadRequest = 0x08,
        kLoadDisabled = 0x10,
        kTransparentlyLoadable = 0x20,
    };
    enum appInfoReturnCode { eOk = 0, eNoAppName = 1, eRegistryWriteFailed = 2, eModuleNotFound = 3 };

    AcadAppInfo();
    ~AcadAppInfo();
    AcadAppInfo(const AcadAppInfo&) = delete;
    AcadAppInfo& operator=(const AcadAppInfo&) = delete;

    void setAppName(const ACHAR* name);
    const ACHAR* appName() const;
    void setModuleName(const ACHAR* path);
    const ACHAR* moduleName() const;
    void setAppDesc(const ACHAR* text);
    const ACHAR* appDesc() const;
    void setLoadReason(LoadReasons reasons);
    LoadReasons loadReason() const;

    // Writes the entry (name, module, description, load reason) to the
    // registry file. eNoAppName without a name, eRegistryWriteFailed when the
    // file cannot be written.
    appInfoReturnCode writeToRegistry();
    // Adds a command of the application to its entry (written at once).
    appInfoReturnCode writeCommandNameToRegistry(const ACHAR* globalName, const ACHAR* localName);
    // Reads the entry of appName() back; eNoAppName when it is not there.
    appInfoReturnCode readFromRegistry();

private:
    struct State;
    State* state_;
};
