// Dictionaries, xrecords, extended data and extension dictionaries.
#include <cstring>

#include "arx_test_util.h"

namespace {

std::vector<std::string> keysOf(AcDbDictionary* d) {
    std::vector<std::string> keys;
    AcDbDictionaryIterator* it = d->newIterator();
    for (; it && !it->done(); it->next()) keys.push_back(u8(it->name()));
    delete it;
    return keys;
}

// An xrecord filed in the named-objects dictionary.
AcDbObjectId addXrecord(AcDbDatabase& db, const ACHAR* key) {
    AcDbDictionary* nod = nullptr;
    EXPECT_EQ(db.getNamedObjectsDictionary(nod, AcDb::kForWrite), Acad::eOk);
    auto* x = new AcDbXrecord();
    AcDbObjectId id;
    EXPECT_EQ(nod->setAt(key, x, id), Acad::eOk);
    x->close();
    nod->close();
    return id;
}

resbuf* rbString(int code, const ACHAR* s, resbuf* next = nullptr) {
    resbuf* rb = acutNewRb(code);
    rb->resval.rstring = acutNewString(s);
    rb->rbnext = next;
    return rb;
}

resbuf* rbShort(int code, short v, resbuf* next = nullptr) {
    resbuf* rb = acutNewRb(code);
    rb->resval.rint = v;
    rb->rbnext = next;
    return rb;
}

void registerApp(AcDbDatabase& db, const ACHAR* name) {
    AcDbRegAppTable* t = nullptr;
    ASSERT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
    auto* rec = new AcDbRegAppTableRecord();
    rec->setName(name);
    ASSERT_EQ(t->add(rec), Acad::eOk);
    rec->close();
    t->close();
}

int chainLength(const resbuf* rb) {
    int n = 0;
    for (; rb; rb = rb->rbnext) ++n;
    return n;
}

}  // namespace

TEST(Dictionaries, StandardDictionariesOfANewDrawing) {
    AcDbDatabase db;
    AcDbDictionary* d = nullptr;
    ASSERT_EQ(db.getNamedObjectsDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_GE(d->numEntries(), 10u);
    EXPECT_TRUE(d->has(ACRX_T("acad_group")));
    EXPECT_TRUE(d->has(db.layoutDictionaryId()));
    AcDbObjectId id;
    EXPECT_EQ(d->getAt(ACRX_T("ACAD_LAYOUT"), id), Acad::eOk);
    EXPECT_EQ(id, db.layoutDictionaryId());
    EXPECT_EQ(d->getAt(ACRX_T("NO_SUCH_KEY"), id), Acad::eKeyNotFound);
    ACHAR* key = nullptr;
    ASSERT_EQ(d->nameAt(db.groupDictionaryId(), key), Acad::eOk);
    EXPECT_EQ(u8(take(key)), "ACAD_GROUP");
    d->close();

    ASSERT_EQ(db.getLayoutDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(keysOf(d), (std::vector<std::string>{"Model", "Layout1"}));
    d->close();
    ASSERT_EQ(db.getGroupDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(d->numEntries(), 0u);
    d->close();
    ASSERT_EQ(db.getMLStyleDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(d->has(ACRX_T("standard")));
    d->close();
    ASSERT_EQ(db.getTableStyleDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(d->has(ACRX_T("Standard")));
    d->close();
    EXPECT_EQ(db.numOpenObjects(), 0);
}

TEST(Dictionaries, KeysRenamedRemovedAndReplaced) {
    AcDbDatabase db;
    AcDbObjectId a = addXrecord(db, ACRX_T("KEY_A"));
    AcDbObjectId b = addXrecord(db, ACRX_T("KEY_B"));
    AcDbDictionary* d = nullptr;
    ASSERT_EQ(db.getNamedObjectsDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(d->setName(ACRX_T("KEY_A"), ACRX_T("KEY_C")));  // open for read
    AcDbDictionaryIterator* it = d->newIterator();
    ASSERT_EQ(d->upgradeOpen(), Acad::eOk);
    EXPECT_FALSE(d->setName(ACRX_T("KEY_A"), ACRX_T("key_b")));  // taken
    EXPECT_FALSE(d->setName(ACRX_T("NONE"), ACRX_T("KEY_C")));   // missing
    EXPECT_FALSE(d->setName(ACRX_T("KEY_A"), ACRX_T("")));       // invalid
    EXPECT_TRUE(d->setName(ACRX_T("key_a"), ACRX_T("Key_A")));   // letter case only
    EXPECT_TRUE(d->setName(ACRX_T("KEY_A"), host(u8"Ключ").c_str()));
    AcDbObjectId id;
    EXPECT_EQ(d->getAt(host(u8"КЛЮЧ").c_str(), id), Acad::eOk);
    EXPECT_EQ(id, a);
    // The iterator made before the renames still walks every entry.
    int n = 0;
    for (; !it->done(); it->next()) ++n;
    delete it;
    EXPECT_EQ(static_cast<uint32_t>(n), d->numEntries());

    EXPECT_EQ(d->remove(ACRX_T("key_b"), id), Acad::eOk);
    EXPECT_EQ(id, b);
    EXPECT_EQ(d->remove(ACRX_T("key_b")), Acad::eKeyNotFound);
    EXPECT_FALSE(d->has(b));
    // Filing under a key in use replaces the entry and erases its object.
    auto* x = new AcDbXrecord();
    AcDbObjectId c;
    ASSERT_EQ(d->setAt(host(u8"ключ").c_str(), x, c), Acad::eOk);
    x->close();
    EXPECT_TRUE(a.isErased());
    EXPECT_EQ(d->getAt(host(u8"Ключ").c_str(), id), Acad::eOk);
    EXPECT_EQ(id, c);
    // Entities and table records are not filed in dictionaries.
    auto* line = new AcDbLine();
    EXPECT_EQ(d->setAt(ACRX_T("LINE"), line, id), Acad::eWrongObjectType);
    delete line;
    EXPECT_EQ(d->setAt(ACRX_T("X"), nullptr, id), Acad::eInvalidInput);
    d->close();
    EXPECT_EQ(db.numOpenObjects(), 0);
}

TEST(Dictionaries, ErasedEntryLeavesItsDictionary) {
    AcDbDatabase db;
    AcDbObjectId a = addXrecord(db, ACRX_T("TEMP"));
    {
        Opened<AcDbXrecord> x(a, AcDb::kForWrite);
        ASSERT_EQ(x->erase(), Acad::eOk);
    }
    AcDbDictionary* d = nullptr;
    ASSERT_EQ(db.getNamedObjectsDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(d->has(ACRX_T("TEMP")));
    d->close();
}

TEST(Xrecords, ChainsRoundTrip) {
    AcDbDatabase db;
    AcDbObjectId id = addXrecord(db, ACRX_T("DATA"));
    {
        Opened<AcDbXrecord> x(id, AcDb::kForWrite);
        ASSERT_TRUE(x);
        resbuf* pt = acutNewRb(10);
        pt->resval.rpoint[0] = 1.5;
        pt->resval.rpoint[1] = -2;
        pt->resval.rpoint[2] = 3.25;
        resbuf* real = acutNewRb(40);
        real->resval.rreal = 0.1;
        resbuf* l = acutNewRb(90);
        l->resval.rlong = 123456789;
        resbuf* ref = acutNewRb(330);
        ref->resval.rlname[0] = static_cast<int64_t>(db.layerTableId().handle().value());
        resbuf* bin = acutNewRb(310);
        bin->resval.rbinary.clen = 3;
        bin->resval.rbinary.buf = acStrAllocA(3);
        std::memcpy(bin->resval.rbinary.buf, "\x01\xAB\xFF", 3);
        resbuf* chain = rbString(1, host(u8"Текст").c_str(), rbShort(70, -5, pt));
        pt->rbnext = real;
        real->rbnext = l;
        l->rbnext = ref;
        ref->rbnext = bin;
        ASSERT_EQ(x->setFromRbChain(*chain), Acad::eOk);
        acutRelRb(chain);
        // Codes that are not xrecord data are refused and change nothing.
        for (int bad : {5, 105, 1000, 0, RTSTR}) {
            resbuf* b = rbString(bad, ACRX_T("x"));
            EXPECT_EQ(x->setFromRbChain(*b), Acad::eInvalidResBuf) << bad;
            acutRelRb(b);
        }
    }
    Opened<AcDbXrecord> x(id, AcDb::kForRead);
    resbuf* rb = nullptr;
    ASSERT_EQ(x->rbChain(rb), Acad::eOk);
    ASSERT_EQ(chainLength(rb), 7);
    resbuf* p = rb;
    EXPECT_EQ(p->restype, 1);
    EXPECT_EQ(u8(p->resval.rstring), U8(u8"Текст"));
    p = p->rbnext;
    EXPECT_EQ(p->resval.rint, -5);
    p = p->rbnext;
    EXPECT_EQ(p->restype, 10);
    EXPECT_DOUBLE_EQ(p->resval.rpoint[0], 1.5);
    EXPECT_DOUBLE_EQ(p->resval.rpoint[1], -2);
    EXPECT_DOUBLE_EQ(p->resval.rpoint[2], 3.25);
    p = p->rbnext;
    EXPECT_DOUBLE_EQ(p->resval.rreal, 0.1);
    p = p->rbnext;
    EXPECT_EQ(p->resval.rlong, 123456789);
    p = p->rbnext;
    EXPECT_EQ(static_cast<uint64_t>(p->resval.rlname[0]), db.layerTableId().handle().value());
    p = p->rbnext;
    ASSERT_EQ(p->resval.rbinary.clen, 3);
    EXPECT_EQ(std::memcmp(p->resval.rbinary.buf, "\x01\xAB\xFF", 3), 0);
    acutRelRb(rb);
}

TEST(Xrecords, EmptyXrecordGivesNoChain) {
    AcDbDatabase db;
    Opened<AcDbXrecord> x(addXrecord(db, ACRX_T("EMPTY")), AcDb::kForRead);
    resbuf* rb = reinterpret_cast<resbuf*>(1);
    ASSERT_EQ(x->rbChain(rb), Acad::eOk);
    EXPECT_EQ(rb, nullptr);
    resbuf* one = rbString(1, ACRX_T("x"));
    EXPECT_EQ(x->setFromRbChain(*one), Acad::eNotOpenForWrite);
    acutRelRb(one);
}

TEST(ExtendedData, ReplacesTheGroupsOfTheApplicationsNamed) {
    AcDbDatabase db;
    registerApp(db, ACRX_T("FIRST"));
    registerApp(db, ACRX_T("SECOND"));
    AcDbObjectId layer;
    {
        AcDbLayerTable* t = nullptr;
        ASSERT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
        t->getAt(ACRX_T("0"), layer);
        t->close();
    }
    Opened<AcDbLayerTableRecord> rec(layer, AcDb::kForWrite);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->xData(), nullptr);
    resbuf* unknown = rbString(1001, ACRX_T("NOT_REGISTERED"), rbString(1000, ACRX_T("x")));
    EXPECT_EQ(rec->setXData(unknown), Acad::eRegappIdNotFound);
    acutRelRb(unknown);
    resbuf* noApp = rbString(1000, ACRX_T("x"));
    EXPECT_EQ(rec->setXData(noApp), Acad::eInvalidInput);
    acutRelRb(noApp);
    resbuf* notXdata = rbString(1001, ACRX_T("FIRST"), rbString(1, ACRX_T("x")));
    EXPECT_EQ(rec->setXData(notXdata), Acad::eInvalidResBuf);
    acutRelRb(notXdata);

    resbuf* both = rbString(1001, ACRX_T("first"), rbString(1000, host(u8"один").c_str(), rbShort(1070, 1,
                   rbString(1001, ACRX_T("SECOND"), rbString(1000, ACRX_T("two"))))));
    ASSERT_EQ(rec->setXData(both), Acad::eOk);
    acutRelRb(both);
    resbuf* all = rec->xData();
    EXPECT_EQ(chainLength(all), 5);
    acutRelRb(all);
    resbuf* second = rec->xData(ACRX_T("second"));
    ASSERT_EQ(chainLength(second), 2);
    EXPECT_EQ(u8(second->rbnext->resval.rstring), "two");
    acutRelRb(second);
    // Only the named application's data changes.
    resbuf* again = rbString(1001, ACRX_T("FIRST"), rbString(1000, ACRX_T("uno")));
    ASSERT_EQ(rec->setXData(again), Acad::eOk);
    acutRelRb(again);
    resbuf* first = rec->xData(ACRX_T("FIRST"));
    ASSERT_EQ(chainLength(first), 2);
    EXPECT_EQ(u8(first->rbnext->resval.rstring), "uno");
    acutRelRb(first);
    second = rec->xData(ACRX_T("SECOND"));
    EXPECT_EQ(chainLength(second), 2);
    acutRelRb(second);
    // An application name alone removes its data.
    resbuf* drop = rbString(1001, ACRX_T("SECOND"));
    ASSERT_EQ(rec->setXData(drop), Acad::eOk);
    acutRelRb(drop);
    EXPECT_EQ(rec->xData(ACRX_T("SECOND")), nullptr);
    all = rec->xData();
    EXPECT_EQ(chainLength(all), 2);
    acutRelRb(all);
}

TEST(ExtendedData, SavedAndReadByEzdxf) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string path = dir.file("xdata.dxf");
    {
        AcDbDatabase db;
        registerApp(db, ACRX_T("MYAPP"));
        AcDbBlockTableRecord* ms = nullptr;
        ASSERT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForWrite), Acad::eOk);
        auto* line = new AcDbLine();
        ASSERT_EQ(ms->appendAcDbEntity(line), Acad::eOk);
        ms->close();
        resbuf* pt = acutNewRb(1010);
        pt->resval.rpoint[0] = 1;
        pt->resval.rpoint[1] = 2;
        pt->resval.rpoint[2] = 3;
        resbuf* chain = rbString(1001, ACRX_T("MYAPP"), rbString(1000, host(u8"Привет").c_str(), rbShort(1070, 42, pt)));
        ASSERT_EQ(line->setXData(chain), Acad::eOk);
        acutRelRb(chain);
        ASSERT_EQ(line->createExtensionDictionary(), Acad::eOk);
        EXPECT_EQ(line->createExtensionDictionary(), Acad::eAlreadyInDb);
        AcDbObjectId xd = line->extensionDictionary();
        line->close();
        ASSERT_FALSE(xd.isNull());
        Opened<AcDbDictionary> d(xd, AcDb::kForWrite);
        ASSERT_TRUE(d);
        auto* x = new AcDbXrecord();
        AcDbObjectId xid;
        ASSERT_EQ(d->setAt(ACRX_T("NOTE"), x, xid), Acad::eOk);
        resbuf* data = rbString(300, ACRX_T("kept"));
        ASSERT_EQ(x->setFromRbChain(*data), Acad::eOk);
        acutRelRb(data);
        x->close();
        d->close();
        d.p = nullptr;
        ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
    }
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
line = doc.modelspace().query('LINE')[0]
print([(t.code, t.value) for t in line.get_xdata('MYAPP')])
xd = line.get_extension_dict()
print([(t.code, t.value) for t in xd['NOTE'].tags])
)PY",
                                path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_NE(out.find(U8(u8"[(1000, 'Привет'), (1070, 42), (1010, (1.0, 2.0, 3.0))]")), std::string::npos) << out;
    EXPECT_NE(out.find("[(300, 'kept')]"), std::string::npos) << out;
}
