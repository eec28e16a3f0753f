// Documents: each open drawing of the editor, and the manager that holds them.
#pragma once

#include "host/dbmain.h"
#include "host/edexport.h"
#include "platform/module.h"

class ARXED_API AcApDocument : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocument);
    // Full path of the drawing's file ("" for a drawing never saved).
    virtual const ACHAR* fileName() const = 0;
    virtual AcDbDatabase* database() const = 0;
};

class ARXED_API AcApDocumentIterator {
public:
    virtual ~AcApDocumentIterator();
    virtual bool done() const = 0;
    virtual void step() = 0;
    virtual AcApDocument* document() = 0;
};

class ARXED_API AcApDocManager : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocManager);
    virtual AcApDocument* curDocument() const = 0;
    virtual AcApDocument* mdiActiveDocument() const = 0;
    virtual int documentCount() const = 0;
    // Walks the open documents; deleted by its caller.
    virtual AcApDocumentIterator* newAcApDocumentIterator() = 0;
    virtual Acad::ErrorStatus setCurDocument(AcApDocument* doc) = 0;
    // Makes a module's resources current for a while (see AfxSetResourceHandle).
    virtual void pushResourceHandle(HINSTANCE resourceHandle) = 0;
    virtual void popResourceHandle() = 0;
};

ARXED_API AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()

// The resources current for dialogs (the module handle whose templates
// CDialog looks up); null: the host's own. The user-interface library and the
// document manager's push and pop share it.
ARXED_API HINSTANCE acedCurrentResourceHandle();
ARXED_API void acedSetCurrentResourceHandle(HINSTANCE resources);
