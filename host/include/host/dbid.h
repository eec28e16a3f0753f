// Handles and object ids.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/acadstrc.h"
#include "host/acdb.h"
#include "host/arxexport.h"

// The database's slot behind an object id; opaque outside the host.
class AcDbStub;
class AcDbDatabase;

// The 64-bit handle of an object, unique in its drawing; 0 is the null handle.
class ARXHOST_API AcDbHandle {
public:
    AcDbHandle() = default;
    AcDbHandle(uint64_t value) : value_(value) {}
    // From hexadecimal text; text that is not a handle gives the null handle.
    explicit AcDbHandle(const ACHAR* hex);

    bool isNull() const { return value_ == 0; }
    uint64_t value() const { return value_; }
    operator uint64_t() const { return value_; }
    bool operator==(const AcDbHandle& o) const { return value_ == o.value_; }
    bool operator!=(const AcDbHandle& o) const { return value_ != o.value_; }
    AcDbHandle& operator++() {
        ++value_;
        return *this;
    }

    // Upper-case hexadecimal without leading zeros ("1F", "0" for the null
    // handle). The one-argument form needs room for 17 code units; the other
    // returns false (and writes an empty string if it can) when len is too small.
    void getIntoAsciiBuffer(ACHAR* buf) const;
    bool getIntoAsciiBuffer(ACHAR* buf, std::size_t len) const;

private:
    uint64_t value_ = 0;
};

// Names one object of a drawing. The null id names nothing.
class ARXHOST_API AcDbObjectId {
public:
    AcDbObjectId() = default;
    explicit AcDbObjectId(AcDbStub* stub) : stub_(stub) {}
    static const AcDbObjectId kNull;

    bool isNull() const { return stub_ == nullptr; }
    bool isValid() const { return stub_ != nullptr; }
    bool isErased() const;
    AcDbHandle handle() const;
    AcDbDatabase* database() const;
    AcDbDatabase* originalDatabase() const { return database(); }
    // The database's slot behind the id (for the host's own use).
    AcDbStub* stub() const { return stub_; }

    bool operator==(const AcDbObjectId& o) const { return stub_ == o.stub_; }
    bool operator!=(const AcDbObjectId& o) const { return stub_ != o.stub_; }
    bool operator<(const AcDbObjectId& o) const;

private:
    AcDbStub* stub_ = nullptr;
};

// A list of object ids.
class AcDbObjectIdArray : public std::vector<AcDbObjectId> {
public:
    using std::vector<AcDbObjectId>::vector;
    int length() const { return static_cast<int>(size()); }
    int logicalLength() const { return length(); }
    bool isEmpty() const { return empty(); }
    AcDbObjectIdArray& append(const AcDbObjectId& id) {
        push_back(id);
        return *this;
    }
    bool contains(const AcDbObjectId& id) const { return std::find(begin(), end(), id) != end(); }
    void setLogicalLength(int n) { resize(n < 0 ? 0 : static_cast<std::size_t>(n)); }
};
