// What counts as a proxy, the original class from CLASSES, erase refused by the class's
// capability flags, and the hand-over that replaces such a proxy under its own handle.
#include "tests/proxy/proxy_drawing.h"

using proxytest::ProxyDrawing;

namespace {

struct Loaded {
    ProxyDrawing pd;
    AcDbDatabase db{false, true};
};

}  // namespace

// Proxy records, records of classes marked was-a-proxy, and records the host merely does not
// model: only the first two are proxies; the original class comes from CLASSES by number.
TEST(ProxyClass, WhatIsAProxyAndItsOriginalClass) {
    Loaded l;
    const int door = l.pd.addClass("AEC_DOOR", 0x3FF | 0x400, true, true, "AecDbDoor", "AecArchBase");
    const int setting = l.pd.addClass("AEC_SETTINGS", 0x80, true, false, "AecDbSettings", "AecBase");
    l.pd.addClass("WIPEOUT", 0x27F, false, true, "AcDbWipeout", "WipeOut");
    l.pd.addClass("ADDON_THING", 0, false, false, "AddonThing", "Addon");
    l.pd.addClass("OLD_WIDGET", 0x8000, true, true, "OldWidget", "OldApp");
    const std::string pe = l.pd.addProxy("", door);
    const std::string po = l.pd.addProxyObject(setting);
    const std::string lost = l.pd.addProxy("", 9999);  // class number past CLASSES
    const std::string wipeout =
        l.pd.addEntity("WIPEOUT", "  8\n0\n", "100\nAcDbWipeout\n 90\n0\n 10\n0\n 20\n0\n 30\n0\n");
    const std::string thing = l.pd.addObject("ADDON_THING", "100\nAddonThing\n  1\nx\n");
    const std::string old = l.pd.addEntity("OLD_WIDGET", "  8\n0\n", "100\nOldWidget\n");
    ASSERT_EQ(l.pd.load(l.db), Acad::eOk);

    Opened<AcDbObject> e(ProxyDrawing::idOf(l.db, pe), AcDb::kForRead);
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isAProxy());
    auto* px = AcDbProxyEntity::cast(e.p);
    ASSERT_TRUE(px);
    EXPECT_EQ(px->proxyFlags(), 0x3FF | 0x400);
    EXPECT_EQ(u8(take(px->originalClassName())), "AecDbDoor");
    EXPECT_EQ(u8(take(px->originalDxfName())), "AEC_DOOR");
    EXPECT_EQ(u8(take(px->applicationDescription())), "AecArchBase");

    Opened<AcDbObject> o(ProxyDrawing::idOf(l.db, po), AcDb::kForRead);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->isAProxy());
    auto* pxo = AcDbProxyObject::cast(o.p);
    ASSERT_TRUE(pxo);
    EXPECT_EQ(pxo->proxyFlags(), 0x80);
    EXPECT_EQ(u8(take(pxo->originalClassName())), "AecDbSettings");
    EXPECT_EQ(u8(take(pxo->originalDxfName())), "AEC_SETTINGS");

    Opened<AcDbProxyEntity> lostClass(ProxyDrawing::idOf(l.db, lost), AcDb::kForRead);
    ASSERT_TRUE(lostClass);
    EXPECT_EQ(lostClass->proxyFlags(), 0);
    EXPECT_EQ(u8(take(lostClass->originalClassName())), "");

    for (const std::string& h : {wipeout, thing}) {
        Opened<AcDbObject> n(ProxyDrawing::idOf(l.db, h), AcDb::kForRead);
        ASSERT_TRUE(n) << h;
        EXPECT_FALSE(n->isAProxy()) << h;
        EXPECT_FALSE(AcDbProxyEntity::cast(n.p)) << h;
        EXPECT_FALSE(AcDbProxyObject::cast(n.p)) << h;
    }
    Opened<AcDbObject> w(ProxyDrawing::idOf(l.db, old), AcDb::kForRead);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isAProxy());
    ASSERT_TRUE(AcDbProxyEntity::cast(w.p));
    EXPECT_EQ(AcDbProxyEntity::cast(w.p)->proxyFlags(), 0x8000);
    EXPECT_EQ(u8(take(AcDbProxyEntity::cast(w.p)->originalClassName())), "OldWidget");
}

// A proxy whose class lacks the erase bit refuses erase; with it (or when no proxy at all) the
// erase goes through. Objects the same.
TEST(ProxyClass, EraseFollowsTheCapabilityFlags) {
    Loaded l;
    const int locked = l.pd.addClass("LOCKED", 0x37E);  // everything but erase
    const int free = l.pd.addClass("FREE", 0x1);
    const int lockedObj = l.pd.addClass("LOCKED_OBJ", 0, true, false);
    const int freeObj = l.pd.addClass("FREE_OBJ", 0x3FF, true, false);
    l.pd.addClass("WIPEOUT", 0, false, true, "AcDbWipeout", "WipeOut");
    l.pd.addClass("OLD_LOCKED", 0x2, true, true);
    struct Case {
        std::string handle;
        Acad::ErrorStatus es;
    } cases[] = {
        {l.pd.addProxy("", locked), Acad::eNotAllowedForThisProxy},
        {l.pd.addProxy("", free), Acad::eOk},
        {l.pd.addProxy("", 777), Acad::eNotAllowedForThisProxy},  // no class: nothing allowed
        {l.pd.addProxyObject(lockedObj), Acad::eNotAllowedForThisProxy},
        {l.pd.addProxyObject(freeObj), Acad::eOk},
        {l.pd.addEntity("WIPEOUT", "  8\n0\n", "100\nAcDbWipeout\n"), Acad::eOk},
        {l.pd.addEntity("OLD_LOCKED", "  8\n0\n", "100\nAcDbWidget\n"), Acad::eNotAllowedForThisProxy},
    };
    ASSERT_EQ(l.pd.load(l.db), Acad::eOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handle);
        AcDbObjectId id = ProxyDrawing::idOf(l.db, c.handle);
        {
            Opened<AcDbObject> o(id, AcDb::kForWrite);
            ASSERT_TRUE(o);
            EXPECT_EQ(o->erase(), c.es);
            EXPECT_EQ(o->isErased(), c.es == Acad::eOk);
            if (c.es == Acad::eOk) {
                EXPECT_EQ(o->erase(false), Acad::eOk);  // and back
            }
        }
        Opened<AcDbObject> again(id, AcDb::kForRead);
        EXPECT_TRUE(again);  // never erased in the end
    }
    EXPECT_EQ(l.db.numOpenObjects(), 0);
}

// A proxy that refuses erase is handed over to a line (an entity) or an empty dictionary (an
// object): the replacement takes the id and handle, open for write; the proxy leaves the
// drawing and its caller deletes it; extended data stays behind unless asked for. Saved and
// read again, the handle is the replacement's.
TEST(ProxyClass, HandOverReplacesARefusingProxy) {
    Loaded l;
    const int cls = l.pd.addClass("AEC_DOOR", 0);
    const int ocls = l.pd.addClass("AEC_SETTINGS", 0, true, false);
    const std::string xdata = "1001\nACAD\n1000\nAcRTDxfName\n1000\nAEC_DOOR\n";
    const std::string pe = l.pd.addProxy("", cls, "  8\nWalls\n", xdata);
    const std::string po = l.pd.addProxyObject(ocls);
    ASSERT_EQ(l.pd.load(l.db), Acad::eOk);
    const AcDbObjectId eid = ProxyDrawing::idOf(l.db, pe), oid = ProxyDrawing::idOf(l.db, po);

    AcDbObject* old = nullptr;
    ASSERT_EQ(acdbOpenObject(old, eid, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(old->erase(), Acad::eNotAllowedForThisProxy);
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    ASSERT_EQ(old->handOverTo(line, false, false), Acad::eObjectToBeDeleted);
    EXPECT_TRUE(old->objectId().isNull());
    EXPECT_EQ(line->objectId(), eid);
    EXPECT_TRUE(line->isWriteEnabled());
    AcDbHandle h;
    line->getAcDbHandle(h);
    EXPECT_EQ(proxytest::handleText(h), pe);
    EXPECT_EQ(line->xData(), nullptr);
    EXPECT_EQ(line->erase(), Acad::eOk);  // a line may be erased
    EXPECT_EQ(line->erase(false), Acad::eOk);
    EXPECT_EQ(line->close(), Acad::eOk);
    delete old;

    ASSERT_EQ(acdbOpenObject(old, oid, AcDb::kForWrite), Acad::eOk);
    auto* dict = new AcDbDictionary();
    ASSERT_EQ(old->handOverTo(dict, false, false), Acad::eObjectToBeDeleted);
    EXPECT_EQ(dict->objectId(), oid);
    EXPECT_EQ(dict->close(), Acad::eOk);
    delete old;
    EXPECT_EQ(l.db.numOpenObjects(), 0);

    // The replacement, not the proxy, is what the drawing holds now.
    ASSERT_EQ(l.db.saveAs(host(l.pd.dir.file("out.dxf")).c_str()), Acad::eOk);
    const std::string text = readAll(l.pd.dir.file("out.dxf"));
    EXPECT_EQ(text.find("ACAD_PROXY_ENTITY"), std::string::npos);
    EXPECT_EQ(text.find("ACAD_PROXY_OBJECT"), std::string::npos);
    EXPECT_EQ(text.find("AcRTDxfName"), std::string::npos);
    AcDbDatabase again(false, true);
    ASSERT_EQ(again.readDwgFile(host(l.pd.dir.file("out.dxf")).c_str()), Acad::eOk);
    Opened<AcDbObject> e(ProxyDrawing::idOf(again, pe), AcDb::kForRead);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->isA(), AcDbLine::desc());
    Opened<AcDbObject> o(ProxyDrawing::idOf(again, po), AcDb::kForRead);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->isA(), AcDbDictionary::desc());
}

// With keepXData the proxy's extended data goes over to the replacement.
TEST(ProxyClass, HandOverKeepsExtendedDataWhenAsked) {
    Loaded l;
    const std::string pe =
        l.pd.addProxy("", l.pd.addClass("AEC_DOOR", 0), "  8\n0\n", "1001\nACAD\n1000\nAcRTDxfName\n1000\nAEC_DOOR\n");
    ASSERT_EQ(l.pd.load(l.db), Acad::eOk);
    AcDbObject* old = nullptr;
    ASSERT_EQ(acdbOpenObject(old, ProxyDrawing::idOf(l.db, pe), AcDb::kForWrite), Acad::eOk);
    auto* line = new AcDbLine();
    ASSERT_EQ(old->handOverTo(line, true, false), Acad::eObjectToBeDeleted);
    resbuf* rb = line->xData(ACRX_T("ACAD"));
    EXPECT_NE(rb, nullptr);
    acutRelRb(rb);
    line->close();
    delete old;
}
