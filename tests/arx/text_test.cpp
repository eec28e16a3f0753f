// Text-bearing entities: texts, attributes, attribute definitions and
// multiline texts with their pieces.
#include <cmath>

#include "arx_test_util.h"

TEST(Texts, TextAttributeAndDefinition) {
    AcDbDatabase db;
    auto* t = new AcDbText();
    ASSERT_EQ(t->setTextString(host(u8"Текст").c_str()), Acad::eOk);
    EXPECT_EQ(t->setTextString(nullptr), Acad::eInvalidInput);
    AcDbObjectId tid = append(db, t);
    auto* def = new AcDbAttributeDefinition();
    def->setTag(ACRX_T("TAG"));
    def->setPrompt(host(u8"Введите").c_str());
    def->setTextString(ACRX_T("default"));
    AcDbObjectId did = append(db, def);
    auto* att = new AcDbAttribute();
    att->setTag(ACRX_T("NAME"));
    att->setTextString(ACRX_T("value"));
    AcDbObjectId aid = append(db, att);
    {
        Opened<AcDbText> text(tid, AcDb::kForRead);
        ASSERT_TRUE(text);
        EXPECT_EQ(u8(take(text->textString())), U8(u8"Текст"));
        EXPECT_EQ(text->setTextString(ACRX_T("x")), Acad::eNotOpenForWrite);
    }
    {
        Opened<AcDbAttributeDefinition> d(did, AcDb::kForWrite);
        ASSERT_TRUE(d);
        EXPECT_EQ(u8(take(d->tag())), "TAG");
        EXPECT_EQ(u8(take(d->prompt())), U8(u8"Введите"));
        EXPECT_EQ(u8(take(d->textString())), "default");
        ASSERT_EQ(d->setPrompt(ACRX_T("")), Acad::eOk);
        EXPECT_EQ(u8(take(d->prompt())), "");
        EXPECT_EQ(u8(take(d->tag())), "TAG");
    }
    // An attribute is a text: the text filter opens it.
    Opened<AcDbText> a(aid, AcDb::kForRead);
    ASSERT_TRUE(a);
    ASSERT_NE(AcDbAttribute::cast(a.p), nullptr);
    EXPECT_EQ(u8(take(AcDbAttribute::cast(a.p)->tag())), "NAME");
    EXPECT_EQ(u8(take(a->textString())), "value");
}

TEST(Texts, MultilineTextIsCutIntoPiecesWithoutCuttingEscapes) {
    SKIP_WITHOUT_EZDXF();
    AcDbDatabase db;
    // 248 letters, then an escape that would straddle the first cut.
    HStr text(248, 'a');
    text += ACRX_T("\\U+0416");
    text += HStr(300, 'b');
    text += host(u8"конец");
    auto* m = new AcDbMText();
    ASSERT_EQ(m->setContents(text.c_str()), Acad::eOk);
    EXPECT_EQ(take(m->contents()), text);
    AcDbObjectId id = append(db, m);
    {
        Opened<AcDbMText> mt(id, AcDb::kForWrite);
        ASSERT_TRUE(mt);
        EXPECT_EQ(take(mt->contents()), text);
        // Shorter again: the surplus pieces go.
        ASSERT_EQ(mt->setContents(ACRX_T("short")), Acad::eOk);
        EXPECT_EQ(u8(take(mt->contents())), "short");
        ASSERT_EQ(mt->setContents(text.c_str()), Acad::eOk);
    }
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("m.dxf")).c_str()), Acad::eOk);
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
m = doc.modelspace().query('MTEXT')[0]
print(len(m.text))
from ezdxf.lldxf.tagger import ascii_tags_loader
import io
raw = open(sys.argv[1], encoding='utf8').read()
tags = list(ascii_tags_loader(io.StringIO(raw)))
i = [n for n, t in enumerate(tags) if t.code == 0 and t.value == 'MTEXT'][0]
j = i + 1
while tags[j].code != 0: j += 1
print([(t.code, len(t.value)) for t in tags[i:j] if t.code in (1, 3)])
print(m.text.endswith('\u043a\u043e\u043d\u0435\u0446'), m.text[248:255])
)PY",
                                dir.file("m.dxf"), ok);
    ASSERT_TRUE(ok) << out;
    // 248 + 7 + 300 + 5 = 560 characters: 248 (the escape is not cut), 250, 62.
    EXPECT_NE(out.find("560\n[(3, 248), (3, 250), (1, 62)]\nTrue \\U+0416"), std::string::npos) << out;
}

// Texts of a corpus drawing read through the interface match what ezdxf reads.
TEST(Texts, CorpusTextsAgreeWithEzdxf) {
    SKIP_WITHOUT_EZDXF();
    const std::string file = corpusFile("acadsharp/samples/sample_AC1032_ascii.dxf");
    if (file.empty()) GTEST_SKIP() << "corpus file not present";
    bool ok = false;
    std::string expected = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
for e in doc.modelspace():
    if e.dxftype() in ('TEXT', 'MTEXT'):
        print(e.dxf.handle, e.dxf.text if e.dxftype() == 'TEXT' else e.text)
)PY",
                                     file, ok);
    ASSERT_TRUE(ok) << expected;
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(file).c_str()), Acad::eOk);
    std::string got;
    AcDbBlockTableRecord* ms = nullptr;
    ASSERT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecordIterator* it = nullptr;
    ASSERT_EQ(ms->newIterator(it), Acad::eOk);
    int n = 0;
    for (; !it->done(); it->step()) {
        AcDbEntity* e = nullptr;
        ASSERT_EQ(it->getEntity(e), Acad::eOk);
        ACHAR h[32];
        e->objectId().handle().getIntoAsciiBuffer(h, 32);
        if (AcDbText* t = AcDbText::cast(e); t && t->isA() == AcDbText::desc()) {
            got += u8(h) + " " + u8(take(t->textString())) + "\n";
            ++n;
        } else if (AcDbMText* m = AcDbMText::cast(e)) {
            got += u8(h) + " " + u8(take(m->contents())) + "\n";
            ++n;
        }
        e->close();
    }
    delete it;
    ms->close();
    EXPECT_GT(n, 0);
#ifndef ARX_NARROW
    EXPECT_EQ(got, expected);
#endif
}

TEST(Texts, AttributesOfABlockReference) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string path = dir.file("attribs.dxf");
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.new('R2018')
blk = doc.blocks.new('B')
blk.add_attdef('T1', (0, 0))
ref = doc.modelspace().add_blockref('B', (0, 0))
ref.add_attrib('T1', 'one')
ref.add_attrib('T2', 'two')
doc.modelspace().add_blockref('B', (5, 0))
doc.saveas(sys.argv[1])
)PY",
                                path, ok);
    ASSERT_TRUE(ok) << out;
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(path).c_str()), Acad::eOk);
    std::vector<AcDbObjectId> refs;
    {
        Opened<AcDbBlockTableRecord> ms(db.currentSpaceId(), AcDb::kForRead);
        AcDbBlockTableRecordIterator* it = nullptr;
        ASSERT_EQ(ms->newIterator(it), Acad::eOk);
        for (; !it->done(); it->step()) {
            AcDbObjectId id;
            it->getEntityId(id);
            refs.push_back(id);
        }
        delete it;
    }
    ASSERT_EQ(refs.size(), 2u);
    std::vector<AcDbObjectId> atts;
    {
        Opened<AcDbBlockReference> ref(refs[0], AcDb::kForRead);
        ASSERT_TRUE(ref);
        Opened<AcDbBlockTableRecord> block(ref->blockTableRecord(), AcDb::kForRead);
        ASSERT_TRUE(block);
        ACHAR* n = nullptr;
        block->getName(n);
        EXPECT_EQ(u8(take(n)), "B");
        AcDbObjectIterator* it = ref->attributeIterator();
        ASSERT_NE(it, nullptr);
        for (; !it->done(); it->step()) atts.push_back(it->objectId());
        delete it;
        Opened<AcDbBlockReference> other(refs[1], AcDb::kForRead);
        it = other->attributeIterator();
        EXPECT_TRUE(it->done());
        delete it;
    }
    ASSERT_EQ(atts.size(), 2u);
    {
        Opened<AcDbAttribute> a(atts[0], AcDb::kForWrite);
        ASSERT_TRUE(a);
        EXPECT_EQ(u8(take(a->tag())), "T1");
        EXPECT_EQ(u8(take(a->textString())), "one");
        EXPECT_EQ(a->blockId(), db.currentSpaceId());
        ASSERT_EQ(a->setTextString(host(u8"один").c_str()), Acad::eOk);
        Opened<AcDbAttribute> b(atts[1], AcDb::kForWrite);
        ASSERT_EQ(b->erase(), Acad::eOk);
    }
    {
        Opened<AcDbBlockReference> ref(refs[0], AcDb::kForRead);
        AcDbObjectIterator* it = ref->attributeIterator();
        int n = 0;
        for (; !it->done(); it->step()) ++n;
        delete it;
        EXPECT_EQ(n, 1);
    }
    ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
    out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print([(a.dxf.tag, a.dxf.text) for a in doc.modelspace().query('INSERT')[0].attribs])
)PY",
                    path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, U8(u8"[('T1', 'один')]\n"));
}

TEST(Entities, PolylineWithVerticesTakesLayerLinetypeAndColour) {
    AcDbDatabase db;
    {
        AcDbLayerTable* t = nullptr;
        ASSERT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
        auto* rec = new AcDbLayerTableRecord();
        rec->setName(ACRX_T("Outline"));
        ASSERT_EQ(t->add(rec), Acad::eOk);
        rec->close();
        t->close();
    }
    std::vector<AcGePoint3d> pts{{0, 0, 1}, {0, 5, 1}, {5, 5, 1}, {5, 0, 1}};
    auto* pl = new AcDb3dPolyline(AcDb::k3dSimplePoly, pts, true);
    EXPECT_TRUE(pl->isClosed());
    ASSERT_EQ(pl->setLayer(ACRX_T("Outline")), Acad::eOk);
    std::vector<AcGePoint3d> got;
    ASSERT_EQ(pl->getVertices(got), Acad::eOk);
    EXPECT_EQ(got.size(), 4u);
    AcDbObjectId id = append(db, pl);
    AcDbObjectId continuous;
    {
        AcDbLinetypeTable* t = nullptr;
        ASSERT_EQ(db.getSymbolTable(t, AcDb::kForRead), Acad::eOk);
        t->getAt(ACRX_T("Continuous"), continuous);
        t->close();
    }
    {
        Opened<AcDb3dPolyline> p(id, AcDb::kForWrite);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->getVertices(got), Acad::eOk);
        ASSERT_EQ(got.size(), 4u);
        EXPECT_DOUBLE_EQ(got[2].x, 5);
        EXPECT_DOUBLE_EQ(got[2].z, 1);
        EXPECT_EQ(p->polyType(), AcDb::k3dSimplePoly);
        AcCmColor c;
        ASSERT_EQ(c.setColorIndex(3), Acad::eOk);
        EXPECT_EQ(c.setColorIndex(300), Acad::eInvalidInput);
        ASSERT_EQ(p->setColor(c), Acad::eOk);
        EXPECT_EQ(p->color(), c);
        ASSERT_EQ(p->setLinetype(continuous), Acad::eOk);
        EXPECT_EQ(p->linetypeId(), continuous);
        EXPECT_EQ(p->setLinetype(db.layerTableId()), Acad::eWrongObjectType);
        EXPECT_EQ(p->setLinetype(ACRX_T("NoSuchType")), Acad::eKeyNotFound);
        p->recordGraphicsModified();
    }
    // A true colour travels with its colour number.
    auto* line = new AcDbLine();
    AcCmColor tc;
    tc.setColorIndex(1);
    tc.setRGB(0x12, 0x34, 0x56);
    ASSERT_EQ(line->setColor(tc), Acad::eOk);
    EXPECT_EQ(line->color().rgb(), 0x123456u);
    append(db, line);

    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("pl.dxf")).c_str()), Acad::eOk);
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
p = doc.modelspace().query('POLYLINE')[0]
print(p.is_3d_polyline, p.is_closed, len(p.vertices), p.dxf.color, p.dxf.linetype, p.dxf.layer)
print(sorted(set((v.dxf.layer, v.dxf.color, v.dxf.linetype) for v in p.vertices)), p.seqend.dxf.layer)
print(hex(doc.modelspace().query('LINE')[0].dxf.true_color))
print(len(doc.audit().errors))
)PY",
                                dir.file("pl.dxf"), ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, "True True 4 3 Continuous Outline\n[('Outline', 3, 'Continuous')] Outline\n0x123456\n0\n");
}

TEST(Entities, LineEnds) {
    AcDbDatabase db;
    AcDbObjectId id = append(db, new AcDbLine(AcGePoint3d(1, 2, 3), AcGePoint3d(4, 5, 6)));
    {
        Opened<AcDbLine> l(id, AcDb::kForRead);
        ASSERT_TRUE(l);
        EXPECT_DOUBLE_EQ(l->startPoint().y, 2);
        EXPECT_DOUBLE_EQ(l->endPoint().z, 6);
        EXPECT_EQ(l->setEndPoint(AcGePoint3d(0, 0, 0)), Acad::eNotOpenForWrite);
        ASSERT_EQ(l->upgradeOpen(), Acad::eOk);
        ASSERT_EQ(l->setEndPoint(AcGePoint3d(7.5, 8, 9)), Acad::eOk);
    }
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("line.dxf")).c_str()), Acad::eOk);
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
l = ezdxf.readfile(sys.argv[1]).modelspace().query('LINE')[0]
print(tuple(l.dxf.start), tuple(l.dxf.end))
)PY",
                                dir.file("line.dxf"), ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, "(1.0, 2.0, 3.0) (7.5, 8.0, 9.0)\n");
}

TEST(Entities, ExtentsFromPointsAndStoredPictures) {
    AcDbDatabase db;
    AcDbObjectId line = append(db, new AcDbLine(AcGePoint3d(4, 1, 0), AcGePoint3d(-2, 3, 5)));
    AcDbObjectId text = append(db, new AcDbText());
    std::vector<AcGePoint3d> pts{{0, 0, 0}, {1, 7, 0}, {3, -1, 2}};
    AcDbObjectId pl = append(db, new AcDb3dPolyline(AcDb::k3dSimplePoly, pts));
    AcDbExtents e;
    {
        Opened<AcDbEntity> l(line, AcDb::kForRead);
        ASSERT_EQ(l->getGeomExtents(e), Acad::eOk);
        EXPECT_DOUBLE_EQ(e.minPoint().x, -2);
        EXPECT_DOUBLE_EQ(e.maxPoint().z, 5);
        Opened<AcDbEntity> p(pl, AcDb::kForRead);
        ASSERT_EQ(p->getGeomExtents(e), Acad::eOk);
        EXPECT_DOUBLE_EQ(e.maxPoint().y, 7);
        EXPECT_DOUBLE_EQ(e.minPoint().y, -1);
        Opened<AcDbEntity> t(text, AcDb::kForRead);
        EXPECT_EQ(t->getGeomExtents(e), Acad::eInvalidExtents);
    }
    // Proxies and native entities with a stored picture.
    for (const std::string& file : {corpusFile("libredwg/test/test-data/example_r14.dxf"),
                                   std::string(ARX_TEST_DATA_DIR) + "/uncommon.dxf"}) {
        if (file.empty() || !std::filesystem::exists(file)) continue;
        AcDbDatabase d(false, true);
        ASSERT_EQ(d.readDwgFile(host(file).c_str()), Acad::eOk) << file;
        int withPicture = 0;
        AcDbBlockTable* bt = nullptr;
        ASSERT_EQ(d.getSymbolTable(bt, AcDb::kForRead), Acad::eOk);
        AcDbBlockTableIterator* blocks = nullptr;
        ASSERT_EQ(bt->newIterator(blocks), Acad::eOk);
        bt->close();
        for (; !blocks->done(); blocks->step()) {
            AcDbBlockTableRecord* block = nullptr;
            if (blocks->getRecord(block) != Acad::eOk) continue;
            AcDbBlockTableRecordIterator* it = nullptr;
            ASSERT_EQ(block->newIterator(it), Acad::eOk);
            block->close();
            for (; !it->done(); it->step()) {
                AcDbEntity* ent = nullptr;
                if (it->getEntity(ent) != Acad::eOk) continue;
                if (AcDbProxyEntity* px = AcDbProxyEntity::cast(ent)) {
                    EXPECT_NE(px->graphicsMetafileType(), AcDbProxyEntity::kNoMetafile) << file;
                }
                if (ent->getGeomExtents(e) == Acad::eOk) {
                    ++withPicture;
                    EXPECT_TRUE(e.isValid());
                    EXPECT_TRUE(std::isfinite(e.minPoint().x) && std::isfinite(e.maxPoint().y));
                }
                ent->close();
            }
            delete it;
        }
        delete blocks;
        EXPECT_GT(withPicture, 0) << file;
    }
}
