// Symbol tables: lookups, adding records, the name rules, renaming and what a
// rename does to the saved file.
#include <algorithm>
#include <cstring>

#include "arx_test_util.h"

namespace {

template <class Table>
AcDbObjectId recordId(AcDbDatabase& db, const ACHAR* name) {
    Table* t = nullptr;
    EXPECT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    AcDbObjectId id;
    if (t) {
        t->getAt(name, id);
        t->close();
    }
    return id;
}

AcDbObjectId addLayer(AcDbDatabase& db, const ACHAR* name) {
    AcDbLayerTable* t = nullptr;
    EXPECT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
    auto* rec = new AcDbLayerTableRecord();
    EXPECT_EQ(rec->setName(name), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(t->add(id, rec), Acad::eOk);
    rec->close();
    t->close();
    return id;
}

Acad::ErrorStatus rename(AcDbObjectId id, const ACHAR* name) {
    AcDbSymbolTableRecord* rec = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(rec, id, AcDb::kForWrite);
    if (es != Acad::eOk) return es;
    es = rec->setName(name);
    rec->close();
    return es;
}

std::string nameOf(AcDbObjectId id) {
    Opened<AcDbSymbolTableRecord> rec(id, AcDb::kForRead);
    if (!rec) return "<not open>";
    ACHAR* n = nullptr;
    rec->getName(n);
    return u8(take(n));
}

void addEntity(AcDbDatabase& db, AcDbObjectId block, AcDbEntity* e, const ACHAR* layer) {
    AcDbBlockTableRecord* b = nullptr;
    ASSERT_EQ(acdbOpenObject(b, block, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(e->setLayer(layer), Acad::eOk);
    ASSERT_EQ(b->appendAcDbEntity(e), Acad::eOk);
    e->close();
    b->close();
    (void)db;
}

}  // namespace

TEST(SymbolTables, LookupsIgnoreCase) {
    AcDbDatabase db;
    AcDbLayerTable* t = nullptr;
    ASSERT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    AcDbObjectId a, b;
    EXPECT_EQ(t->getAt(ACRX_T("0"), a), Acad::eOk);
    EXPECT_EQ(t->getIdAt(ACRX_T("0"), b), Acad::eOk);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(t->has(a));
    EXPECT_EQ(t->getAt(ACRX_T("nope"), a), Acad::eKeyNotFound);
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(t->getAt(nullptr, a), Acad::eInvalidInput);
    // Adding needs the table open for write.
    auto* rec = new AcDbLayerTableRecord();
    rec->setName(ACRX_T("X"));
    EXPECT_EQ(t->add(rec), Acad::eNotOpenForWrite);
    delete rec;
    t->close();
    EXPECT_FALSE(recordId<AcDbTextStyleTable>(db, ACRX_T("standard")).isNull());
    EXPECT_FALSE(recordId<AcDbRegAppTable>(db, ACRX_T("acad")).isNull());
    EXPECT_FALSE(recordId<AcDbDimStyleTable>(db, ACRX_T("STANDARD")).isNull());
    EXPECT_FALSE(recordId<AcDbBlockTable>(db, ACRX_T("*model_space")).isNull());
    EXPECT_FALSE(recordId<AcDbViewportTable>(db, ACRX_T("*Active")).isNull());
}

TEST(SymbolTables, AddRefusesWrongRecordsAndDuplicates) {
    AcDbDatabase db;
    addLayer(db, ACRX_T("Walls"));
    AcDbLayerTable* t = nullptr;
    ASSERT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
    auto* dup = new AcDbLayerTableRecord();
    dup->setName(ACRX_T("WALLS"));
    EXPECT_EQ(t->add(dup), Acad::eDuplicateRecordName);
    auto* unnamed = new AcDbLayerTableRecord();
    EXPECT_EQ(t->add(unnamed), Acad::eInvalidSymbolTableName);
    auto* style = new AcDbTextStyleTableRecord();
    style->setName(ACRX_T("Style"));
    EXPECT_EQ(t->AcDbSymbolTable::add(style), Acad::eWrongObjectType);
    EXPECT_EQ(t->add(static_cast<AcDbLayerTableRecord*>(nullptr)), Acad::eNullObjectPointer);
    // None of them went into the drawing.
    EXPECT_TRUE(dup->objectId().isNull());
    delete dup;
    delete unnamed;
    delete style;
    // A record already in the drawing cannot be added again.
    AcDbLayerTableRecord* zero = nullptr;
    ASSERT_EQ(t->getAt(ACRX_T("0"), zero, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(t->add(zero), Acad::eAlreadyInDb);
    zero->close();
    t->close();
    EXPECT_EQ(db.numOpenObjects(), 0);
}

TEST(SymbolTables, NameRules) {
    AcDbDatabase db;
    AcDbObjectId id = addLayer(db, ACRX_T("Plan"));
    const ACHAR* bad[] = {ACRX_T(""),     ACRX_T("a<b"), ACRX_T("a>b"), ACRX_T("a/b"),    ACRX_T("a\\b"),
                          ACRX_T("a\"b"), ACRX_T("a:b"), ACRX_T("a;b"), ACRX_T("a?b"),    ACRX_T("a*b"),
                          ACRX_T("a|b"),  ACRX_T("a,b"), ACRX_T("a=b"), ACRX_T("a`b"),    ACRX_T("a\\U+04"),
                          ACRX_T("\\U+04XZ"), ACRX_T("a\\M+1234"), ACRX_T("line\nfeed")};
    for (const ACHAR* name : bad) EXPECT_EQ(rename(id, name), Acad::eInvalidSymbolTableName) << u8(name);
    EXPECT_EQ(rename(id, nullptr), Acad::eInvalidInput);
    EXPECT_EQ(nameOf(id), "Plan");
    // Well-formed escapes are allowed.
    EXPECT_EQ(rename(id, ACRX_T("\\U+0410bc")), Acad::eOk);
    EXPECT_EQ(rename(id, ACRX_T("x\\M+1A0B1")), Acad::eOk);
    // 255 code units at most.
    EXPECT_EQ(rename(id, HStr(255, 'n').c_str()), Acad::eOk);
    EXPECT_EQ(rename(id, HStr(256, 'n').c_str()), Acad::eInvalidSymbolTableName);
    // Spaces, dots, dashes and letters of other scripts are fine.
    EXPECT_EQ(rename(id, host(u8"План 1.2-а").c_str()), Acad::eOk);
    EXPECT_EQ(nameOf(id), U8(u8"План 1.2-а"));
}

TEST(SymbolTables, RenameRules) {
    AcDbDatabase db;
    AcDbObjectId a = addLayer(db, ACRX_T("Alpha"));
    AcDbObjectId b = addLayer(db, ACRX_T("Beta"));
    EXPECT_EQ(rename(b, ACRX_T("ALPHA")), Acad::eDuplicateRecordName);
    EXPECT_EQ(nameOf(b), "Beta");
    // The same name, and the same name in other letter case, are accepted.
    EXPECT_EQ(rename(a, ACRX_T("Alpha")), Acad::eOk);
    EXPECT_EQ(rename(a, ACRX_T("ALPHA")), Acad::eOk);
    EXPECT_EQ(nameOf(a), "ALPHA");
    // The new name is found, the old one is free.
    EXPECT_EQ(rename(a, ACRX_T("Gamma")), Acad::eOk);
    EXPECT_EQ(recordId<AcDbLayerTable>(db, ACRX_T("gamma")), a);
    EXPECT_TRUE(recordId<AcDbLayerTable>(db, ACRX_T("alpha")).isNull());
    EXPECT_EQ(rename(b, ACRX_T("Alpha")), Acad::eOk);
    // Fixed records keep their names.
    EXPECT_EQ(rename(recordId<AcDbLayerTable>(db, ACRX_T("0")), ACRX_T("Zero")), Acad::eNotApplicable);
    EXPECT_EQ(rename(recordId<AcDbLinetypeTable>(db, ACRX_T("ByLayer")), ACRX_T("L")), Acad::eNotApplicable);
    EXPECT_EQ(rename(recordId<AcDbLinetypeTable>(db, ACRX_T("ByBlock")), ACRX_T("B")), Acad::eNotApplicable);
    EXPECT_EQ(rename(recordId<AcDbBlockTable>(db, ACRX_T("*Model_Space")), ACRX_T("M")), Acad::eNotApplicable);
    EXPECT_EQ(rename(recordId<AcDbBlockTable>(db, ACRX_T("*Paper_Space")), ACRX_T("P")), Acad::eNotApplicable);
    // Renaming to the name it has is no change, even for a fixed record.
    EXPECT_EQ(rename(recordId<AcDbLayerTable>(db, ACRX_T("0")), ACRX_T("0")), Acad::eOk);
    // A record open for read cannot be renamed.
    Opened<AcDbLayerTableRecord> rec(a, AcDb::kForRead);
    EXPECT_EQ(rec->setName(ACRX_T("Delta")), Acad::eNotOpenForWrite);
}

TEST(SymbolTables, ErasedRecordsAndIterators) {
    AcDbDatabase db;
    AcDbObjectId a = addLayer(db, ACRX_T("A"));
    AcDbObjectId b = addLayer(db, ACRX_T("B"));
    {
        Opened<AcDbLayerTableRecord> rec(a, AcDb::kForWrite);
        ASSERT_EQ(rec->erase(), Acad::eOk);
    }
    AcDbLayerTable* t = nullptr;
    ASSERT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(t->has(ACRX_T("A")));
    AcDbObjectId found;
    EXPECT_EQ(t->getAt(ACRX_T("A"), found, true), Acad::eOk);
    EXPECT_EQ(found, a);
    AcDbLayerTableIterator* it = nullptr;
    ASSERT_EQ(t->newIterator(it), Acad::eOk);
    AcDbLayerTableIterator* all = nullptr;
    ASSERT_EQ(t->newIterator(all, true, false), Acad::eOk);
    t->close();  // the iterators do not need the table open
    std::vector<AcDbObjectId> ids, allIds;
    for (; !it->done(); it->step()) {
        AcDbObjectId id;
        ASSERT_EQ(it->getRecordId(id), Acad::eOk);
        ids.push_back(id);
    }
    for (; !all->done(); all->step(true, false)) {
        AcDbObjectId id;
        all->getRecordId(id);
        allIds.push_back(id);
    }
    AcDbObjectId none;
    EXPECT_EQ(it->getRecordId(none), Acad::eInvalidInput);
    AcDbLayerTableRecord* r = nullptr;
    EXPECT_EQ(it->getRecord(r), Acad::eInvalidInput);
    // Backwards from the end.
    it->start(false);
    AcDbObjectId last;
    ASSERT_EQ(it->getRecordId(last), Acad::eOk);
    EXPECT_EQ(last, b);
    delete it;
    delete all;
    EXPECT_EQ(std::count(ids.begin(), ids.end(), a), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), b), 1);
    EXPECT_EQ(std::count(allIds.begin(), allIds.end(), a), 1);
    // An erased record does not hold its name against a new one.
    AcDbObjectId again = addLayer(db, ACRX_T("a"));
    EXPECT_NE(again, a);
    EXPECT_EQ(recordId<AcDbLayerTable>(db, ACRX_T("A")), again);
}

TEST(SymbolTables, RecordFields) {
    AcDbDatabase db;
    {
        Opened<AcDbLinetypeTableRecord> lt(recordId<AcDbLinetypeTable>(db, ACRX_T("Continuous")), AcDb::kForWrite);
        ASSERT_TRUE(lt);
        ASSERT_EQ(lt->setComments(host(u8"Сплошная").c_str()), Acad::eOk);
        ACHAR* c = nullptr;
        ASSERT_EQ(lt->comments(c), Acad::eOk);
        EXPECT_EQ(u8(take(c)), U8(u8"Сплошная"));
    }
    AcDbObjectId id = addLayer(db, ACRX_T("L"));
    Opened<AcDbLayerTableRecord> l(id, AcDb::kForWrite);
    EXPECT_FALSE(l->isLocked());
    EXPECT_EQ(l->setIsLocked(true), Acad::eOk);
    EXPECT_EQ(l->setIsFrozen(true), Acad::eOk);
    EXPECT_TRUE(l->isLocked());
    EXPECT_TRUE(l->isFrozen());
    EXPECT_EQ(l->setIsLocked(false), Acad::eOk);
    EXPECT_FALSE(l->isLocked());
    EXPECT_TRUE(l->isFrozen());
    EXPECT_EQ(l->setIsOff(true), Acad::eOk);
    EXPECT_TRUE(l->isOff());
    EXPECT_EQ(l->colorIndex(), 7);
    EXPECT_EQ(l->setColorIndex(0), Acad::eInvalidInput);
    EXPECT_EQ(l->setColorIndex(3), Acad::eOk);
    EXPECT_TRUE(l->isOff());
    EXPECT_EQ(l->colorIndex(), 3);
    EXPECT_FALSE(l->linetypeObjectId().isNull());
}

TEST(SymbolTables, BlocksWithEntitiesAndTexts) {
    AcDbDatabase db;
    AcDbBlockTable* bt = nullptr;
    ASSERT_EQ(db.getSymbolTable(bt, AcDb::kForWrite), Acad::eOk);
    auto* rec = new AcDbBlockTableRecord();
    ASSERT_EQ(rec->setName(ACRX_T("Door")), Acad::eOk);
    ASSERT_EQ(rec->setComments(ACRX_T("A door")), Acad::eOk);
    AcDbObjectId blockId;
    ASSERT_EQ(bt->add(blockId, rec), Acad::eOk);
    ASSERT_EQ(rec->setPathName(ACRX_T("")), Acad::eOk);
    rec->close();
    bt->close();
    addEntity(db, blockId, new AcDbLine(), ACRX_T("0"));
    addEntity(db, blockId, new AcDbText(), ACRX_T("0"));
    Opened<AcDbBlockTableRecord> b(blockId, AcDb::kForRead);
    ASSERT_TRUE(b);
    ACHAR* c = nullptr;
    ASSERT_EQ(b->comments(c), Acad::eOk);
    EXPECT_EQ(u8(take(c)), "A door");
    EXPECT_FALSE(b->isLayout());
    EXPECT_FALSE(b->isAnonymous());
    EXPECT_FALSE(b->isFromExternalReference());
    AcDbBlockTableRecordIterator* it = nullptr;
    ASSERT_EQ(b->newIterator(it), Acad::eOk);
    int n = 0;
    for (; !it->done(); it->step()) {
        AcDbEntity* e = nullptr;
        ASSERT_EQ(it->getEntity(e), Acad::eOk);
        EXPECT_EQ(e->blockId(), blockId);
        e->close();
        ++n;
    }
    delete it;
    EXPECT_EQ(n, 2);
    // Appending needs the block open for write, and a layer the drawing has.
    auto* line = new AcDbLine();
    EXPECT_EQ(b->appendAcDbEntity(line), Acad::eNotOpenForWrite);
    EXPECT_EQ(line->setLayer(ACRX_T("NoSuchLayer")), Acad::eOk);  // not checked before it is appended
    delete line;
}

// What a rename does to a saved file, read back by ezdxf.
TEST(SymbolTables, RenamedLayerAndBlockAreRenamedEverywhereInTheFile) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string path = dir.file("renamed.dxf");
    {
        AcDbDatabase db;
        AcDbObjectId walls = addLayer(db, ACRX_T("Walls"));
        AcDbBlockTable* bt = nullptr;
        ASSERT_EQ(db.getSymbolTable(bt, AcDb::kForWrite), Acad::eOk);
        auto* rec = new AcDbBlockTableRecord();
        rec->setName(ACRX_T("Door"));
        AcDbObjectId door;
        ASSERT_EQ(bt->add(door, rec), Acad::eOk);
        rec->close();
        bt->close();
        addEntity(db, door, new AcDbLine(), ACRX_T("Walls"));
        for (int i = 0; i < 3; ++i) addEntity(db, db.currentSpaceId(), new AcDbLine(), ACRX_T("WALLS"));
        auto* ref = new AcDbBlockReference();
        addEntity(db, db.currentSpaceId(), ref, ACRX_T("0"));
        ASSERT_EQ(db.setClayer(walls), Acad::eOk);
        // Save once with the old names, read that back, then rename: the
        // records that name the layer are now unchanged records of the file.
        ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
    }
    // Give the block reference its block (by name, as a file would).
    std::string text = readAll(path);
    auto pos = text.find("AcDbBlockReference\n  2\n\n");
    ASSERT_NE(pos, std::string::npos);
    text.replace(pos, std::strlen("AcDbBlockReference\n  2\n\n"), "AcDbBlockReference\n  2\nDoor\n");
    writeAll(path, text);

    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(path).c_str()), Acad::eOk);
    ASSERT_EQ(rename(recordId<AcDbLayerTable>(db, ACRX_T("walls")), host(u8"Стены").c_str()), Acad::eOk);
    AcDbObjectId door = recordId<AcDbBlockTable>(db, ACRX_T("Door"));
    ASSERT_EQ(rename(door, ACRX_T("Gate")), Acad::eOk);
    ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);

    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
layers = [e.dxf.layer for e in doc.modelspace() if e.dxftype() == 'LINE']
inblock = [e.dxf.layer for e in doc.blocks.get('Gate')] if doc.blocks.get('Gate') else []
print('layers', sorted(layers), inblock)
print('clayer', doc.header['$CLAYER'])
print('inserts', [e.dxf.name for e in doc.modelspace().query('INSERT')])
print('blocks', sorted(b.name for b in doc.blocks if not b.name.startswith('*')))
print('old', 'Walls' in doc.layers, 'Door' in doc.blocks)
)PY",
                                path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_NE(out.find(U8(u8"layers ['Стены', 'Стены', 'Стены'] ['Стены']")), std::string::npos) << out;
    EXPECT_NE(out.find(U8(u8"clayer Стены")), std::string::npos) << out;
    EXPECT_NE(out.find("inserts ['Gate']"), std::string::npos) << out;
    EXPECT_NE(out.find("blocks ['Gate']"), std::string::npos) << out;
    EXPECT_NE(out.find("old False False"), std::string::npos) << out;
}

// The same on a drawing from the corpus: every entity on the renamed layer
// follows it, none is left on the old name.
TEST(SymbolTables, RenamedLayerOfACorpusDrawing) {
    SKIP_WITHOUT_EZDXF();
    const std::string file = corpusFile("acadsharp/samples/sample_AC1032_ascii.dxf");
    if (file.empty()) GTEST_SKIP() << "corpus file not present";
    bool ok = false;
    const std::string count = R"PY(
import sys, ezdxf, collections
doc = ezdxf.readfile(sys.argv[1])
c = collections.Counter(e.dxf.layer for e in doc.entitydb.values()
                        if hasattr(e, 'dxf') and e.dxf.hasattr('layer') and e.dxftype() not in ('LAYER',))
name, n = max(((k, v) for k, v in c.items() if k != '0'), key=lambda kv: kv[1])
print(name); print(n); print(c.get('Renamed layer', 0))
)PY";
    std::string before = runPython(count, file, ok);
    ASSERT_TRUE(ok) << before;
    std::istringstream in(before);
    std::string layer, n;
    std::getline(in, layer);
    std::getline(in, n);

    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(file).c_str()), Acad::eOk);
    ASSERT_EQ(rename(recordId<AcDbLayerTable>(db, host(layer).c_str()), ACRX_T("Renamed layer")), Acad::eOk);
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("r.dxf")).c_str()), Acad::eOk);
    std::string after = runPython(R"PY(
import sys, ezdxf, collections
doc = ezdxf.readfile(sys.argv[1])
c = collections.Counter(e.dxf.layer for e in doc.entitydb.values()
                        if hasattr(e, 'dxf') and e.dxf.hasattr('layer') and e.dxftype() not in ('LAYER',))
print(c.get('Renamed layer', 0))
)PY" + std::string("print(c.get('") + layer + "', 0))\n",
                                  dir.file("r.dxf"), ok);
    ASSERT_TRUE(ok) << after;
    EXPECT_EQ(after, n + "\n0\n");
}
