// The host's dimension class: the user text of every kind of dimension record.
#include "tests/walk/walk_test_util.h"

namespace {

TEST(WalkHostDimension, UserTextReadAndWrittenThroughTheInterface) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string made = dir.file("dim.dxf"), out = dir.file("out.dxf");
    bool ok = false;
    runPython(U8(u8"import sys, ezdxf\nd = ezdxf.new('R2018')\nm = d.modelspace()\n"
                 u8"m.add_linear_dim(base=(0, 3), p1=(0, 0), p2=(5, 0), text='Длина <>').render()\n"
                 u8"m.add_radius_dim(center=(0, 0), radius=2, angle=45).render()\n"
                 u8"d.saveas(sys.argv[1])\n"),
              made, ok);
    ASSERT_TRUE(ok);
    AcDbDatabase db(false);
    readDrawing(db, made);
    AcDbBlockTableRecord* ms = nullptr;
    ASSERT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecordIterator* it = nullptr;
    ASSERT_EQ(ms->newIterator(it), Acad::eOk);
    std::vector<AcDbObjectId> dims;
    for (; !it->done(); it->step()) {
        AcDbEntity* e = nullptr;
        ASSERT_EQ(it->getEntity(e), Acad::eOk);
        if (e->isKindOf(AcDbDimension::desc())) dims.push_back(e->objectId());
        e->close();
    }
    delete it;
    ms->close();
    ASSERT_EQ(dims.size(), 2u);
    {
        Opened<AcDbDimension> first(dims[0], AcDb::kForWrite);
        EXPECT_EQ(u8(take(first->dimensionText())), U8(u8"Длина <>"));
        EXPECT_EQ(first->setDimensionText(host(u8"Ширина <>").c_str()), Acad::eOk);
        Opened<AcDbDimension> second(dims[1], AcDb::kForRead);
        EXPECT_EQ(u8(take(second->dimensionText())), "<>");  // the measurement alone
        EXPECT_EQ(second->setDimensionText(ACRX_T("x")), Acad::eNotOpenForWrite);
        EXPECT_EQ(first->setDimensionText(nullptr), Acad::eInvalidInput);
    }
    saveDrawing(db, out);
    const std::string s = runPython("import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
                                    "print('|'.join(x.dxf.text for x in d.modelspace().query('DIMENSION')))\n",
                                    out, ok);
    EXPECT_EQ(s, U8(u8"Ширина <>|<>\n"));
}

}  // namespace
