// Drawing properties behind AcDbDatabaseSummaryInfo: a copy taken from the
// drawing (host/core/summary.h) and stored back as a whole.
#include "host/summinfo.h"

#include "host/arx/internal.h"
#include "host/core/summary.h"

namespace arxhost {
struct SummaryState {
    AcDbDatabase* db = nullptr;
    hostcore::SummaryInfo info;
};
}  // namespace arxhost

using arxhost::toHost;
using arxhost::toUtf8;

namespace {
Acad::ErrorStatus get(const std::string& value, ACHAR*& out) {
    out = toHost(value);
    return Acad::eOk;
}
Acad::ErrorStatus set(std::string& value, const ACHAR* in) {
    if (!in) return Acad::eInvalidInput;
    value = toUtf8(in);
    return Acad::eOk;
}
}  // namespace

AcDbDatabaseSummaryInfo::AcDbDatabaseSummaryInfo() : state_(std::make_unique<arxhost::SummaryState>()) {}
AcDbDatabaseSummaryInfo::~AcDbDatabaseSummaryInfo() = default;

#define ARX_SUMMARY_FIELD(Name, member)                                              \
    Acad::ErrorStatus AcDbDatabaseSummaryInfo::get##Name(ACHAR*& v) const {        \
        return get(state_->info.member, v);                                          \
    }                                                                                \
    Acad::ErrorStatus AcDbDatabaseSummaryInfo::set##Name(const ACHAR* v) { return set(state_->info.member, v); }

ARX_SUMMARY_FIELD(Title, title)
ARX_SUMMARY_FIELD(Subject, subject)
ARX_SUMMARY_FIELD(Author, author)
ARX_SUMMARY_FIELD(Keywords, keywords)
ARX_SUMMARY_FIELD(Comments, comments)
ARX_SUMMARY_FIELD(LastSavedBy, lastSavedBy)
ARX_SUMMARY_FIELD(RevisionNumber, revisionNumber)
ARX_SUMMARY_FIELD(HyperlinkBase, hyperlinkBase)
#undef ARX_SUMMARY_FIELD

int AcDbDatabaseSummaryInfo::numCustomInfo() const { return static_cast<int>(state_->info.custom.size()); }

Acad::ErrorStatus AcDbDatabaseSummaryInfo::addCustomSummaryInfo(const ACHAR* key, const ACHAR* value) {
    if (!key || !value) return Acad::eInvalidInput;
    state_->info.custom.emplace_back(toUtf8(key), toUtf8(value));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabaseSummaryInfo::deleteCustomSummaryInfo(int index) {
    auto& c = state_->info.custom;
    if (index < 0 || index >= static_cast<int>(c.size())) return Acad::eInvalidInput;
    c.erase(c.begin() + index);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabaseSummaryInfo::getCustomSummaryInfo(int index, ACHAR*& key, ACHAR*& value) const {
    const auto& c = state_->info.custom;
    if (index < 0 || index >= static_cast<int>(c.size())) return Acad::eInvalidInput;
    key = toHost(c[static_cast<std::size_t>(index)].first);
    value = toHost(c[static_cast<std::size_t>(index)].second);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabaseSummaryInfo::setCustomSummaryInfo(int index, const ACHAR* key, const ACHAR* value) {
    auto& c = state_->info.custom;
    if (index < 0 || index >= static_cast<int>(c.size())) return Acad::eInvalidInput;
    if (!key || !value) return Acad::eInvalidInput;
    c[static_cast<std::size_t>(index)] = {toUtf8(key), toUtf8(value)};
    return Acad::eOk;
}

AcDbDatabase* AcDbDatabaseSummaryInfo::database() const { return state_->db; }

Acad::ErrorStatus acdbGetSummaryInfo(AcDbDatabase* db, AcDbDatabaseSummaryInfo*& info) {
    info = nullptr;
    if (!db) return Acad::eNullObjectPointer;
    hostcore::Drawing* d = arxhost::drawingOf(db);
    if (!d) return Acad::eNullObjectPointer;
    info = new AcDbDatabaseSummaryInfo();
    info->state_->db = db;
    info->state_->info = hostcore::readSummaryInfo(*d);
    return Acad::eOk;
}

Acad::ErrorStatus acdbPutSummaryInfo(const AcDbDatabaseSummaryInfo* info) {
    if (!info || !info->state_->db) return Acad::eNullObjectPointer;
    hostcore::Drawing* d = arxhost::drawingOf(info->state_->db);
    if (!d) return Acad::eNullObjectPointer;
    hostcore::writeSummaryInfo(*d, info->state_->info);
    return Acad::eOk;
}
