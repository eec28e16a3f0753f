// Dictionaries (objects filed under keys) and xrecords (chains of typed values
// kept as objects). Keys are compared without regard to case.
#pragma once

#include "host/dbmain.h"

namespace arxhost {
struct DictIteratorState;
}

class ARXHOST_API AcDbDictionaryIterator {
public:
    ~AcDbDictionaryIterator();
    AcDbDictionaryIterator(const AcDbDictionaryIterator&) = delete;
    AcDbDictionaryIterator& operator=(const AcDbDictionaryIterator&) = delete;

    bool done() const;
    bool next();
    // The key of the current entry, owned by the iterator (valid until next()).
    const ACHAR* name() const;
    AcDbObjectId objectId() const;
    Acad::ErrorStatus getObject(AcDbObject*& obj, AcDb::OpenMode mode = AcDb::kForRead) const;

private:
    friend class AcDbDictionary;
    friend struct arxhost::Access;
    AcDbDictionaryIterator();
    arxhost::DictIteratorState* state_;
};

class ARXHOST_API AcDbDictionary : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbDictionary);
    AcDbDictionary();
    ~AcDbDictionary() override;

    uint32_t numEntries() const;
    bool has(const ACHAR* key) const;
    bool has(AcDbObjectId id) const;
    Acad::ErrorStatus getAt(const ACHAR* key, AcDbObjectId& id) const;
    Acad::ErrorStatus getAt(const ACHAR* key, AcDbObject*& obj, AcDb::OpenMode mode) const;
    // The key under which id is filed, as a copy the caller releases.
    Acad::ErrorStatus nameAt(AcDbObjectId id, ACHAR*& key) const;
    // Files a new object (not yet in a database) under key; an object already
    // filed under that key is erased. The object is then open for write and
    // its caller closes it.
    Acad::ErrorStatus setAt(const ACHAR* key, AcDbObject* obj, AcDbObjectId& id);
    // Takes the entry out of the dictionary; the object itself stays.
    Acad::ErrorStatus remove(const ACHAR* key);
    Acad::ErrorStatus remove(const ACHAR* key, AcDbObjectId& id);
    // Changes a key. False when the dictionary is not open for write, the old
    // key is missing, the new key is invalid or already used by another entry.
    bool setName(const ACHAR* oldName, const ACHAR* newName);
    // Entries in their order in the dictionary, as they are when it is made; the
    // dictionary need not stay open. Deleted by its caller; null without a database.
    AcDbDictionaryIterator* newIterator() const;
};

class ARXHOST_API AcDbXrecord : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbXrecord);
    AcDbXrecord();
    ~AcDbXrecord() override;

    // The data as a chain the caller releases with acutRelRb (null when empty).
    Acad::ErrorStatus rbChain(resbuf*& chain, AcDbDatabase* db = nullptr) const;
    // Replaces the data. Group codes must be ordinary data codes (1-369 except
    // 5 and 105, and 999): eInvalidResBuf otherwise, and nothing changes.
    Acad::ErrorStatus setFromRbChain(const resbuf& chain, AcDbDatabase* db = nullptr);
};
