// Tables and multileaders: their texts are read and changed through the
// interface, kept in step with the copies a drawing holds of them, and saved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/arx.h"

namespace fs = std::filesystem;
using HostString = std::basic_string<ACHAR>;

namespace {

HostString hostPath(const fs::path& p) {
    std::string s = p.string();
    return HostString(s.begin(), s.end());
}

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

template <class T>
Acad::ErrorStatus openByHandle(AcDbDatabase& db, uint64_t handle, T*& obj, AcDb::OpenMode mode) {
    AcDbObjectId id;
    Acad::ErrorStatus es = db.getAcDbObjectId(id, false, AcDbHandle(handle));
    if (es != Acad::eOk) return es;
    AcDbObject* o = nullptr;
    es = acdbOpenAcDbObject(o, id, mode, false, T::desc());
    obj = static_cast<T*>(o);
    return es;
}

HostString str(const ACHAR* s) { return s ? HostString(s) : HostString(); }

// Text as the saved file holds it (UTF-8), whatever the build's literals are.
std::string utf8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

class Annotations : public ::testing::Test {
protected:
    void load(const char* name) {
        ASSERT_EQ(db.readDwgFile(hostPath(fs::path(ARX_TEST_DATA_DIR) / name).c_str()), Acad::eOk);
    }
    std::string saveAndRead() {
        // Both builds' tests may run at once: each writes a file of its own.
        fs::path out = fs::temp_directory_path() /
                       ("annot-" + std::to_string(getpid()) + "-" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dxf");
        EXPECT_EQ(db.saveAs(hostPath(out).c_str()), Acad::eOk);
        std::string text = slurp(out);
        // The independent reader takes the changed drawing without complaint.
        if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0) {
            std::string cmd =
                "/usr/bin/python3 -c 'import ezdxf, sys; d = ezdxf.readfile(sys.argv[1]); "
                "sys.exit(1 if d.audit().has_errors else 0)' '" + out.string() + "'";
            EXPECT_EQ(std::system(cmd.c_str()), 0) << "ezdxf finds errors in the saved drawing";
        }
        fs::remove(out);
        return text;
    }
    AcDbDatabase db{false};
};

TEST_F(Annotations, TableCellsReadFromTheDrawing) {
    load("acad_table_simple.dxf");
    AcDbTable* table = nullptr;
    ASSERT_EQ(openByHandle(db, 0x9C, table, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(table->numRows(), 3);
    EXPECT_EQ(table->numColumns(), 3);
    EXPECT_EQ(table->cellType(0, 0), AcDb::kTextCell);
    EXPECT_EQ(table->numContents(0, 0), 1);
    AcValue v = table->value(0, 0, 0);
    EXPECT_EQ(v.dataType(), AcValue::kString);
    EXPECT_EQ(str(v), ACRX_T("Title"));
    // Outside the table: nothing, never a read past the end.
    EXPECT_EQ(table->cellType(3, 0), AcDb::kUnknownCell);
    EXPECT_EQ(table->numContents(-1, 0), 0);
    EXPECT_EQ(table->value(0, 0, 5).dataType(), AcValue::kUnknown);
    EXPECT_TRUE(table->isKindOf(AcDbBlockReference::desc()));
    EXPECT_EQ(table->close(), Acad::eOk);
}

TEST_F(Annotations, SetValueKeepsEveryCopyInStep) {
    load("acad_table_simple.dxf");
    AcDbTable* table = nullptr;
    ASSERT_EQ(openByHandle(db, 0x9C, table, AcDb::kForWrite), Acad::eOk);
    AcValue v = table->value(0, 0, 0);
    v = ACRX_T("Заголовок");
    EXPECT_EQ(table->setValue(0, 0, 0, v), Acad::eOk);
    EXPECT_EQ(str(table->value(0, 0, 0)), ACRX_T("Заголовок"));
    EXPECT_NE(table->setValue(7, 0, 0, v), Acad::eOk);
    EXPECT_EQ(table->close(), Acad::eOk);

    // Read for write again: the value stayed.
    ASSERT_EQ(openByHandle(db, 0x9C, table, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(str(table->value(0, 0, 0)), ACRX_T("Заголовок"));
    table->close();

    std::string text = saveAndRead();
    // The entity, its content object and the block showing the table all hold
    // the new text; the stored picture with the old one is gone from the table.
    std::size_t count = 0;
    const std::string title = utf8(u8"Заголовок");
    for (std::size_t at = text.find(title); at != std::string::npos; at = text.find(title, at + 1))
        ++count;
    EXPECT_GE(count, 4u);
    std::size_t entity = text.find("ACAD_TABLE\n  5\n9C");
    ASSERT_NE(entity, std::string::npos);
    std::size_t marker = text.find("AcDbBlockReference", entity);
    EXPECT_EQ(text.substr(entity, marker - entity).find("\n310\n"), std::string::npos);
}

TEST_F(Annotations, MultileaderText) {
    load("uncommon.dxf");
    AcDbMLeader* leader = nullptr;
    ASSERT_EQ(openByHandle(db, 0x4A5, leader, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(leader->contentType(), AcDbMLeaderStyle::kMTextContent);
    AcDbMText* text = leader->mtext();
    ASSERT_NE(text, nullptr);
    ACHAR* contents = text->contents();
    EXPECT_EQ(str(contents), ACRX_T("LEADER"));
    acStrFree(contents);
    EXPECT_EQ(text->setContents(ACRX_T("ВЫНОСКА")), Acad::eOk);
    EXPECT_EQ(leader->setMText(text), Acad::eOk);
    delete text;
    EXPECT_EQ(leader->close(), Acad::eOk);

    ASSERT_EQ(openByHandle(db, 0x4A5, leader, AcDb::kForRead), Acad::eOk);
    text = leader->mtext();
    ASSERT_NE(text, nullptr);
    contents = text->contents();
    EXPECT_EQ(str(contents), ACRX_T("ВЫНОСКА"));
    acStrFree(contents);
    delete text;
    leader->close();

    std::string saved = saveAndRead();
    std::size_t entity = saved.find("MULTILEADER\n  5\n4A5");
    ASSERT_NE(entity, std::string::npos);
    std::size_t marker = saved.find("AcDbMLeader", entity);
    EXPECT_NE(saved.find(utf8(u8"ВЫНОСКА"), marker), std::string::npos);
    EXPECT_EQ(saved.substr(entity, marker - entity).find("\n310\n"), std::string::npos);
}

TEST_F(Annotations, UnchangedTextKeepsThePicture) {
    load("uncommon.dxf");
    AcDbMLeader* leader = nullptr;
    ASSERT_EQ(openByHandle(db, 0x4A5, leader, AcDb::kForWrite), Acad::eOk);
    AcDbMText* text = leader->mtext();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(leader->setMText(text), Acad::eOk);  // the same text handed back
    delete text;
    leader->close();
    std::string saved = saveAndRead();
    std::size_t entity = saved.find("MULTILEADER\n  5\n4A5");
    std::size_t marker = saved.find("AcDbMLeader", entity);
    EXPECT_NE(saved.substr(entity, marker - entity).find("\n310\n"), std::string::npos);
}

}  // namespace
