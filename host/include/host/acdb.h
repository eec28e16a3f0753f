// Enumerations of the database interface.
#pragma once

namespace AcDb {

enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };

// The kind of value a group code carries (acdbGroupCodeToType).
enum DwgDataType {
    kDwgNull = 0,
    kDwgReal = 1,
    kDwgInt32 = 2,
    kDwgInt16 = 3,
    kDwgInt8 = 4,
    kDwgText = 5,
    kDwgBChunk = 6,
    kDwgHandle = 7,
    kDwgHardOwnershipId = 8,
    kDwgSoftOwnershipId = 9,
    kDwgHardPointerId = 10,
    kDwgSoftPointerId = 11,
    kDwg3Real = 12,
    kDwgInt64 = 13,
    kDwgNotRecognized = 19
};

// File formats saveAs writes. kDHL_CURRENT keeps the drawing's own format when
// the host writes it (AC1015 for older drawings).
enum AcDbDwgVersion {
    kDHL_CURRENT = -1,
    kDHL_1015 = 23,  // AC1015, release 2000
    kDHL_1018 = 25,  // AC1018, release 2004
    kDHL_1021 = 27,  // AC1021, release 2007
    kDHL_1024 = 29,  // AC1024, release 2010
    kDHL_1027 = 31,  // AC1027, release 2013
    kDHL_1032 = 33,  // AC1032, release 2018
    kDHL_Newest = kDHL_1032
};

}  // namespace AcDb
