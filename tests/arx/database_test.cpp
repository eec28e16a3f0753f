// The open-and-close discipline, reading and saving drawings.
#include <cstring>
#include <memory>

#include "arx_test_util.h"

namespace {

// A layer record id of the new drawing's layer "0".
AcDbObjectId layerZero(AcDbDatabase& db) {
    AcDbLayerTable* t = nullptr;
    EXPECT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    AcDbObjectId id;
    if (t) {
        EXPECT_EQ(t->getAt(ACRX_T("0"), id), Acad::eOk);
        t->close();
    }
    return id;
}

// Adds a layer and returns its id.
AcDbObjectId addLayer(AcDbDatabase& db, const ACHAR* name, bool locked = false) {
    AcDbLayerTable* t = nullptr;
    EXPECT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
    auto* rec = new AcDbLayerTableRecord();
    EXPECT_EQ(rec->setName(name), Acad::eOk);
    if (locked) rec->setIsLocked(true);
    AcDbObjectId id;
    EXPECT_EQ(t->add(id, rec), Acad::eOk);
    rec->close();
    t->close();
    return id;
}

// Adds a text on a layer to model space.
AcDbObjectId addText(AcDbDatabase& db, const ACHAR* layer, const ACHAR* text) {
    AcDbBlockTableRecord* ms = nullptr;
    EXPECT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForWrite), Acad::eOk);
    auto* t = new AcDbText();
    EXPECT_EQ(t->setLayer(layer), Acad::eOk);
    EXPECT_EQ(t->setTextString(text), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(ms->appendAcDbEntity(id, t), Acad::eOk);
    t->close();
    ms->close();
    return id;
}

}  // namespace

TEST(NewDatabase, HasTheStandardContent) {
    AcDbDatabase db;
    EXPECT_EQ(db.numOpenObjects(), 0);
    EXPECT_FALSE(db.blockTableId().isNull());
    EXPECT_FALSE(layerZero(db).isNull());
    AcDbLinetypeTable* lt = nullptr;
    ASSERT_EQ(db.getSymbolTable(lt, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(lt->has(ACRX_T("ByLayer")));
    EXPECT_TRUE(lt->has(ACRX_T("BYBLOCK")));
    EXPECT_TRUE(lt->has(ACRX_T("continuous")));
    lt->close();
    Opened<AcDbLayerTableRecord> cl(db.clayer(), AcDb::kForRead);
    ASSERT_TRUE(cl);
    EXPECT_EQ(u8(take([&] { ACHAR* n = nullptr; cl->getName(n); return n; }())), "0");
    EXPECT_FALSE(db.currentSpaceId().isNull());
    EXPECT_EQ(db.numOpenObjects(), 1);
}

TEST(NewDatabase, EmptyDatabaseAnswersWithStatuses) {
    AcDbDatabase db(false, true);
    AcDbLayerTable* t = nullptr;
    EXPECT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eNullObjectId);
    EXPECT_EQ(t, nullptr);
    AcDbDictionary* d = nullptr;
    EXPECT_NE(db.getNamedObjectsDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(db.clayer().isNull());
    TempDir dir;
    EXPECT_NE(db.saveAs(host(dir.file("x.dxf")).c_str()), Acad::eOk);
}

TEST(OpenClose, ReadersShareOneObjectAndWritersExcludeThem) {
    AcDbDatabase db;
    AcDbObjectId id = layerZero(db);
    AcDbObject* a = nullptr;
    AcDbObject* b = nullptr;
    ASSERT_EQ(acdbOpenObject(a, id, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(b, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(a, b);
    EXPECT_EQ(db.numOpenObjects(), 1);
    AcDbObject* w = nullptr;
    EXPECT_EQ(acdbOpenObject(w, id, AcDb::kForWrite), Acad::eWasOpenForRead);
    EXPECT_EQ(w, nullptr);
    // Upgrading while another reader holds it fails.
    EXPECT_EQ(a->upgradeOpen(), Acad::eWasOpenForRead);
    EXPECT_EQ(b->close(), Acad::eOk);
    EXPECT_EQ(db.numOpenObjects(), 1);
    EXPECT_EQ(a->upgradeOpen(), Acad::eOk);
    EXPECT_TRUE(a->isWriteEnabled());
    EXPECT_EQ(a->upgradeOpen(), Acad::eWasOpenForWrite);
    AcDbObject* r = nullptr;
    EXPECT_EQ(acdbOpenObject(r, id, AcDb::kForRead), Acad::eWasOpenForWrite);
    EXPECT_EQ(acdbOpenObject(r, id, AcDb::kForWrite), Acad::eWasOpenForWrite);
    EXPECT_EQ(a->close(), Acad::eOk);
    EXPECT_EQ(db.numOpenObjects(), 0);
}

TEST(OpenClose, ChangesBecomeTheRecordsOnClose) {
    AcDbDatabase db;
    AcDbObjectId id = addLayer(db, ACRX_T("Walls"));
    {
        Opened<AcDbLayerTableRecord> rec(id, AcDb::kForRead);
        ASSERT_TRUE(rec);
        EXPECT_EQ(rec->setIsLocked(true), Acad::eNotOpenForWrite);
        ASSERT_EQ(rec->upgradeOpen(), Acad::eOk);
        EXPECT_EQ(rec->setIsLocked(true), Acad::eOk);
        // Downgrading keeps the change for the readers that follow.
        ASSERT_EQ(rec->downgradeOpen(), Acad::eOk);
        EXPECT_EQ(rec->downgradeOpen(), Acad::eNotOpenForWrite);
        EXPECT_TRUE(rec->isLocked());
    }
    Opened<AcDbLayerTableRecord> again(id, AcDb::kForRead);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isLocked());
}

TEST(OpenClose, ClassFilterNullIdsAndErasedObjects) {
    AcDbDatabase db;
    AcDbObjectId id = layerZero(db);
    AcDbDictionary* d = nullptr;
    EXPECT_EQ(acdbOpenObject(d, id, AcDb::kForRead), Acad::eNotThatKindOfClass);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(db.numOpenObjects(), 0);
    AcDbObject* o = nullptr;
    EXPECT_EQ(acdbOpenObject(o, AcDbObjectId(), AcDb::kForRead), Acad::eNullObjectId);
    EXPECT_EQ(acdbOpenAcDbObject(o, id, AcDb::kForRead, false, AcDbSymbolTableRecord::desc()), Acad::eOk);
    o->close();
    // The class filter also holds for an object that is open already.
    AcDbLayerTableRecord* lr = nullptr;
    ASSERT_EQ(acdbOpenObject(lr, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(acdbOpenObject(d, id, AcDb::kForRead), Acad::eNotThatKindOfClass);
    lr->close();

    AcDbObjectId t = addText(db, ACRX_T("0"), ACRX_T("gone"));
    {
        Opened<AcDbText> text(t, AcDb::kForWrite);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->erase(), Acad::eOk);
        EXPECT_EQ(text->erase(), Acad::eWasErased);
    }
    EXPECT_TRUE(t.isErased());
    EXPECT_EQ(acdbOpenObject(o, t, AcDb::kForRead), Acad::eWasErased);
    ASSERT_EQ(acdbOpenObject(o, t, AcDb::kForWrite, true), Acad::eOk);
    EXPECT_TRUE(o->isErased());
    EXPECT_EQ(o->erase(false), Acad::eOk);
    o->close();
    EXPECT_FALSE(t.isErased());
    // Objects the drawing needs refuse to be erased.
    Opened<AcDbLayerTableRecord> zero(id, AcDb::kForWrite);
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->erase(), Acad::eCannotBeErasedByCaller);
}

TEST(OpenClose, EntityOnLockedLayerIsNotOpenedForWrite) {
    AcDbDatabase db;
    AcDbObjectId layer = addLayer(db, ACRX_T("Locked"), true);
    AcDbObjectId text = addText(db, ACRX_T("Locked"), ACRX_T("x"));
    AcDbEntity* e = nullptr;
    EXPECT_EQ(acdbOpenObject(e, text, AcDb::kForWrite), Acad::eOnLockedLayer);
    EXPECT_EQ(db.numOpenObjects(), 0);
    ASSERT_EQ(acdbOpenObject(e, text, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(e->layerId(), layer);
    EXPECT_EQ(e->upgradeOpen(), Acad::eOnLockedLayer);
    e->close();
    {
        Opened<AcDbLayerTableRecord> l(layer, AcDb::kForWrite);
        ASSERT_TRUE(l);
        l->setIsLocked(false);
    }
    ASSERT_EQ(acdbOpenObject(e, text, AcDb::kForWrite), Acad::eOk);
    e->close();
}

TEST(OpenClose, ObjectsOutsideTheDatabaseBelongToTheirCreator) {
    auto* rec = new AcDbLayerTableRecord();
    EXPECT_TRUE(rec->isWriteEnabled());
    EXPECT_EQ(rec->close(), Acad::eNotInDatabase);
    EXPECT_TRUE(rec->objectId().isNull());
    EXPECT_EQ(rec->database(), nullptr);
    EXPECT_EQ(rec->erase(), Acad::eNotInDatabase);
    delete rec;
}

TEST(OpenClose, ObjectsOpenWhenTheDatabaseGoesAwayCanStillBeClosed) {
    auto* db = new AcDbDatabase();
    AcDbObject* o = nullptr;
    ASSERT_EQ(acdbOpenObject(o, db->layerTableId(), AcDb::kForRead), Acad::eOk);
    acdbHostApplicationServices()->setWorkingDatabase(db);
    delete db;
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), nullptr);
    EXPECT_EQ(o->upgradeOpen(), Acad::eNoDatabase);
    EXPECT_EQ(o->close(), Acad::eOk);
}

TEST(OpenClose, DeletingAnOpenObjectEndsItsOpens) {
    AcDbDatabase db;
    AcDbObjectId id = addLayer(db, ACRX_T("Doors"));
    AcDbLayerTableRecord* rec = nullptr;
    ASSERT_EQ(acdbOpenObject(rec, id, AcDb::kForWrite), Acad::eOk);
    rec->setIsFrozen(true);
    delete rec;
    EXPECT_EQ(db.numOpenObjects(), 0);
    Opened<AcDbLayerTableRecord> again(id, AcDb::kForRead);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isFrozen());
}

TEST(Handles, LookUpAndSeed) {
    AcDbDatabase db;
    AcDbObjectId bt = db.blockTableId();
    AcDbObjectId found;
    ASSERT_EQ(db.getAcDbObjectId(found, false, bt.handle()), Acad::eOk);
    EXPECT_EQ(found, bt);
    EXPECT_EQ(found.database(), &db);
    EXPECT_EQ(db.getAcDbObjectId(found, false, db.handseed()), Acad::eUnknownHandle);
    EXPECT_TRUE(found.isNull());
    EXPECT_EQ(db.getAcDbObjectId(found, true, db.handseed()), Acad::eUnknownHandle);
    const int before = db.approxNumObjects();
    const uint64_t seed = db.handseed().value();
    AcDbObjectId id = addLayer(db, ACRX_T("New"));
    EXPECT_EQ(db.approxNumObjects(), before + 1);
    EXPECT_EQ(id.handle().value(), seed);
    EXPECT_EQ(db.handseed().value(), seed + 1);
}

TEST(ReadSave, ReadErrors) {
    TempDir dir;
    AcDbDatabase db(false, true);
    EXPECT_EQ(db.readDwgFile(host(dir.file("missing.dxf")).c_str()), Acad::eFileNotFound);
    EXPECT_EQ(db.readDwgFile(host(dir.path).c_str()), Acad::eFileAccessErr);
    EXPECT_EQ(db.readDwgFile(nullptr), Acad::eInvalidInput);
    writeAll(dir.file("a.dwg"), std::string("AC1032\0\0\0\0\0\0", 12) + std::string(100, '\x01'));
    EXPECT_EQ(db.readDwgFile(host(dir.file("a.dwg")).c_str()), Acad::eBadDwgHeader);
    EXPECT_NE(u8(db.lastErrorMessage()).find("DWG"), std::string::npos);
    writeAll(dir.file("text.dxf"), "hello\nworld\n");
    EXPECT_EQ(db.readDwgFile(host(dir.file("text.dxf")).c_str()), Acad::eBadDwgHeader);
    EXPECT_FALSE(u8(db.lastErrorMessage()).empty());
}

TEST(ReadSave, SaveReloadAndBackup) {
    TempDir dir;
    const std::string path = dir.file("d.dxf");
    {
        AcDbDatabase db;
        addLayer(db, ACRX_T("First"));
        ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
        addLayer(db, ACRX_T("Second"));
        ASSERT_EQ(db.saveAs(host(path).c_str(), true), Acad::eOk);
        EXPECT_EQ(db.saveAs(host(path).c_str(), false, static_cast<AcDb::AcDbDwgVersion>(12)),
                  Acad::eInvalidDwgVersion);
        EXPECT_EQ(db.saveAs(host(dir.file("no/such/folder/x.dxf")).c_str()), Acad::eFileAccessErr);
    }
    // Nothing but the drawing and its backup is left in the folder.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 2);
    AcDbDatabase now(false, true), before(false, true);
    ASSERT_EQ(now.readDwgFile(host(path).c_str()), Acad::eOk);
    ASSERT_EQ(before.readDwgFile(host(dir.file("d.bak")).c_str()), Acad::eOk);
    AcDbLayerTable* t = nullptr;
    ASSERT_EQ(now.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(t->has(ACRX_T("First")));
    EXPECT_TRUE(t->has(ACRX_T("Second")));
    t->close();
    ASSERT_EQ(before.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(t->has(ACRX_T("First")));
    EXPECT_FALSE(t->has(ACRX_T("Second")));
    t->close();
    EXPECT_EQ(now.originalFileVersion(), AcDb::kDHL_1032);
}

TEST(ReadSave, ReadingWhileObjectsAreOpenIsRefused) {
    TempDir dir;
    AcDbDatabase db;
    ASSERT_EQ(db.saveAs(host(dir.file("a.dxf")).c_str()), Acad::eOk);
    AcDbObject* o = nullptr;
    ASSERT_EQ(acdbOpenObject(o, db.layerTableId(), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(db.readDwgFile(host(dir.file("a.dxf")).c_str()), Acad::eInvalidOpenState);
    o->close();
    EXPECT_EQ(db.readDwgFile(host(dir.file("a.dxf")).c_str()), Acad::eOk);
}

TEST(ReadSave, OlderFormats) {
    TempDir dir;
    AcDbDatabase db;
    addText(db, ACRX_T("0"), ACRX_T("r2000"));
    ASSERT_EQ(db.saveAs(host(dir.file("old.dxf")).c_str(), false, AcDb::kDHL_1015), Acad::eOk);
    AcDbDatabase back(false, true);
    ASSERT_EQ(back.readDwgFile(host(dir.file("old.dxf")).c_str()), Acad::eOk);
    EXPECT_EQ(back.originalFileVersion(), AcDb::kDHL_1015);
}

TEST(ReadSave, CurrentStylesFollowTheirRecords) {
    TempDir dir;
    {
        AcDbDatabase db;
        AcDbObjectId walls = addLayer(db, ACRX_T("Walls"));
        ASSERT_EQ(db.setClayer(walls), Acad::eOk);
        EXPECT_EQ(db.clayer(), walls);
        EXPECT_EQ(db.setClayer(AcDbObjectId()), Acad::eNullObjectId);
        EXPECT_EQ(db.setClayer(db.textstyle()), Acad::eWrongObjectType);
        {
            Opened<AcDbLayerTableRecord> rec(walls, AcDb::kForWrite);
            ASSERT_EQ(rec->setName(ACRX_T("Outer walls")), Acad::eOk);
        }
        EXPECT_FALSE(db.textstyle().isNull());
        EXPECT_FALSE(db.celtype().isNull());
        EXPECT_FALSE(db.dimstyle().isNull());
        EXPECT_EQ(db.setTextstyle(db.textstyle()), Acad::eOk);
        ASSERT_EQ(db.saveAs(host(dir.file("c.dxf")).c_str()), Acad::eOk);
    }
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(dir.file("c.dxf")).c_str()), Acad::eOk);
    Opened<AcDbLayerTableRecord> cl(db.clayer(), AcDb::kForRead);
    ASSERT_TRUE(cl);
    ACHAR* n = nullptr;
    cl->getName(n);
    EXPECT_EQ(u8(take(n)), "Outer walls");
}

// Drawings of the shared corpus: read, open every layer, save, read back.
class Corpus : public ::testing::TestWithParam<const char*> {};

TEST_P(Corpus, ReadsSavesAndReadsBack) {
    const std::string file = corpusFile(GetParam());
    if (file.empty()) GTEST_SKIP() << "corpus file not present: " << GetParam();
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(file).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    const int objects = db.approxNumObjects();
    EXPECT_GT(objects, 0);
    std::vector<std::string> names;
    AcDbLayerTable* t = nullptr;
    ASSERT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    AcDbLayerTableIterator* it = nullptr;
    ASSERT_EQ(t->newIterator(it), Acad::eOk);
    t->close();
    for (; !it->done(); it->step()) {
        AcDbLayerTableRecord* rec = nullptr;
        ASSERT_EQ(it->getRecord(rec, AcDb::kForRead), Acad::eOk);
        ACHAR* n = nullptr;
        rec->getName(n);
        names.push_back(u8(take(n)));
        rec->close();
    }
    delete it;
    EXPECT_EQ(db.numOpenObjects(), 0);
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("copy.dxf")).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    AcDbDatabase back(false, true);
    ASSERT_EQ(back.readDwgFile(host(dir.file("copy.dxf")).c_str()), Acad::eOk) << u8(back.lastErrorMessage());
    EXPECT_EQ(back.approxNumObjects(), objects);
    ASSERT_EQ(back.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    for (const std::string& n : names) EXPECT_TRUE(t->has(host(n).c_str())) << n;
    t->close();
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus,
                         ::testing::Values("acadsharp/samples/sample_AC1015_ascii.dxf",
                                           "acadsharp/samples/sample_AC1018_binary.dxf",
                                           "acadsharp/samples/sample_AC1032_ascii.dxf",
                                           "comanda-dxf-postgis/dxf_examples/ex1.dxf",
                                           "ezdxf/examples_dxf/uncommon.dxf"));

TEST(HostText, CyrillicAndForeignNamesInBothBuilds) {
    TempDir dir;
    {
        AcDbDatabase db;
        addLayer(db, host(u8"Стены").c_str());
        addLayer(db, ACRX_T("XXmega"));
        ASSERT_EQ(db.saveAs(host(dir.file("names.dxf")).c_str()), Acad::eOk);
    }
    // A name the narrow build cannot spell in its code page.
    std::string text = readAll(dir.file("names.dxf"));
    auto at = text.find("XXmega");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 2, reinterpret_cast<const char*>(u8"Ω"));
    writeAll(dir.file("names.dxf"), text);

    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(dir.file("names.dxf")).c_str()), Acad::eOk);
    AcDbLayerTable* t = nullptr;
    ASSERT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
    const HStr walls = host(u8"Стены");
#ifdef ARX_NARROW
    EXPECT_EQ(walls, std::string("\xD1\xF2\xE5\xED\xFB"));  // code page 1251
#endif
    EXPECT_TRUE(t->has(walls.c_str()));
    EXPECT_TRUE(t->has(host(u8"СТЕНЫ").c_str()));  // without regard to case, Cyrillic too
    std::vector<HStr> names;
    AcDbLayerTableIterator* it = nullptr;
    ASSERT_EQ(t->newIterator(it), Acad::eOk);
    for (; !it->done(); it->step()) {
        AcDbLayerTableRecord* rec = nullptr;
        ASSERT_EQ(it->getRecord(rec), Acad::eOk);
        ACHAR* n = nullptr;
        rec->getName(n);
        names.push_back(take(n));
        rec->close();
    }
    delete it;
    t->close();
#ifdef ARX_NARROW
    // The narrow build hands the character out as an escape.
    const HStr omega = "\\U+03A9mega";
#else
    const HStr omega = u"\u03A9mega";
#endif
    EXPECT_NE(std::find(names.begin(), names.end(), omega), names.end());
}

TEST(HandOver, ReplacementTakesTheHandleAndTheOldObjectIsTheCallers) {
    AcDbDatabase db;
    AcDbObjectId text = addText(db, ACRX_T("0"), ACRX_T("proxy stand-in"));
    const AcDbHandle handle = text.handle();
    AcDbObject* old = nullptr;
    ASSERT_EQ(acdbOpenObject(old, text, AcDb::kForWrite), Acad::eOk);
    auto* dict = new AcDbDictionary();
    EXPECT_EQ(old->handOverTo(dict, false, false), Acad::eIllegalReplacement);
    delete dict;
    auto* line = new AcDbLine();
    ASSERT_EQ(old->handOverTo(line, false, false), Acad::eObjectToBeDeleted);
    EXPECT_TRUE(old->objectId().isNull());
    EXPECT_EQ(line->objectId(), text);
    EXPECT_TRUE(line->isWriteEnabled());
    ASSERT_EQ(line->erase(), Acad::eOk);
    EXPECT_EQ(line->close(), Acad::eOk);
    delete old;
    EXPECT_EQ(db.numOpenObjects(), 0);
    AcDbObject* now = nullptr;
    EXPECT_EQ(acdbOpenObject(now, text, AcDb::kForRead), Acad::eWasErased);
    ASSERT_EQ(acdbOpenObject(now, text, AcDb::kForRead, true), Acad::eOk);
    EXPECT_EQ(now->isA(), AcDbLine::desc());
    AcDbHandle h;
    now->getAcDbHandle(h);
    EXPECT_EQ(h, handle);
    now->close();

    // Objects that are not entities are replaced by objects that are not.
    AcDbDictionary* nod = nullptr;
    ASSERT_EQ(db.getNamedObjectsDictionary(nod, AcDb::kForWrite), Acad::eOk);
    auto* x = new AcDbXrecord();
    AcDbObjectId xid;
    ASSERT_EQ(nod->setAt(ACRX_T("X"), x, xid), Acad::eOk);
    nod->close();
    auto* empty = new AcDbDictionary();
    ASSERT_EQ(x->handOverTo(empty, false, false), Acad::eObjectToBeDeleted);
    delete x;
    EXPECT_EQ(empty->close(), Acad::eOk);
    Opened<AcDbDictionary> d(xid, AcDb::kForRead);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->numEntries(), 0u);
    // Table records are never replaced.
    Opened<AcDbLayerTableRecord> zero(layerZero(db), AcDb::kForWrite);
    auto* other = new AcDbXrecord();
    EXPECT_EQ(zero->handOverTo(other), Acad::eIllegalReplacement);
    delete other;
}

TEST(Wblock, CopiesEntitiesWithWhatTheyName) {
    AcDbDatabase db;
    addLayer(db, ACRX_T("Walls"), true);
    addLayer(db, ACRX_T("DoorLayer"));
    addLayer(db, ACRX_T("Unused"));
    AcDbObjectId door;
    {
        AcDbBlockTable* bt = nullptr;
        ASSERT_EQ(db.getSymbolTable(bt, AcDb::kForWrite), Acad::eOk);
        auto* rec = new AcDbBlockTableRecord();
        rec->setName(ACRX_T("Door"));
        ASSERT_EQ(bt->add(door, rec), Acad::eOk);
        auto* line = new AcDbLine();
        line->setLayer(ACRX_T("DoorLayer"));
        ASSERT_EQ(rec->appendAcDbEntity(line), Acad::eOk);
        line->close();
        rec->close();
        bt->close();
    }
    AcDbObjectIdArray ids;
    {
        AcDbBlockTableRecord* ms = nullptr;
        ASSERT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForWrite), Acad::eOk);
        auto* ref = new AcDbBlockReference();
        ref->setLayer(ACRX_T("Walls"));
        AcDbObjectId id;
        ASSERT_EQ(ms->appendAcDbEntity(id, ref), Acad::eOk);
        ref->close();
        ids.append(id);
        ms->close();
    }
    // The reference names its block by name, as a file would.
    {
        TempDir dir;
        ASSERT_EQ(db.saveAs(host(dir.file("a.dxf")).c_str()), Acad::eOk);
        std::string text = readAll(dir.file("a.dxf"));
        auto pos = text.find("AcDbBlockReference\n  2\n\n");
        ASSERT_NE(pos, std::string::npos);
        text.replace(pos, std::strlen("AcDbBlockReference\n  2\n\n"), "AcDbBlockReference\n  2\nDoor\n");
        writeAll(dir.file("a.dxf"), text);
        ASSERT_EQ(db.readDwgFile(host(dir.file("a.dxf")).c_str()), Acad::eOk);
    }
    ids.clear();
    AcDbObjectId kept;
    {
        Opened<AcDbBlockTableRecord> ms(db.currentSpaceId(), AcDb::kForRead);
        AcDbBlockTableRecordIterator* it = nullptr;
        ASSERT_EQ(ms->newIterator(it), Acad::eOk);
        AcDbObjectId id;
        it->getEntityId(id);
        ids.append(id);
        delete it;
    }
    kept = addText(db, ACRX_T("Walls"), ACRX_T("text"));
    ids.append(kept);
    ids.append(kept);  // listed twice, copied once

    AcDbDatabase* out = nullptr;
    AcDbObjectIdArray bad{db.layerTableId()};
    EXPECT_EQ(db.wblock(out, bad, AcGePoint3d::kOrigin), Acad::eWrongObjectType);
    AcDbDatabase other;
    AcDbObjectIdArray foreign{other.layerTableId()};
    EXPECT_EQ(db.wblock(out, foreign, AcGePoint3d::kOrigin), Acad::eWrongDatabase);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(db.wblock(out, ids, AcGePoint3d(1, 2, 0)), Acad::eOk);
    ASSERT_NE(out, nullptr);
    std::unique_ptr<AcDbDatabase> owned(out);
    AcDbLayerTable* lt = nullptr;
    ASSERT_EQ(out->getSymbolTable(lt, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(lt->has(ACRX_T("Walls")));
    EXPECT_TRUE(lt->has(ACRX_T("DoorLayer")));
    EXPECT_FALSE(lt->has(ACRX_T("Unused")));
    lt->close();
    EXPECT_EQ(db.numOpenObjects(), 0);
    EXPECT_EQ(out->numOpenObjects(), 0);

    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    ASSERT_EQ(out->saveAs(host(dir.file("out.dxf")).c_str(), true, AcDb::kDHL_1032), Acad::eOk);
    bool ok = false;
    std::string res = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
msp = doc.modelspace()
print(sorted(e.dxftype() + ':' + e.dxf.layer for e in msp))
print([e.dxf.layer for e in doc.blocks.get('Door')], doc.layers.get('Walls').is_locked())
print(doc.header['$INSBASE'])
a = doc.audit()
print(len(a.errors))
)PY",
                                 dir.file("out.dxf"), ok);
    ASSERT_TRUE(ok) << res;
    EXPECT_EQ(res, "['INSERT:Walls', 'TEXT:Walls']\n['DoorLayer'] True\n(1.0, 2.0, 0.0)\n0\n");
}
