// Renames reach the references by name that the host used to miss: the layer
// names of a layer index, the true name of a dynamic block that its anonymous
// blocks carry in their extended data, and an arrow block named by $DIMBLK
// without its leading underscore. All are references by name: the real host
// keeps them naming the renamed record.
#include <regex>

#include "arx_test_util.h"

namespace {

const char* const kMake = R"PY(
import sys, ezdxf
d = ezdxf.new('R2018')
d.layers.add('WALLS')
d.blocks.new('Door')
d.blocks.new('_ArchTick')
d.appids.new('AcDbDynamicBlockTrueName')
u = d.blocks.new_anonymous_block()
u.block_record.set_xdata('AcDbDynamicBlockTrueName', [(1000, 'Door')])
d.header['$DIMBLK'] = 'ArchTick'
d.saveas(sys.argv[1])
text = open(sys.argv[1], encoding='utf8').read()
index = ('  0\nLAYER_INDEX\n  5\nFFF0\n330\n%s\n100\nAcDbIndex\n 40\n2451545.0\n100\nAcDbLayerIndex\n'
         '  8\n0\n360\n0\n 90\n0\n  8\nWALLS\n360\n0\n 90\n0\n' % d.rootdict.dxf.handle)
at = text.rfind('  0\nENDSEC')
text = text[:at] + index + text[at:]
open(sys.argv[1], 'w', encoding='utf8').write(text)
)PY";

const char* const kRead = R"PY(
import sys, re
text = open(sys.argv[1], encoding='utf8').read()
i = text.find('AcDbLayerIndex')
print('index', re.findall(r'\n  8\n([^\n]*)', text[i:text.find('\n  0\n', i)]))
i = text.find('AcDbDynamicBlockTrueName\n1000\n')
print('true name', text[i:].split('\n')[2])
i = text.find('$DIMBLK\n')
print('dimblk', text[i:].split('\n')[2])
)PY";

void rename(AcDbObjectId tableId, const ACHAR* from, const ACHAR* to) {
    Opened<AcDbSymbolTable> table(tableId, AcDb::kForRead);
    AcDbObjectId id;
    ASSERT_EQ(table->getAt(from, id), Acad::eOk);
    Opened<AcDbSymbolTableRecord> rec(id, AcDb::kForWrite);
    ASSERT_EQ(rec->setName(to), Acad::eOk);
}

TEST(RenameReach, LayerIndexDynamicBlockTrueNameAndArrowVariables) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    bool ok = false;
    std::string out = runPython(kMake, dir.file("made.dxf"), ok);
    ASSERT_TRUE(ok) << out;
    // Read and saved unchanged, nothing moves.
    {
        AcDbDatabase db(false, true);
        ASSERT_EQ(db.readDwgFile(host(dir.file("made.dxf")).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
        ASSERT_EQ(db.saveAs(host(dir.file("same.dxf")).c_str()), Acad::eOk);
        EXPECT_EQ(runPython(kRead, dir.file("same.dxf"), ok), "index ['0', 'WALLS']\ntrue name Door\ndimblk ArchTick\n");
    }
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(dir.file("made.dxf")).c_str()), Acad::eOk);
    rename(db.layerTableId(), ACRX_T("WALLS"), ACRX_T("MAUERN"));
    rename(db.blockTableId(), ACRX_T("Door"), ACRX_T("Tuer"));
    rename(db.blockTableId(), ACRX_T("_ArchTick"), ACRX_T("_Tick2"));
    ASSERT_EQ(db.saveAs(host(dir.file("renamed.dxf")).c_str()), Acad::eOk) << u8(db.lastErrorMessage());
    EXPECT_EQ(runPython(kRead, dir.file("renamed.dxf"), ok), "index ['0', 'MAUERN']\ntrue name Tuer\ndimblk Tick2\n");
    EXPECT_TRUE(ok);
}

}  // namespace
