// Groups, layouts, multiline and table styles: names kept as dictionary keys.
#include "arx_test_util.h"

namespace {

std::vector<std::pair<std::string, AcDbObjectId>> entries(AcDbDictionary* d) {
    std::vector<std::pair<std::string, AcDbObjectId>> out;
    AcDbDictionaryIterator* it = d->newIterator();
    for (; !it->done(); it->next()) out.emplace_back(u8(it->name()), it->objectId());
    delete it;
    return out;
}

std::string str(ACHAR* s) { return u8(take(s)); }

}  // namespace

TEST(NamedObjects, LayoutsRenameWithTheirKeys) {
    AcDbDatabase db;
    AcDbDictionary* d = nullptr;
    ASSERT_EQ(db.getLayoutDictionary(d, AcDb::kForRead), Acad::eOk);
    auto layouts = entries(d);
    d->close();
    ASSERT_EQ(layouts.size(), 2u);
    AcDbObjectId model = layouts[0].second, sheet = layouts[1].second;
    {
        Opened<AcDbLayout> l(sheet, AcDb::kForWrite);
        ASSERT_TRUE(l);
        ACHAR* n = nullptr;
        ASSERT_EQ(l->getLayoutName(n), Acad::eOk);
        EXPECT_EQ(str(n), "Layout1");
        EXPECT_EQ(l->setLayoutName(ACRX_T("MODEL")), Acad::eDuplicateRecordName);
        EXPECT_EQ(l->setLayoutName(ACRX_T("a|b")), Acad::eInvalidSymbolTableName);
        ASSERT_EQ(l->setLayoutName(host(u8"Лист 1").c_str()), Acad::eOk);
        l->getLayoutName(n);
        EXPECT_EQ(str(n), U8(u8"Лист 1"));
    }
    {
        Opened<AcDbLayout> l(model, AcDb::kForWrite);
        EXPECT_EQ(l->setLayoutName(ACRX_T("Other")), Acad::eNotApplicable);
        EXPECT_EQ(l->setLayoutName(ACRX_T("Model")), Acad::eOk);
    }
    ASSERT_EQ(db.getLayoutDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(entries(d)[1].first, U8(u8"Лист 1"));
    d->close();
    AcDbLayoutManager* lm = acdbHostApplicationServices()->layoutManager();
    ASSERT_NE(lm, nullptr);
    const int before = lm->updateCount();
    lm->updateLayoutTabs();
    EXPECT_EQ(lm->updateCount(), before + 1);

    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("l.dxf")).c_str()), Acad::eOk);
    bool ok = false;
    std::string out = runPython("import sys, ezdxf\nprint(sorted(ezdxf.readfile(sys.argv[1]).layouts.names()))\n",
                                dir.file("l.dxf"), ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, U8(u8"['Model', 'Лист 1']\n"));
}

TEST(NamedObjects, GroupsAndTheirDescriptions) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string path = dir.file("g.dxf");
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.new('R2018')
line = doc.modelspace().add_line((0, 0), (1, 1))
g = doc.groups.new('G1', description='first')
g.extend([line])
doc.groups.new('G2', description='')
doc.saveas(sys.argv[1])
)PY",
                                path, ok);
    ASSERT_TRUE(ok) << out;
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(path).c_str()), Acad::eOk);
    AcDbDictionary* d = nullptr;
    ASSERT_EQ(db.getGroupDictionary(d, AcDb::kForRead), Acad::eOk);
    auto groups = entries(d);
    d->close();
    ASSERT_EQ(groups.size(), 2u);
    {
        Opened<AcDbGroup> g(groups[0].second, AcDb::kForRead);
        ASSERT_TRUE(g);
        ACHAR* n = nullptr;
        ASSERT_EQ(g->getName(n), Acad::eOk);
        EXPECT_EQ(str(n), "G1");
        EXPECT_EQ(str(g->description()), "first");
        EXPECT_EQ(g->setName(ACRX_T("X")), Acad::eNotOpenForWrite);
        ASSERT_EQ(g->upgradeOpen(), Acad::eOk);
        EXPECT_EQ(g->setName(ACRX_T("g2")), Acad::eDuplicateRecordName);
        ASSERT_EQ(g->setName(host(u8"Группа").c_str()), Acad::eOk);
        ASSERT_EQ(g->setDescription(host(u8"Первая").c_str()), Acad::eOk);
        ASSERT_EQ(g->downgradeOpen(), Acad::eOk);
        g->getName(n);
        EXPECT_EQ(str(n), U8(u8"Группа"));
    }
    ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
    out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print(sorted((name, g.dxf.description, len(g)) for name, g in doc.groups))
)PY",
                    path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, U8(u8"[('G2', '', 0), ('Группа', 'Первая', 1)]\n"));
}

TEST(NamedObjects, CurrentStylesFollowRenamedKeys) {
    AcDbDatabase db;
    AcDbObjectId ml = db.cmlstyleID();
    AcDbObjectId ts = db.tablestyle();
    ASSERT_FALSE(ml.isNull());
    ASSERT_FALSE(ts.isNull());
    {
        Opened<AcDbMlineStyle> s(ml, AcDb::kForWrite);
        ASSERT_TRUE(s);
        EXPECT_EQ(str(s->name()), "Standard");
        AcDbDictionary* d = nullptr;
        ASSERT_EQ(db.getMLStyleDictionary(d, AcDb::kForWrite), Acad::eOk);
        ASSERT_TRUE(d->setName(ACRX_T("Standard"), ACRX_T("Basic")));
        d->close();
        ASSERT_EQ(s->setName(ACRX_T("BASIC")), Acad::eOk);
        ASSERT_EQ(s->setDescription(ACRX_T("two lines")), Acad::eOk);
        EXPECT_EQ(s->setName(ACRX_T("a*b")), Acad::eInvalidSymbolTableName);
        EXPECT_EQ(str(s->name()), "BASIC");
        EXPECT_EQ(str(s->description()), "two lines");
    }
    {
        Opened<AcDbTableStyle> s(ts, AcDb::kForWrite);
        ASSERT_TRUE(s);
        ACHAR* n = nullptr;
        ASSERT_EQ(s->getName(n), Acad::eOk);
        EXPECT_EQ(str(n), "Standard");
        ASSERT_EQ(s->setName(host(u8"Таблица").c_str()), Acad::eOk);
        ASSERT_EQ(s->setDescription(ACRX_T("plain")), Acad::eOk);
        EXPECT_EQ(str(s->description()), "plain");
    }
    EXPECT_EQ(db.cmlstyleID(), ml);
    EXPECT_EQ(db.tablestyle(), ts);
    EXPECT_EQ(db.setCmlstyleID(db.cmlstyleID()), Acad::eOk);
    EXPECT_EQ(db.setTablestyle(db.tablestyle()), Acad::eOk);
    EXPECT_EQ(db.setCmlstyleID(ts), Acad::eWrongObjectType);
    EXPECT_EQ(db.setTablestyle(AcDbObjectId()), Acad::eNullObjectId);

    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("s.dxf")).c_str()), Acad::eOk);
    AcDbDatabase back(false, true);
    ASSERT_EQ(back.readDwgFile(host(dir.file("s.dxf")).c_str()), Acad::eOk);
    Opened<AcDbMlineStyle> s(back.cmlstyleID(), AcDb::kForRead);
    ASSERT_TRUE(s);
    EXPECT_EQ(str(s->name()), "BASIC");
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
# (ezdxf adds a Standard multiline style of its own when the file has none)
print(doc.header['$CMLSTYLE'], 'Basic' in doc.rootdict['ACAD_MLINESTYLE'], list(doc.rootdict['ACAD_TABLESTYLE'].keys()))
)PY",
                                dir.file("s.dxf"), ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, U8(u8"Basic True ['Таблица']\n"));
    AcDbDictionary* d = nullptr;
    ASSERT_EQ(back.getMLStyleDictionary(d, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(d->numEntries(), 1u);
    EXPECT_TRUE(d->has(ACRX_T("basic")));
    d->close();
}

TEST(NamedObjects, BlockReferencesAndImageDefinitions) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string path = dir.file("refs.dxf");
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.new('R2018')
b = doc.blocks.new('B')
b.add_line((0, 0), (1, 0))
c = doc.blocks.new('C')
c.add_blockref('B', (0, 0))
msp = doc.modelspace()
msp.add_blockref('B', (0, 0))
msp.add_blockref('B', (2, 0))
msp.add_blockref('C', (4, 0))
d = doc.add_image_def(filename='images/plan.png', size_in_pixel=(10, 10))
msp.add_image(d, insert=(0, 0), size_in_units=(1, 1))
doc.saveas(sys.argv[1])
)PY",
                                path, ok);
    ASSERT_TRUE(ok) << out;
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(path).c_str()), Acad::eOk);
    AcDbBlockTable* bt = nullptr;
    ASSERT_EQ(db.getSymbolTable(bt, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* b = nullptr;
    ASSERT_EQ(bt->getAt(ACRX_T("B"), b, AcDb::kForRead), Acad::eOk);
    bt->close();
    AcDbObjectIdArray direct, all;
    ASSERT_EQ(b->getBlockReferenceIds(direct), Acad::eOk);
    ASSERT_EQ(b->getBlockReferenceIds(all, false), Acad::eOk);
    b->close();
    EXPECT_EQ(direct.length(), 3);
    EXPECT_EQ(all.length(), 4);
    for (const AcDbObjectId& id : direct) EXPECT_TRUE(all.contains(id));

    AcDbObjectId images = AcDbRasterImageDef::imageDictionary(&db);
    ASSERT_FALSE(images.isNull());
    EXPECT_TRUE(AcDbRasterImageDef::imageDictionary(nullptr).isNull());
    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(acdbOpenObject(dict, images, AcDb::kForWrite), Acad::eOk);
    AcDbDictionaryIterator* it = dict->newIterator();
    ASSERT_FALSE(it->done());
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, it->objectId(), AcDb::kForWrite), Acad::eOk);
    EXPECT_TRUE(dict->setName(it->name(), host(u8"план").c_str()));
    delete it;
    EXPECT_EQ(u8(take(def->sourceFileName())), "images/plan.png");
    ASSERT_EQ(def->setSourceFileName(host(u8"картинки/план.png").c_str()), Acad::eOk);
    EXPECT_EQ(def->load(), Acad::eOk);
    EXPECT_EQ(def->updateEntities(), Acad::eOk);
    def->close();
    dict->close();
    ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
    out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print(list(doc.rootdict['ACAD_IMAGE_DICT'].keys()), [i.image_def.dxf.filename for i in doc.modelspace().query('IMAGE')])
)PY",
                    path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, U8(u8"['план'] ['картинки/план.png']\n"));
}
