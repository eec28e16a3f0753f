// Drawing properties: title, subject, author, keywords, comments, last saved
// by, revision number, hyperlink base and any number of custom properties.
//
// acdbGetSummaryInfo hands over a copy of a database's properties that the
// caller deletes; changes reach the drawing only through acdbPutSummaryInfo.
// Every getter hands over a heap string the caller releases with acStrFree;
// setters and addCustomSummaryInfo copy what they are given.
#pragma once

#include <memory>

#include "host/acadstrc.h"
#include "host/arxexport.h"
#include "platform/achar.h"

class AcDbDatabase;

namespace arxhost {
struct SummaryState;
}

class ARXHOST_API AcDbDatabaseSummaryInfo {
public:
    ~AcDbDatabaseSummaryInfo();
    AcDbDatabaseSummaryInfo(const AcDbDatabaseSummaryInfo&) = delete;
    AcDbDatabaseSummaryInfo& operator=(const AcDbDatabaseSummaryInfo&) = delete;

    Acad::ErrorStatus getTitle(ACHAR*& title) const;
    Acad::ErrorStatus setTitle(const ACHAR* title);
    Acad::ErrorStatus getSubject(ACHAR*& subject) const;
    Acad::ErrorStatus setSubject(const ACHAR* subject);
    Acad::ErrorStatus getAuthor(ACHAR*& author) const;
    Acad::ErrorStatus setAuthor(const ACHAR* author);
    Acad::ErrorStatus getKeywords(ACHAR*& keywords) const;
    Acad::ErrorStatus setKeywords(const ACHAR* keywords);
    Acad::ErrorStatus getComments(ACHAR*& comments) const;
    Acad::ErrorStatus setComments(const ACHAR* comments);
    Acad::ErrorStatus getLastSavedBy(ACHAR*& lastSavedBy) const;
    Acad::ErrorStatus setLastSavedBy(const ACHAR* lastSavedBy);
    Acad::ErrorStatus getRevisionNumber(ACHAR*& revision) const;
    Acad::ErrorStatus setRevisionNumber(const ACHAR* revision);
    Acad::ErrorStatus getHyperlinkBase(ACHAR*& base) const;
    Acad::ErrorStatus setHyperlinkBase(const ACHAR* base);

    int numCustomInfo() const;
    Acad::ErrorStatus addCustomSummaryInfo(const ACHAR* key, const ACHAR* value);
    // eInvalidInput for an index outside 0 .. numCustomInfo() - 1.
    Acad::ErrorStatus deleteCustomSummaryInfo(int index);
    Acad::ErrorStatus getCustomSummaryInfo(int index, ACHAR*& key, ACHAR*& value) const;
    Acad::ErrorStatus setCustomSummaryInfo(int index, const ACHAR* key, const ACHAR* value);

    AcDbDatabase* database() const;

private:
    friend ARXHOST_API Acad::ErrorStatus acdbGetSummaryInfo(AcDbDatabase*, AcDbDatabaseSummaryInfo*&);
    friend ARXHOST_API Acad::ErrorStatus acdbPutSummaryInfo(const AcDbDatabaseSummaryInfo*);
    AcDbDatabaseSummaryInfo();
    std::unique_ptr<arxhost::SummaryState> state_;
};

// A copy of the database's properties, owned by the caller (delete it).
// eNullObjectPointer for a null database.
ARXHOST_API Acad::ErrorStatus acdbGetSummaryInfo(AcDbDatabase* db, AcDbDatabaseSummaryInfo*& info);
// Stores the properties into the database they were taken from.
ARXHOST_API Acad::ErrorStatus acdbPutSummaryInfo(const AcDbDatabaseSummaryInfo* info);
