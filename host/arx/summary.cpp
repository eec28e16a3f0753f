// Drawing properties behind AcDbDatabaseSummaryInfo: a copy taken from the
// drawing (host/core/summary.h) and stored back as a whole.
#include "host/arx/internal.h"
#include "host/core/summary.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace arxhost {
struct SummaryState {
    AcDbDatabase* db = nullptr;
    hostcore::SummaryInfo info;
};
}  // namespace arxhost

namespace {

ErrorStatus get(const std::string& field, ACHAR*& text) {
    text = toHost(field);
    return Acad::eOk;
}

ErrorStatus set(std::string& field, const ACHAR* text) {
    if (!text) return Acad::eInvalidInput;
    field = toUtf8(text);
    return Acad::eOk;
}

int findKey(const hostcore::SummaryInfo& info, const ACHAR* key) {
    const std::string f = hostcore::foldName(toUtf8(key));
    for (std::size_t i = 0; i < info.custom.size(); ++i)
        if (hostcore::foldName(info.custom[i].first) == f) return static_cast<int>(i);
    return -1;
}

}  // namespace

AcDbDatabaseSummaryInfo::AcDbDatabaseSummaryInfo() : state_(new SummaryState) {}
AcDbDatabaseSummaryInfo::~AcDbDatabaseSummaryInfo() { delete state_; }

#define ARX_SUMMARY_FIELD(NAME, MEMBER)                                                                \
    ErrorStatus AcDbDatabaseSummaryInfo::get##NAME(ACHAR*& text) const { return get(state_->info.MEMBER, text); } \
    ErrorStatus AcDbDatabaseSummaryInfo::set##NAME(const ACHAR* text) { return set(state_->info.MEMBER, text); }

ARX_SUMMARY_FIELD(Title, title)
ARX_SUMMARY_FIELD(Subject, subject)
ARX_SUMMARY_FIELD(Author, author)
ARX_SUMMARY_FIELD(Keywords, keywords)
ARX_SUMMARY_FIELD(Comments, comments)
ARX_SUMMARY_FIELD(LastSavedBy, lastSavedBy)
ARX_SUMMARY_FIELD(RevisionNumber, revisionNumber)
ARX_SUMMARY_FIELD(HyperlinkBase, hyperlinkBase)

int AcDbDatabaseSummaryInfo::numCustomInfo() const { return static_cast<int>(state_->info.custom.size()); }

ErrorStatus AcDbDatabaseSummaryInfo::getCustomSummaryInfo(int index, ACHAR*& key, ACHAR*& value) const {
    key = value = nullptr;
    if (index < 0 || index >= numCustomInfo()) return Acad::eInvalidInput;
    const auto& kv = state_->info.custom[static_cast<std::size_t>(index)];
    key = toHost(kv.first);
    value = toHost(kv.second);
    return Acad::eOk;
}

ErrorStatus AcDbDatabaseSummaryInfo::getCustomSummaryInfo(const ACHAR* key, ACHAR*& value) const {
    value = nullptr;
    if (!key) return Acad::eInvalidInput;
    int i = findKey(state_->info, key);
    if (i < 0) return Acad::eKeyNotFound;
    value = toHost(state_->info.custom[static_cast<std::size_t>(i)].second);
    return Acad::eOk;
}

ErrorStatus AcDbDatabaseSummaryInfo::setCustomSummaryInfo(int index, const ACHAR* key, const ACHAR* value) {
    if (index < 0 || index >= numCustomInfo() || !key || !value) return Acad::eInvalidInput;
    state_->info.custom[static_cast<std::size_t>(index)] = {toUtf8(key), toUtf8(value)};
    return Acad::eOk;
}

ErrorStatus AcDbDatabaseSummaryInfo::addCustomSummaryInfo(const ACHAR* key, const ACHAR* value) {
    if (!key || !value) return Acad::eInvalidInput;
    state_->info.custom.emplace_back(toUtf8(key), toUtf8(value));
    return Acad::eOk;
}

ErrorStatus AcDbDatabaseSummaryInfo::deleteCustomSummaryInfo(int index) {
    if (index < 0 || index >= numCustomInfo()) return Acad::eInvalidInput;
    state_->info.custom.erase(state_->info.custom.begin() + index);
    return Acad::eOk;
}

ErrorStatus AcDbDatabaseSummaryInfo::deleteCustomSummaryInfo(const ACHAR* key) {
    if (!key) return Acad::eInvalidInput;
    int i = findKey(state_->info, key);
    if (i < 0) return Acad::eKeyNotFound;
    return deleteCustomSummaryInfo(i);
}

AcDbDatabase* AcDbDatabaseSummaryInfo::database() const {
    return isLiveDatabase(state_->db) ? state_->db : nullptr;
}

ErrorStatus acdbGetSummaryInfo(AcDbDatabase* db, AcDbDatabaseSummaryInfo*& info) {
    info = nullptr;
    if (!db) return Acad::eNullObjectPointer;
    AcDbDatabaseSummaryInfo* p = Access::newSummaryInfo();
    SummaryState& s = Access::state(p);
    s.db = db;
    s.info = hostcore::readSummaryInfo(*drawingOf(db));
    info = p;
    return Acad::eOk;
}

ErrorStatus acdbPutSummaryInfo(const AcDbDatabaseSummaryInfo* info) {
    if (!info) return Acad::eNullObjectPointer;
    AcDbDatabase* db = info->database();
    if (!db) return Acad::eNoDatabase;
    Drawing& d = *drawingOf(db);
    if (!d.rootDictionary && d.header.empty()) return Acad::eNoDatabase;
    hostcore::writeSummaryInfo(d, Access::state(info).info);
    // Records the core made for the properties belong to this database too.
    adoptEntries(d);
    return Acad::eOk;
}
