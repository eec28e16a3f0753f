// Drawings made by an independent DXF implementation (ezdxf), with every kind
// of named object and text, in every version it writes and in the Cyrillic
// Windows and DOS code pages: read by the host, renamed through the interface,
// saved, and checked by ezdxf. Every reference to a renamed layer, linetype,
// text style, dimension style or block must follow the rename.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "host/arx.h"

namespace fs = std::filesystem;
using HostString = std::basic_string<ACHAR>;

namespace {

bool haveEzdxf() {
    static const bool ok = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return ok;
}

HostString hostPath(const fs::path& p) {
    std::string s = p.string();
    return HostString(s.begin(), s.end());
}

int python(const std::string& args) {
    std::string cmd = std::string("/usr/bin/python3 ") + ARX_ORACLE_DIR + "/" + args;
    return std::system(cmd.c_str());
}

#ifdef ARX_NARROW
#define ARX_BUILD_NAME "narrow"
#else
#define ARX_BUILD_NAME "wide"
#endif

struct Case {
    const char* version;
    const char* encoding;
};

// Renames one record of a table through the interface.
template <class Table>
void rename(AcDbDatabase& db, const ACHAR* from, const ACHAR* to) {
    Table* table = nullptr;
    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbSymbolTableRecord* rec = nullptr;
    ASSERT_EQ(table->getAt(from, rec, AcDb::kForWrite), Acad::eOk);
    table->close();
    EXPECT_EQ(rec->setName(to), Acad::eOk);
    rec->close();
}

class MadeByEzdxf : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
        const Case c = GetParam();
        tag_ = std::string(c.version) + "-" + c.encoding + "-" + ARX_BUILD_NAME;
        in_ = fs::temp_directory_path() / ("oracle-in-" + tag_ + ".dxf");
        out_ = fs::temp_directory_path() / ("oracle-out-" + tag_ + ".dxf");
        ASSERT_EQ(python("make_drawing.py '" + in_.string() + "' " + c.version + " " + c.encoding), 0);
        ASSERT_EQ(db_.readDwgFile(hostPath(in_).c_str()), Acad::eOk);
    }
    void TearDown() override {
        fs::remove(in_);
        fs::remove(out_);
    }
    int check(const std::string& renames) {
        EXPECT_EQ(db_.saveAs(hostPath(out_).c_str()), Acad::eOk);
        return python("check_drawing.py '" + in_.string() + "' '" + out_.string() + "' " +
                      GetParam().encoding + " '" + renames + "'");
    }
    std::string tag_;
    fs::path in_, out_;
    AcDbDatabase db_{false};
};

TEST_P(MadeByEzdxf, SavedUnchangedKeepsEverything) { EXPECT_EQ(check(""), 0); }

TEST_P(MadeByEzdxf, RenamesReachEveryReference) {
    rename<AcDbLayerTable>(db_, ACRX_T("Стены"), ACRX_T("Несущие стены"));
    rename<AcDbLinetypeTable>(db_, ACRX_T("ШТРИХ"), ACRX_T("Пунктир"));  // any letter case finds it
    rename<AcDbTextStyleTable>(db_, ACRX_T("Шрифт"), ACRX_T("Основной"));
    rename<AcDbDimStyleTable>(db_, ACRX_T("Размеры"), ACRX_T("ГОСТ"));
    rename<AcDbBlockTable>(db_, ACRX_T("Штамп"), ACRX_T("Штамп-2"));
    // The checker takes its arguments in UTF-8, whatever the build's literals are.
    const char8_t* renames =
        u8"layer:Стены=Несущие стены;linetype:Штрих=Пунктир;style:Шрифт=Основной;"
        u8"dimstyle:Размеры=ГОСТ;block:Штамп=Штамп-2";
    EXPECT_EQ(check(reinterpret_cast<const char*>(renames)), 0);
}

INSTANTIATE_TEST_SUITE_P(Versions, MadeByEzdxf,
                         ::testing::Values(Case{"R2000", "cp1251"}, Case{"R2000", "cp866"},
                                           Case{"R2004", "cp1251"}, Case{"R2004", "cp866"},
                                           Case{"R2007", "cp1251"}, Case{"R2010", "cp1251"},
                                           Case{"R2013", "cp1251"}, Case{"R2018", "cp1251"}),
                         [](const ::testing::TestParamInfo<Case>& p) {
                             return std::string(p.param.version) + "_" + p.param.encoding;
                         });

}  // namespace
