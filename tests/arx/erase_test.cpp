// Erased objects leave no references behind: a drawing saved after an erase
// names no object it does not contain. Draw-order entries, group members,
// block reference lists and hatch boundary links of an erased entity are
// removed, reactors to it dropped, other references set to null; what the
// erased entity owns (its extension dictionary) goes with it. An erase undone
// before the save leaves every reference in place.
#include <cstdlib>
#include <map>
#include <sstream>

#include "arx_test_util.h"
#include "host/dbents.h"

namespace {

// Makes the drawing: two lines in a draw order and a group, the first with an
// extension dictionary and named by an xrecord; a polyline bounding an
// associative hatch; a block reference listed by its block's record. Prints
// the handles as NAME=HANDLE lines.
const char* const kMake = R"PY(
import sys, ezdxf
doc = ezdxf.new('R2018')
msp = doc.modelspace()
l1 = msp.add_line((0, 0), (10, 0))
l2 = msp.add_line((0, 1), (10, 1))
msp.set_redraw_order({l1.dxf.handle: 'FF0', l2.dxf.handle: 'FF1'})
doc.groups.new('G').extend([l1, l2])
pl = msp.add_lwpolyline([(0, 0), (5, 0), (5, 5)], close=True)
hatch = msp.add_hatch()
path = hatch.paths.add_polyline_path([(0, 0), (5, 0), (5, 5)], is_closed=True)
hatch.associate(path, [pl])
l1.new_extension_dict().add_xrecord('MINE')
x = doc.rootdict.add_xrecord('POINTS_AT')
x.reset([(340, l1.dxf.handle), (1, 'text')])
doc.blocks.new('B').add_circle((0, 0), 1)
ins = msp.add_blockref('B', (20, 20))
doc.saveas(sys.argv[1])
# ezdxf does not write the list of a block's references: it is added here as
# the real editor writes it.
text = open(sys.argv[1], encoding='utf8').read()
mark = 'AcDbBlockTableRecord\n  2\nB\n'
assert mark in text
text = text.replace(mark, mark + '102\n{BLKREFS\n331\n' + ins.dxf.handle + '\n102\n}\n', 1)
open(sys.argv[1], 'w', encoding='utf8').write(text)
for name, e in (('L1', l1), ('L2', l2), ('PL', pl), ('HATCH', hatch), ('INS', ins), ('X', x)):
    print(name + '=' + e.dxf.handle)
)PY";

// Reads the saved drawing: the references by handle that name no record
// (other than those the original already had), then what ezdxf sees.
const char* const kCheck = R"PY(
import sys, ezdxf
def pointers(path):
    lines = open(path, encoding='latin-1').read().replace('\r', '').split('\n')
    tags = [(int(lines[i]), lines[i + 1].strip()) for i in range(0, len(lines) - 1, 2)]
    handles, refs, rtype = set(), [], None
    for code, value in tags:
        if code == 0:
            rtype = value
        elif code == 5 or (code == 105 and rtype == 'DIMSTYLE'):
            handles.add(value.upper())
        elif (320 <= code <= 369 or 390 <= code <= 399 or code in (480, 481, 1005)) and value not in ('0', ''):
            refs.append((rtype, code, value.upper()))
    return set(r for r in refs if r[2] not in handles)
missing = sorted(pointers(sys.argv[2]) - pointers(sys.argv[1]))
print('missing', missing)
doc = ezdxf.readfile(sys.argv[2])
db = doc.entitydb
h = {k: v for k, v in (a.split('=') for a in sys.argv[3:])}
msp = doc.modelspace()
print('lines', sorted(e.dxf.handle for e in msp.query('LINE')))
print('order', sorted(msp.get_redraw_order()))
print('group', sorted(e.dxf.handle for e in doc.groups.get('G')))
hatch = db[h['HATCH']]
print('hatch', hatch.dxf.associative, [p.source_boundary_objects for p in hatch.paths])
print('xrecord', [(t[0], t[1]) for t in db[h['X']].tags if t[0] == 340])
print('xdict', sum(1 for e in doc.objects if e.dxftype() == 'XRECORD'))
print('audit', len(doc.audit().errors))
)PY";

struct Made {
    std::string file;
    std::map<std::string, std::string> handles;
};

bool make(const TempDir& dir, Made& m) {
    m.file = dir.file("made.dxf");
    bool ok = false;
    std::string out = runPython(kMake, m.file, ok);
    EXPECT_TRUE(ok) << out;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (auto eq = line.find('='); eq != std::string::npos) m.handles[line.substr(0, eq)] = line.substr(eq + 1);
    return ok && m.handles.size() == 6;
}

AcDbObjectId idOfHandle(AcDbDatabase& db, const std::string& hex) {
    AcDbObjectId id;
    EXPECT_EQ(db.getAcDbObjectId(id, false, AcDbHandle(std::strtoull(hex.c_str(), nullptr, 16))), Acad::eOk) << hex;
    return id;
}

Acad::ErrorStatus setErased(AcDbDatabase& db, const std::string& hex, bool erased) {
    AcDbObject* o = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(o, idOfHandle(db, hex), AcDb::kForWrite, true);
    if (es != Acad::eOk) return es;
    es = o->erase(erased);
    o->close();
    return es;
}

std::string check(const Made& m, const std::string& saved) {
    std::string args = m.file + "' '" + saved + "'";
    for (auto& [k, v] : m.handles) args += " '" + k + "=" + v + "'";
    bool ok = false;
    std::string out = runPython(kCheck, args.substr(0, args.size() - 1), ok);
    EXPECT_TRUE(ok) << out;
    return out;
}

TEST(Erase, SavedDrawingNamesNothingThatIsGone) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    Made m;
    ASSERT_TRUE(make(dir, m));
    const std::string& l1 = m.handles["L1"];
    const std::string& l2 = m.handles["L2"];
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(m.file).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    ASSERT_EQ(setErased(db, l1, true), Acad::eOk);
    ASSERT_EQ(setErased(db, m.handles["PL"], true), Acad::eOk);
    ASSERT_EQ(setErased(db, m.handles["INS"], true), Acad::eOk);
    // An erase undone before the save changes nothing.
    ASSERT_EQ(setErased(db, l2, true), Acad::eOk);
    ASSERT_EQ(setErased(db, l2, false), Acad::eOk);
    ASSERT_EQ(db.saveAs(host(dir.file("saved.dxf")).c_str()), Acad::eOk) << u8(db.lastErrorMessage());

    const std::string text = readAll(dir.file("saved.dxf"));
    EXPECT_EQ(text.find("{BLKREFS\n331\n" + m.handles["INS"]), std::string::npos);
    EXPECT_EQ(check(m, dir.file("saved.dxf")),
              "missing []\n"
              "lines ['" + l2 + "']\n"
              "order [('" + l2 + "', 'FF1')]\n"
              "group ['" + l2 + "']\n"
              "hatch 0 [[]]\n"
              "xrecord [(340, '0')]\n"
              "xdict 1\n"
              "audit 0\n");

    // The erased objects are still the database's until it goes: undone, they
    // are saved with every reference again.
    ASSERT_EQ(setErased(db, l1, false), Acad::eOk);
    ASSERT_EQ(db.saveAs(host(dir.file("undone.dxf")).c_str()), Acad::eOk);
    const std::string undone = check(m, dir.file("undone.dxf"));
    EXPECT_EQ(undone.substr(0, undone.find("hatch")), "missing []\nlines ['" + l1 + "', '" + l2 + "']\norder [('" + l1 +
                                                          "', 'FF0'), ('" + l2 + "', 'FF1')]\ngroup ['" + l1 + "', '" +
                                                          l2 + "']\n");
}

// A real drawing whose proxy entities are erased, as the cleanup does.
TEST(Erase, ErasedProxiesOfARealDrawingLeaveNoReferences) {
    const std::string file = corpusFile("libredwg/test/test-data/example_r14.dxf");
    if (file.empty()) GTEST_SKIP() << "corpus file not present";
    SKIP_WITHOUT_EZDXF();
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(file).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    int erased = 0;
    AcDbBlockTable* bt = nullptr;
    ASSERT_EQ(db.getSymbolTable(bt, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableIterator* bi = nullptr;
    ASSERT_EQ(bt->newIterator(bi), Acad::eOk);
    bt->close();
    for (; !bi->done(); bi->step()) {
        AcDbObjectId recId;
        bi->getRecordId(recId);
        std::vector<AcDbObjectId> proxies;
        {
            Opened<AcDbBlockTableRecord> rec(recId, AcDb::kForRead);
            AcDbBlockTableRecordIterator* it = nullptr;
            ASSERT_EQ(rec->newIterator(it), Acad::eOk);
            for (; !it->done(); it->step()) {
                AcDbEntity* e = nullptr;
                if (it->getEntity(e, AcDb::kForRead) != Acad::eOk) continue;
                if (e->isAProxy()) proxies.push_back(e->objectId());
                e->close();
            }
            delete it;
        }
        for (AcDbObjectId id : proxies) {
            AcDbEntity* e = nullptr;
            ASSERT_EQ(acdbOpenObject(e, id, AcDb::kForWrite), Acad::eOk);
            if (e->erase() == Acad::eOk) ++erased;
            e->close();
        }
    }
    delete bi;
    ASSERT_GT(erased, 0);
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("clean.dxf")).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    // The references of the saved drawing, against those of the original.
    const std::string kPointers = std::string(kCheck).substr(0, std::string(kCheck).find("doc = ezdxf.readfile"));
    bool ok = false;
    std::string result = runPython(kPointers, file + "' '" + dir.file("clean.dxf"), ok);
    EXPECT_TRUE(ok) << result;
    EXPECT_EQ(result, "missing []\n");
}

}  // namespace
