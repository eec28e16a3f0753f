// Drawing properties: title, subject, author, keywords, comments, last saved
// by, revision number, hyperlink base and any number of custom properties.
//
// acdbGetSummaryInfo hands over a copy of a database's properties that the
// caller deletes; changes reach the drawing only through acdbPutSummaryInfo.
// Every getter hands over a heap string the caller releases with acStrFree;
// setters and addCustomSummaryInfo copy what they are given.
#pragma once

#include "host/dbmain.h"

namespace arxhost {
struct SummaryState;
}

// A copy of a drawing's properties: changes reach the drawing through
// acdbPutSummaryInfo. Every getter hands over a copy the caller releases
// (acStrFree); setters copy. Deleted by its caller.
class ARXHOST_API AcDbDatabaseSummaryInfo {
public:
    ~AcDbDatabaseSummaryInfo();
    AcDbDatabaseSummaryInfo(const AcDbDatabaseSummaryInfo&) = delete;
    AcDbDatabaseSummaryInfo& operator=(const AcDbDatabaseSummaryInfo&) = delete;

    Acad::ErrorStatus getTitle(ACHAR*& text) const;
    Acad::ErrorStatus setTitle(const ACHAR* text);
    Acad::ErrorStatus getSubject(ACHAR*& text) const;
    Acad::ErrorStatus setSubject(const ACHAR* text);
    Acad::ErrorStatus getAuthor(ACHAR*& text) const;
    Acad::ErrorStatus setAuthor(const ACHAR* text);
    Acad::ErrorStatus getKeywords(ACHAR*& text) const;
    Acad::ErrorStatus setKeywords(const ACHAR* text);
    Acad::ErrorStatus getComments(ACHAR*& text) const;
    Acad::ErrorStatus setComments(const ACHAR* text);
    Acad::ErrorStatus getLastSavedBy(ACHAR*& text) const;
    Acad::ErrorStatus setLastSavedBy(const ACHAR* text);
    Acad::ErrorStatus getRevisionNumber(ACHAR*& text) const;
    Acad::ErrorStatus setRevisionNumber(const ACHAR* text);
    Acad::ErrorStatus getHyperlinkBase(ACHAR*& text) const;
    Acad::ErrorStatus setHyperlinkBase(const ACHAR* text);

    int numCustomInfo() const;
    // eInvalidInput for an index out of range or a null argument.
    Acad::ErrorStatus getCustomSummaryInfo(int index, ACHAR*& key, ACHAR*& value) const;
    Acad::ErrorStatus getCustomSummaryInfo(const ACHAR* key, ACHAR*& value) const;
    Acad::ErrorStatus setCustomSummaryInfo(int index, const ACHAR* key, const ACHAR* value);
    // Adds a property at the end. Keys may repeat (a drawing may hold the same
    // key twice, and removing and adding back must not lose a pair); lookups
    // by key find the first, without regard to case.
    Acad::ErrorStatus addCustomSummaryInfo(const ACHAR* key, const ACHAR* value);
    Acad::ErrorStatus deleteCustomSummaryInfo(int index);
    Acad::ErrorStatus deleteCustomSummaryInfo(const ACHAR* key);

    AcDbDatabase* database() const;

private:
    friend struct arxhost::Access;
    AcDbDatabaseSummaryInfo();
    arxhost::SummaryState* state_;
};

// The database's properties as a new object the caller deletes.
// eNullObjectPointer for a null database.
ARXHOST_API Acad::ErrorStatus acdbGetSummaryInfo(AcDbDatabase* db, AcDbDatabaseSummaryInfo*& info);
// Stores the properties into the database they were read from. eNoDatabase
// when that database is gone.
ARXHOST_API Acad::ErrorStatus acdbPutSummaryInfo(const AcDbDatabaseSummaryInfo* info);
