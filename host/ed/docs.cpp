// Documents and the document manager. The working database of
// acdbHostApplicationServices always follows the current document.
#include <algorithm>
#include <cstdlib>

#include "host/ed/editor.h"

ARXED_DEFINE_MEMBERS(AcApDocument, AcRxObject)
ARXED_DEFINE_MEMBERS(AcApDocManager, AcRxObject)

AcApDocumentIterator::~AcApDocumentIterator() = default;

namespace arxed {

Document::~Document() = default;

namespace {

class Iterator : public AcApDocumentIterator {
public:
    Iterator() {
        for (auto& d : ed().documents) docs_.push_back(d.get());
    }
    bool done() const override { return i_ >= docs_.size(); }
    void step() override { ++i_; }
    AcApDocument* document() override { return done() ? nullptr : docs_[i_]; }

private:
    std::vector<Document*> docs_;
    std::size_t i_ = 0;
};

class Manager : public AcApDocManager {
public:
    AcApDocument* curDocument() const override { return ed().current; }
    AcApDocument* mdiActiveDocument() const override { return ed().current; }
    int documentCount() const override { return static_cast<int>(ed().documents.size()); }
    AcApDocumentIterator* newAcApDocumentIterator() override { return new Iterator(); }
    Acad::ErrorStatus setCurDocument(AcApDocument* doc) override {
        for (auto& d : ed().documents)
            if (d.get() == doc) {
                makeCurrent(d.get());
                return Acad::eOk;
            }
        return Acad::eInvalidInput;
    }
    void pushResourceHandle(HINSTANCE h) override {
        ed().resourceStack.push_back(ed().resourceHandle);
        ed().resourceHandle = h;
    }
    void popResourceHandle() override {
        if (ed().resourceStack.empty()) return;
        ed().resourceHandle = ed().resourceStack.back();
        ed().resourceStack.pop_back();
    }
};

std::string absolutePath(const std::string& p) {
    if (p.empty() || p[0] == '/') return p;
    char* real = realpath(p.c_str(), nullptr);
    if (real) {
        std::string r = real;
        free(real);
        return r;
    }
    return p;
}

}  // namespace

void makeCurrent(Document* doc) {
    ed().current = doc;
    acdbHostApplicationServices()->setWorkingDatabase(doc ? doc->db.get() : nullptr);
}

AcDbDatabase* workingDb() {
    return ed().current ? ed().current->db.get() : nullptr;
}

Document* openDocument(const std::string& path, std::string& error) {
    std::string full = absolutePath(path);
    for (auto& d : ed().documents)
        if (!d->path.empty() && d->path == full) {
            error = "the drawing is open already";
            return nullptr;
        }
    auto doc = std::make_unique<Document>();
    doc->db = std::make_unique<AcDbDatabase>(false, false);
    HostString hostPath = pathToHost(full);
    Acad::ErrorStatus es = doc->db->readDwgFile(hostPath.c_str());
    if (es != Acad::eOk) {
        std::string why = toUtf8(doc->db->lastErrorMessage());
        error = toUtf8(acadErrorStatusText(es));
        if (!why.empty()) error += ": " + why;
        return nullptr;
    }
    doc->path = full;
    doc->pathHost = hostPath;
    Document* d = doc.get();
    ed().documents.push_back(std::move(doc));
    makeCurrent(d);
    // Every loaded module learns of the new drawing with it current.
    sendToAll(AcRx::kLoadDwgMsg);
    return d;
}

Document* newDocument() {
    auto doc = std::make_unique<Document>();
    doc->db = std::make_unique<AcDbDatabase>(true, false);
    int n = 1;
    for (auto& d : ed().documents)
        if (d->path.empty()) ++n;
    doc->pathHost = fromUtf8("Drawing" + std::to_string(n) + ".dwg");
    Document* d = doc.get();
    ed().documents.push_back(std::move(doc));
    makeCurrent(d);
    sendToAll(AcRx::kLoadDwgMsg);
    return d;
}

void closeDocument(Document* doc) {
    if (!doc) return;
    Document* saved = ed().current;
    makeCurrent(doc);
    sendToAll(AcRx::kUnloadDwgMsg);
    auto& docs = ed().documents;
    auto it = std::find_if(docs.begin(), docs.end(), [&](auto& p) { return p.get() == doc; });
    if (it == docs.end()) return;
    // Selection sets of the drawing name its objects: they go with it.
    AcDbDatabase* db = doc->db.get();
    for (auto s = ed().selectionSets.begin(); s != ed().selectionSets.end();) {
        bool mine = !s->second.empty() && s->second.front().database() == db;
        s = mine ? ed().selectionSets.erase(s) : std::next(s);
    }
    std::unique_ptr<Document> owned = std::move(*it);
    docs.erase(it);
    if (saved == doc) saved = docs.empty() ? nullptr : docs.back().get();
    makeCurrent(saved);
}

}  // namespace arxed

AcApDocManager* acDocManagerPtr() {
    static arxed::Manager manager;
    return &manager;
}

HINSTANCE acedCurrentResourceHandle() {
    return arxed::ed().resourceHandle;
}

void acedSetCurrentResourceHandle(HINSTANCE resources) {
    arxed::ed().resourceHandle = resources;
}
