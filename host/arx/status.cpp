// Names of the statuses.
#include "host/acadstrc.h"

const ACHAR* acadErrorStatusText(Acad::ErrorStatus es) {
    switch (es) {
#define NAME(e) \
    case Acad::e: \
        return ACRX_T(#e);
        NAME(eOk)
        NAME(eNotImplementedYet)
        NAME(eNotApplicable)
        NAME(eInvalidInput)
        NAME(eOutOfMemory)
        NAME(eBufferTooSmall)
        NAME(eInvalidOpenState)
        NAME(eUnknownHandle)
        NAME(eNullObjectPointer)
        NAME(eNullObjectId)
        NAME(eKeyNotFound)
        NAME(eDuplicateKey)
        NAME(eAlreadyInDb)
        NAME(eInvalidExtents)
        NAME(eInvalidSymbolTableName)
        NAME(eInvalidKey)
        NAME(eWrongObjectType)
        NAME(eWrongDatabase)
        NAME(eObjectToBeDeleted)
        NAME(eInvalidDwgVersion)
        NAME(eNoDatabase)
        NAME(eIllegalReplacement)
        NAME(eNotInDatabase)
        NAME(eDuplicateRecordName)
        NAME(eFileAccessErr)
        NAME(eFileNotFound)
        NAME(eBadDwgHeader)
        NAME(eNotThatKindOfClass)
        NAME(eInvalidResBuf)
        NAME(eRegappIdNotFound)
        NAME(eWasErased)
        NAME(eWasOpenForRead)
        NAME(eWasOpenForWrite)
        NAME(eNotOpenForWrite)
        NAME(eWasNotOpenForWrite)
        NAME(eOnLockedLayer)
        NAME(eCannotBeErasedByCaller)
        NAME(eIsReferenced)
        NAME(eNotAllowedForThisProxy)
#undef NAME
    }
    return ACRX_T("eUnknownErrorStatus");
}
