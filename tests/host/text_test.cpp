// Text-bearing entities: texts, attributes, attribute definitions and
// multiline texts with their pieces.
#include "arx_test_util.h"

namespace {

AcDbObjectId append(AcDbDatabase& db, AcDbEntity* e) {
    AcDbBlockTableRecord* ms = nullptr;
    EXPECT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(ms->appendAcDbEntity(id, e), Acad::eOk);
    e->close();
    ms->close();
    return id;
}

}  // namespace

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
