// Statuses, handles, the class tree and result buffers.
#include "arx_test_util.h"

TEST(Statuses, FixedValuesAndNames) {
    EXPECT_EQ(Acad::eOk, 0);
    EXPECT_EQ(Acad::eObjectToBeDeleted, 36);
    EXPECT_EQ(Acad::eWasOpenForWrite, 83);
    EXPECT_EQ(HStr(acadErrorStatusText(Acad::eDuplicateRecordName)), HStr(ACRX_T("eDuplicateRecordName")));
    EXPECT_EQ(HStr(acadErrorStatusText(Acad::eOk)), HStr(ACRX_T("eOk")));
    EXPECT_EQ(HStr(acadErrorStatusText(static_cast<Acad::ErrorStatus>(12345))), HStr(ACRX_T("eUnknownErrorStatus")));
    // Every status has a name of its own.
    const Acad::ErrorStatus all[] = {Acad::eInvalidInput, Acad::eKeyNotFound, Acad::eInvalidSymbolTableName,
                                     Acad::eWasErased, Acad::eWasOpenForRead, Acad::eOnLockedLayer,
                                     Acad::eNotApplicable, Acad::eNullObjectId, Acad::eNotOpenForWrite,
                                     Acad::eFileNotFound, Acad::eBadDwgHeader, Acad::eFileAccessErr,
                                     Acad::eNotImplementedYet, Acad::eCannotBeErasedByCaller,
                                     Acad::eIllegalReplacement, Acad::eInvalidOpenState, Acad::eWrongObjectType};
    for (Acad::ErrorStatus es : all) EXPECT_NE(HStr(acadErrorStatusText(es)).substr(0, 8), HStr(ACRX_T("eUnknown")));
}

TEST(Handles, HexTextWithoutLeadingZeros) {
    ACHAR buf[256];
    AcDbHandle(0x1F).getIntoAsciiBuffer(buf);
    EXPECT_EQ(HStr(buf), HStr(ACRX_T("1F")));
    AcDbHandle().getIntoAsciiBuffer(buf);
    EXPECT_EQ(HStr(buf), HStr(ACRX_T("0")));
    AcDbHandle(0xFFFFFFFFFFFFFFFFull).getIntoAsciiBuffer(buf, 256);
    EXPECT_EQ(HStr(buf), HStr(ACRX_T("FFFFFFFFFFFFFFFF")));
    // Too small a buffer is refused, not overrun.
    ACHAR small[3] = {'x', 'x', 'x'};
    EXPECT_FALSE(AcDbHandle(0xABC).getIntoAsciiBuffer(small, 3));
    EXPECT_EQ(small[0], 0);
    EXPECT_FALSE(AcDbHandle(1).getIntoAsciiBuffer(nullptr, 10));
    EXPECT_EQ(AcDbHandle(ACRX_T("2a")).value(), 0x2Au);
    EXPECT_TRUE(AcDbHandle(ACRX_T("zz")).isNull());
    EXPECT_TRUE(AcDbHandle(static_cast<const ACHAR*>(nullptr)).isNull());
}

TEST(Classes, TreeAndCasts) {
    EXPECT_TRUE(AcDbAttribute::desc()->isDerivedFrom(AcDbText::desc()));
    EXPECT_TRUE(AcDbAttributeDefinition::desc()->isDerivedFrom(AcDbEntity::desc()));
    EXPECT_TRUE(AcDbText::desc()->isDerivedFrom(AcRxObject::desc()));
    EXPECT_FALSE(AcDbText::desc()->isDerivedFrom(AcDbAttribute::desc()));
    EXPECT_TRUE(AcDbLayerTable::desc()->isDerivedFrom(AcDbSymbolTable::desc()));
    EXPECT_TRUE(AcDbBlockTableRecord::desc()->isDerivedFrom(AcDbSymbolTableRecord::desc()));
    EXPECT_TRUE(AcDbDictionary::desc()->isDerivedFrom(AcDbObject::desc()));
    EXPECT_FALSE(AcDbDictionary::desc()->isDerivedFrom(AcDbEntity::desc()));
    EXPECT_EQ(HStr(AcDbLayerTableRecord::desc()->name()), HStr(ACRX_T("AcDbLayerTableRecord")));
    EXPECT_EQ(AcDbText::desc()->myParent(), AcDbEntity::desc());

    AcDbAttribute* att = new AcDbAttribute();
    AcDbObject* obj = att;
    EXPECT_EQ(obj->isA(), AcDbAttribute::desc());
    EXPECT_TRUE(obj->isKindOf(AcDbText::desc()));
    EXPECT_EQ(AcDbText::cast(obj), att);
    EXPECT_EQ(AcDbMText::cast(obj), nullptr);
    EXPECT_EQ(AcDbText::cast(nullptr), nullptr);
    delete att;
}

TEST(ResultBuffers, NewAndRelease) {
    resbuf* rb = acutNewRb(RTSTR);
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb->restype, RTSTR);
    EXPECT_EQ(rb->rbnext, nullptr);
    EXPECT_EQ(rb->resval.rstring, nullptr);
    rb->resval.rstring = acutNewString(ACRX_T("text"));
    rb->rbnext = acutNewRb(1000);
    rb->rbnext->resval.rstring = acutNewString(ACRX_T("xdata"));
    rb->rbnext->rbnext = acutNewRb(1004);
    rb->rbnext->rbnext->resval.rbinary.clen = 3;
    rb->rbnext->rbnext->resval.rbinary.buf = acStrAllocA(3);
    rb->rbnext->rbnext->rbnext = acutNewRb(RTSHORT);
    rb->rbnext->rbnext->rbnext->resval.rint = 7;
    // Strings and chunks go with the chain (the sanitizer build checks for leaks).
    EXPECT_EQ(acutRelRb(rb), RTNORM);
    EXPECT_EQ(acutRelRb(nullptr), RTNORM);
    // A string buffer whose string was never set is released all the same.
    EXPECT_EQ(acutRelRb(acutNewRb(RTSTR)), RTNORM);

    ACHAR* s = acutNewString(ACRX_T("abc"));
    acutDelString(s);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(acutNewString(nullptr), nullptr);
}

TEST(ResultBuffers, GroupCodeTypes) {
    EXPECT_EQ(AcDb::kDwgText, 5);
    EXPECT_EQ(acdbGroupCodeToType(1000), AcDb::kDwgText);
    EXPECT_EQ(acdbGroupCodeToType(1), AcDb::kDwgText);
    EXPECT_EQ(acdbGroupCodeToType(300), AcDb::kDwgText);
    EXPECT_EQ(acdbGroupCodeToType(1003), AcDb::kDwgText);
    EXPECT_EQ(acdbGroupCodeToType(1005), AcDb::kDwgHandle);
    EXPECT_EQ(acdbGroupCodeToType(10), AcDb::kDwg3Real);
    EXPECT_EQ(acdbGroupCodeToType(1010), AcDb::kDwg3Real);
    EXPECT_EQ(acdbGroupCodeToType(40), AcDb::kDwgReal);
    EXPECT_EQ(acdbGroupCodeToType(70), AcDb::kDwgInt16);
    EXPECT_EQ(acdbGroupCodeToType(90), AcDb::kDwgInt32);
    EXPECT_EQ(acdbGroupCodeToType(1071), AcDb::kDwgInt32);
    EXPECT_EQ(acdbGroupCodeToType(160), AcDb::kDwgInt64);
    EXPECT_EQ(acdbGroupCodeToType(310), AcDb::kDwgBChunk);
    EXPECT_EQ(acdbGroupCodeToType(330), AcDb::kDwgSoftPointerId);
    EXPECT_EQ(acdbGroupCodeToType(360), AcDb::kDwgHardOwnershipId);
    EXPECT_EQ(acdbGroupCodeToType(5003), AcDb::kDwgNotRecognized);
    EXPECT_EQ(acdbGroupCodeToType(-7), AcDb::kDwgNotRecognized);
}
