// wblock carries the CLASSES entries of what it copies: a proxy keeps its
// original class, application and erase rule in the new drawing, under the
// class number of the new drawing's CLASSES section.
#include <cstdlib>
#include <map>
#include <sstream>

#include "arx_test_util.h"

namespace {

// A drawing with 30 classes of an absent application, the last one allowing
// erase, and a proxy entity of that class (the number of the 30th entry).
// Prints HANDLE=... and NUMBER=....
const char* const kMake = R"PY(
import sys, re, ezdxf
from ezdxf.entities.dxfclass import DXFClass
doc = ezdxf.new('R2000')
for i in range(30):
    c = DXFClass.new(doc=doc)
    c.update_dxf_attribs({'name': 'TESTTHING%d' % i, 'cpp_class_name': 'AcDbTestThing%d' % i,
                          'app_name': 'TestApp', 'flags': 1 if i == 29 else 0,
                          'was_a_proxy': 1, 'is_an_entity': 1})
    doc.classes.register(c)
point = doc.modelspace().add_point((1, 2))
doc.saveas(sys.argv[1])
text = open(sys.argv[1], encoding='utf8').read()
names = re.findall(r'  0\nCLASS\n  1\n([^\n]*)\n', text)
number = 500 + names.index('TESTTHING29')
h = point.dxf.handle
proxy = ('  0\nACAD_PROXY_ENTITY\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n0\n100\nAcDbProxyEntity\n'
         ' 90\n498\n 91\n%d\n 92\n0\n 93\n0\n 95\n0\n 70\n0\n' % (h, point.dxf.owner, number))
text = re.sub(r'  0\nPOINT\n  5\n%s\n.*?(?=  0\n)' % h, lambda m: proxy, text, count=1, flags=re.S)
open(sys.argv[1], 'w', encoding='utf8').write(text)
print('HANDLE=' + h)
print('NUMBER=%d' % number)
)PY";

// The class a saved drawing's proxy entities name, by their class number.
const char* const kClassOfProxies = R"PY(
import sys, re
text = open(sys.argv[1], encoding='latin-1').read().replace('\r', '')
names = re.findall(r'  0\nCLASS\n  1\n([^\n]*)\n', text)
for m in re.finditer(r'  0\nACAD_PROXY_ENTITY\n.*?AcDbProxyEntity\n 90\n *\d+\n 91\n *(\d+)\n', text, flags=re.S):
    n = int(m.group(1)) - 500
    print(names[n] if 0 <= n < len(names) else 'no class %d' % (n + 500))
)PY";

std::string text(ACHAR* s) { return u8(take(s)); }

struct ProxyFacts {
    std::string className, application;
    int flags = -1;
    bool erasable = false;
};

// The first proxy entity of the model space: its class, and whether erase is allowed.
ProxyFacts firstProxy(AcDbDatabase& db, bool tryErase) {
    ProxyFacts f;
    Opened<AcDbBlockTableRecord> ms(db.currentSpaceId(), AcDb::kForRead);
    AcDbBlockTableRecordIterator* it = nullptr;
    EXPECT_EQ(ms->newIterator(it), Acad::eOk);
    for (; !it->done(); it->step()) {
        AcDbObjectId id;
        it->getEntityId(id);
        AcDbProxyEntity* p = nullptr;
        if (acdbOpenObject(p, id, AcDb::kForWrite) != Acad::eOk) continue;
        f.className = text(p->originalClassName());
        f.application = text(p->applicationDescription());
        f.flags = p->proxyFlags();
        if (tryErase) f.erasable = p->erase() == Acad::eOk;
        p->close();
        break;
    }
    delete it;
    return f;
}

AcDbDatabase* wblockOfModelSpace(AcDbDatabase& db) {
    AcDbObjectIdArray ids;
    {
        Opened<AcDbBlockTableRecord> ms(db.currentSpaceId(), AcDb::kForRead);
        AcDbBlockTableRecordIterator* it = nullptr;
        EXPECT_EQ(ms->newIterator(it), Acad::eOk);
        for (; !it->done(); it->step()) {
            AcDbObjectId id;
            it->getEntityId(id);
            ids.append(id);
        }
        delete it;
    }
    AcDbDatabase* out = nullptr;
    EXPECT_EQ(db.wblock(out, ids, AcGePoint3d::kOrigin), Acad::eOk);
    return out;
}

TEST(WblockClasses, ProxyKeepsItsClassUnderTheNewNumber) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    bool ok = false;
    const std::string made = dir.file("proxy.dxf");
    std::string out = runPython(kMake, made, ok);
    ASSERT_TRUE(ok) << out;
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(made).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    ProxyFacts before = firstProxy(db, false);
    ASSERT_EQ(before.className, "AcDbTestThing29");
    ASSERT_EQ(before.flags, 1);

    std::unique_ptr<AcDbDatabase> copy(wblockOfModelSpace(db));
    ASSERT_NE(copy, nullptr);
    ProxyFacts after = firstProxy(*copy, true);
    EXPECT_EQ(after.className, "AcDbTestThing29");
    EXPECT_EQ(after.application, "TestApp");
    EXPECT_EQ(after.flags, 1);
    EXPECT_TRUE(after.erasable);

    // Saved, the copy's proxy names its class in the new CLASSES section.
    std::unique_ptr<AcDbDatabase> again(wblockOfModelSpace(db));
    ASSERT_EQ(again->saveAs(host(dir.file("copy.dxf")).c_str()), Acad::eOk);
    EXPECT_EQ(runPython(kClassOfProxies, dir.file("copy.dxf"), ok), "TESTTHING29\n");
    EXPECT_TRUE(ok);
    // Copying a second time adds no second entry of the class.
    const std::string saved = readAll(dir.file("copy.dxf"));
    EXPECT_EQ(saved.find("TESTTHING29"), saved.rfind("TESTTHING29"));
}

TEST(WblockClasses, ProxiesOfARealDrawing) {
    const std::string file = corpusFile("libredwg/test/test-data/r14/Leader.dxf");
    if (file.empty()) GTEST_SKIP() << "corpus file not present";
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(file).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    ProxyFacts before = firstProxy(db, false);
    ASSERT_FALSE(before.className.empty());
    std::unique_ptr<AcDbDatabase> copy(wblockOfModelSpace(db));
    ASSERT_NE(copy, nullptr);
    ProxyFacts after = firstProxy(*copy, true);
    EXPECT_EQ(after.className, before.className);
    EXPECT_EQ(after.application, before.application);
    EXPECT_EQ(after.flags, before.flags);
    EXPECT_EQ(after.erasable, (before.flags & 1) != 0);
}

}  // namespace
