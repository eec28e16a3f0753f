// The automation stand-ins: one application with its documents' regeneration
// and the host's own toolbar set.
#include <string>
#include <vector>

#include "host/ed/editor.h"
#include "host/ui/acadauto.h"

namespace {

long references = 0;

// Objects live for the session; the counts only tell whether callers release
// what they take.
template <class Base>
class Counted : public Base {
public:
    HRESULT QueryInterface(const IID&, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    unsigned long AddRef() override {
        ++references;
        return static_cast<unsigned long>(++count_);
    }
    unsigned long Release() override {
        if (count_ > 0) {
            --count_;
            --references;
        }
        return static_cast<unsigned long>(count_);
    }

private:
    long count_ = 0;
};

bool indexOf(const VARIANT& v, long count, long& i) {
    if (v.vt == VT_I4) i = v.lVal;
    else if (v.vt == VT_I2) i = v.iVal;
    else return false;
    return i >= 0 && i < count;
}

class Toolbar : public Counted<IAcadToolbar> {
public:
    Toolbar(const char* name, bool visible) : name_(name), visible_(visible) {}
    HRESULT get_Name(const char** name) override {
        if (!name) return E_POINTER;
        *name = name_.c_str();
        return S_OK;
    }
    HRESULT get_Visible(VARIANT_BOOL* v) override {
        if (!v) return E_POINTER;
        *v = visible_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT put_Visible(VARIANT_BOOL v) override {
        visible_ = v != VARIANT_FALSE;
        return S_OK;
    }

private:
    std::string name_;
    bool visible_;
};

class Toolbars : public Counted<IAcadToolbars> {
public:
    std::vector<Toolbar*> items;
    HRESULT get_Count(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(items.size());
        return S_OK;
    }
    HRESULT Item(VARIANT index, IAcadToolbar** toolbar) override {
        if (!toolbar) return E_POINTER;
        *toolbar = nullptr;
        long i = 0;
        if (!indexOf(index, static_cast<long>(items.size()), i)) return E_INVALIDARG;
        items[static_cast<std::size_t>(i)]->AddRef();
        *toolbar = items[static_cast<std::size_t>(i)];
        return S_OK;
    }
};

class MenuGroup : public Counted<IAcadMenuGroup> {
public:
    explicit MenuGroup(const char* name) : name_(name) {}
    Toolbars toolbars;
    HRESULT get_Name(const char** name) override {
        if (!name) return E_POINTER;
        *name = name_.c_str();
        return S_OK;
    }
    HRESULT get_Toolbars(IAcadToolbars** t) override {
        if (!t) return E_POINTER;
        toolbars.AddRef();
        *t = &toolbars;
        return S_OK;
    }

private:
    std::string name_;
};

class MenuGroups : public Counted<IAcadMenuGroups> {
public:
    std::vector<MenuGroup*> items;
    HRESULT get_Count(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(items.size());
        return S_OK;
    }
    HRESULT Item(VARIANT index, IAcadMenuGroup** group) override {
        if (!group) return E_POINTER;
        *group = nullptr;
        long i = 0;
        if (!indexOf(index, static_cast<long>(items.size()), i)) return E_INVALIDARG;
        items[static_cast<std::size_t>(i)]->AddRef();
        *group = items[static_cast<std::size_t>(i)];
        return S_OK;
    }
};

class Document : public Counted<IAcadDocument> {
public:
    HRESULT Regen(int which) override {
        if (which != acActiveViewport && which != acAllViewports) return E_INVALIDARG;
        return arxed::workingDb() ? S_OK : E_FAIL;
    }
};

class Application : public Counted<IAcadApplication> {
public:
    Application() {
        // The host's own toolbar set: one menu group, a few toolbars, one hidden.
        static MenuGroup acad("ACAD");
        static Toolbar standard("Standard", true), draw("Draw", true), modify("Modify", true),
            dimension("Dimension", false);
        acad.toolbars.items = {&standard, &draw, &modify, &dimension};
        groups_.items = {&acad};
    }
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!(iid == IID_IAcadApplication)) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IAcadApplication*>(this);
        return S_OK;
    }
    HRESULT get_ActiveDocument(IAcadDocument** d) override {
        if (!d) return E_POINTER;
        *d = nullptr;
        if (!arxed::ed().current) return E_FAIL;
        document_.AddRef();
        *d = &document_;
        return S_OK;
    }
    HRESULT get_MenuGroups(IAcadMenuGroups** g) override {
        if (!g) return E_POINTER;
        groups_.AddRef();
        *g = &groups_;
        return S_OK;
    }

private:
    Document document_;
    MenuGroups groups_;
};

Application& application() {
    static Application app;
    return app;
}

}  // namespace

CCmdTarget::~CCmdTarget() = default;

IDispatch* CCmdTarget::GetIDispatch(BOOL addRef) {
    IDispatch* d = static_cast<IAcadApplication*>(&application());
    if (addRef) d->AddRef();
    return d;
}

CWinApp* acedGetAcadWinApp() {
    static CWinApp app;
    return &app;
}

long acedAutomationReferences() {
    return references;
}
