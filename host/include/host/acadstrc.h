// Statuses of the database interface. Zero is success; every other value names
// what went wrong. The values are fixed (docs/statuses.md lists them).
#pragma once

#include "host/arxexport.h"

namespace Acad {

enum ErrorStatus {
    eOk = 0,
    eNotImplementedYet = 1,
    eNotApplicable = 2,
    eInvalidInput = 3,
    eOutOfMemory = 6,
    eBufferTooSmall = 7,
    eInvalidOpenState = 8,
    eUnknownHandle = 13,
    eNullObjectPointer = 15,
    eNullObjectId = 16,
    eKeyNotFound = 21,
    eDuplicateKey = 22,
    eAlreadyInDb = 25,
    eInvalidExtents = 29,
    eInvalidSymbolTableName = 31,
    eInvalidKey = 32,
    eWrongObjectType = 33,
    eWrongDatabase = 34,
    eObjectToBeDeleted = 36,
    eInvalidDwgVersion = 37,
    eNoDatabase = 38,
    eIllegalReplacement = 40,
    eNotInDatabase = 41,
    eDuplicateRecordName = 49,
    eFileAccessErr = 55,
    eFileNotFound = 57,
    eBadDwgHeader = 60,
    eNotThatKindOfClass = 67,
    eInvalidResBuf = 70,
    eRegappIdNotFound = 72,
    eWasErased = 80,
    eWasOpenForRead = 82,
    eWasOpenForWrite = 83,
    eNotOpenForWrite = 85,
    eWasNotOpenForWrite = 86,
    eOnLockedLayer = 90,
    eCannotBeErasedByCaller = 95,
    eIsReferenced = 96,
    eNotAllowedForThisProxy = 303,
};

}  // namespace Acad

// The status's name ("eDuplicateRecordName"); "eUnknownErrorStatus" for a
// value the host does not define. The text is static: do not release it.
ARXHOST_API const ACHAR* acadErrorStatusText(Acad::ErrorStatus es);
