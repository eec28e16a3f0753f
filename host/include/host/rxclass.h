// Run-time classes: every object of the interface can tell its class, and the
// classes form one tree rooted at AcRxObject.
#pragma once

#include "host/arxexport.h"

class ARXHOST_API AcRxClass {
public:
    AcRxClass(const ACHAR* name, AcRxClass* parent, const char* dxfName = nullptr);
    AcRxClass(const AcRxClass&) = delete;
    AcRxClass& operator=(const AcRxClass&) = delete;

    const ACHAR* name() const { return name_; }
    AcRxClass* myParent() const { return parent_; }
    // DXF record type of the class's objects ("LAYER"), or null.
    const char* dxfName() const { return dxfName_; }
    // True when this class is `other` or derives from it.
    bool isDerivedFrom(const AcRxClass* other) const;

private:
    const ACHAR* name_;
    AcRxClass* parent_;
    const char* dxfName_;
};

// Declares the class-tree members of a class.
#define ACRX_DECLARE_MEMBERS(CLASS)                                                        \
    static AcRxClass* desc();                                                              \
    static CLASS* cast(const AcRxObject* p) {                                              \
        return (p != nullptr && p->isKindOf(CLASS::desc()))                                \
                   ? const_cast<CLASS*>(static_cast<const CLASS*>(p))                      \
                   : nullptr;                                                              \
    }                                                                                      \
    AcRxClass* isA() const override

class ARXHOST_API AcRxObject {
public:
    AcRxObject() = default;
    virtual ~AcRxObject();
    AcRxObject(const AcRxObject&) = delete;
    AcRxObject& operator=(const AcRxObject&) = delete;

    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* p) { return const_cast<AcRxObject*>(p); }
    virtual AcRxClass* isA() const;
    bool isKindOf(const AcRxClass* c) const { return c != nullptr && isA()->isDerivedFrom(c); }
};
