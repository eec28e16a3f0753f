// The pass over whole drawings: every place recoded as the engine recodes its
// text and nothing else changed (ezdxf reads the result), round trips, the
// scope flags with their progress lines, refusals and locked layers.
#include <fstream>
#include <stdexcept>

#include "tests/walk/walk_test_util.h"

namespace {

#define EXPECT_ORACLE(before, after, mode, extra)                   \
    do {                                                            \
        bool ok_ = false;                                           \
        std::string out_ = runOracle(before, after, mode, extra, ok_); \
        EXPECT_TRUE(ok_) << out_;                                   \
    } while (0)

// The whole drawing in one direction, checked by the oracle, then in the
// opposite direction, which gives the original back.
void roundTrip(const std::string& version, int there, int back) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, version);
    const std::string mid = dir.file("mid.dxf"), out = dir.file("out.dxf");
    recodeFile(in, mid, optionsFor(there));
    EXPECT_ORACLE(in, mid, std::to_string(there), "");
    recodeFile(mid, out, optionsFor(back));
    EXPECT_ORACLE(mid, out, std::to_string(back), "");
    EXPECT_ORACLE(in, out, "same", "");
}

TEST(WalkPass, R2000WindowsToDosAndBack) { roundTrip("R2000", WindowsToDos, DosToWindows); }
TEST(WalkPass, R2018WindowsToDosAndBack) { roundTrip("R2018", WindowsToDos, DosToWindows); }
TEST(WalkPass, R2018WindowsToEscapesAndBack) { roundTrip("R2018", WindowsToCyrillic, CyrillicToWindows); }
TEST(WalkPass, R2000WindowsToEscapesAndBack) { roundTrip("R2000", WindowsToCyrillic, CyrillicToWindows); }
#ifndef ARX_NARROW
// Latin-1 letters exist only where the file is Unicode.
TEST(WalkPass, R2018WindowsToLatin1AndBack) { roundTrip("R2018", WindowsToLatin1, Latin1ToWindows); }
#endif

TEST(WalkPass, ProgressLinesOfAFullPass) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018");
    const std::string text = recodeFile(in, dir.file("out.dxf"), optionsFor(WindowsToDos));
#ifdef ARX_NARROW
    EXPECT_EQ(text, nameStepLines() + kBlockStepLine);
#else
    EXPECT_EQ(text, nameStepLines() + kBlockStepLine + kRasterStepLine);
#endif
}

// --- scope flags ---------------------------------------------------------------

RecodeOptions only(bool tables, bool texts, bool xdata, bool paths) {
    RecodeOptions o = optionsFor(WindowsToDos);
    o.recodeSymbolTables = tables;
    o.recodeTextEntities = texts;
    o.recodeExtendedData = xdata;
#ifndef ARX_NARROW
    o.recodeFilePaths = paths;
#else
    (void)paths;
#endif
    return o;
}

TEST(WalkScope, AllFlagsOffPrintsNothingAndChangesNothing) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    EXPECT_EQ(recodeFile(in, out, only(false, false, false, false)), "");
    EXPECT_ORACLE(in, out, "same", "");
}

TEST(WalkScope, OnlySymbolTablesRunsTheNameStepsAndLeavesBlocks) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    EXPECT_EQ(recodeFile(in, out, only(true, false, false, false)), nameStepLines());
    EXPECT_ORACLE(in, out, "1", "--skip texts --skip xdata --skip paths");
    AcDbDatabase db(false);
    readDrawing(db, out);
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db.getSymbolTable(blocks, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(blocks->has(host(u8"Рамка").c_str()));
    blocks->close();
}

TEST(WalkScope, OnlyExtendedDataRecodesBlockNamesAndXdataNotTexts) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    EXPECT_EQ(recodeFile(in, out, only(false, false, true, false)), kBlockStepLine);
    EXPECT_ORACLE(in, out, "1", "--skip names --skip texts --skip paths");
}

TEST(WalkScope, OnlyTextsRecodesTextsAndBlockNames) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    EXPECT_EQ(recodeFile(in, out, only(false, true, false, false)), kBlockStepLine);
    EXPECT_ORACLE(in, out, "1", "--skip names --skip xdata --skip paths");
}

#ifndef ARX_NARROW
TEST(WalkScope, OnlyFilePathsRunsBlocksAndRasterSteps) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    EXPECT_EQ(recodeFile(in, out, only(false, false, false, true)), kBlockStepLine + kRasterStepLine);
    EXPECT_ORACLE(in, out, "1", "--skip names --skip texts --skip xdata");
}
#endif

// --- refusals --------------------------------------------------------------------

TEST(WalkRefusals, SecondOfTwoEqualNamesAndInvalidNamesKeepTheirNames) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018", "refusals"), out = dir.file("out.dxf");
    const std::string text = recodeFile(in, out, optionsFor(CyrillicToWindows));
    const std::string dup = u8(acadErrorStatusText(Acad::eDuplicateRecordName));
    const std::string bad = u8(acadErrorStatusText(Acad::eInvalidSymbolTableName));
    EXPECT_NE(text.find(U8(u8"\nОшибка при переименовании слоя <\\U+0410Б>: ") + dup + " \n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(U8(u8"\nОшибка при переименовании слоя <A%%060b>: ") + bad + " \n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(U8(u8"\nОшибка при переименовании блока <A%%060b>: ") + bad + " \n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(U8(u8"\nОшибка при переименовании стиля мультилиний <\\U+0410В>: \n")), std::string::npos)
        << text;
    EXPECT_NE(text.find(U8(u8"\nОшибка при переименовании группы <\\U+0410Г>: ")), std::string::npos) << text;
    // The pass went on: every step finished, the block step after its error line.
    EXPECT_NE(text.find(U8(u8"Ошибка при переименовании блока <A%%060b>: ") + bad + " \n" + U8(u8"готово.")),
              std::string::npos);
    EXPECT_ORACLE(in, out, "3",
                  U8(u8"--keep '\\U+0410Б' --keep 'A%%060b' --keep '\\U+0410В' --keep '\\U+0410Г' "
                     u8"--keep '\\U+0410Д'"));

    AcDbDatabase db(false);
    readDrawing(db, out);
    EXPECT_FALSE(layerId(db, host(u8"АБ")).isNull());
    EXPECT_FALSE(layerId(db, host(u8"\\U+0410Б")).isNull());
    EXPECT_FALSE(layerId(db, host(u8"A%%060b")).isNull());
}

// --- locked layers -----------------------------------------------------------------

TEST(WalkLocks, LockedLayersAreRecodedAndLockedAgainUnderTheirNewNames) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    recodeFile(in, out, optionsFor(WindowsToDos));
    AcDbDatabase db(false);
    readDrawing(db, out);
    // "Окна" and "Закрытый" were locked; "Стены" was not.
    const AcDbObjectId windows = layerId(db, host(u8"ЋЄ\u00ad\u00a0"));
    ASSERT_FALSE(windows.isNull());
    EXPECT_TRUE(layerLocked(windows));
    EXPECT_TRUE(layerLocked(layerId(db, host(u8"‡\u00a0Єалвл©"))));
    EXPECT_FALSE(layerLocked(layerId(db, host(u8"‘вҐ\u00adл"))));
#ifndef ARX_NARROW
    // The text on the locked layer was recoded: the layer was unlocked for the pass.
    bool ok = false;
    const std::string o = runPython("import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
                                    "print('|'.join(t.dxf.text for t in d.modelspace().query('TEXT')))\n",
                                    out, ok);
    EXPECT_NE(o.find(U8(u8"Ќ\u00a0 §\u00a0Єалв®¬ б«®Ґ")), std::string::npos) << o;
#endif
}

#ifndef ARX_NARROW
TEST(WalkLocks, KeeperRelocksRenamedLayersWhenLeftByAnException) {
    AcDbDatabase db(true);
    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    auto* locked = new AcDbLayerTableRecord();
    locked->setName(host(u8"Слой").c_str());
    locked->setIsLocked(true);
    AcDbObjectId id;
    ASSERT_EQ(table->add(id, locked), Acad::eOk);
    locked->close();
    table->close();
    const AcDbObjectId zero = layerId(db, ACRX_T("0"));
    try {
        LayerLockKeeper keeper(&db);
        ASSERT_EQ(keeper.unlocked().size(), 1u);
        EXPECT_FALSE(layerLocked(id));
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(acdbOpenObject(layer, id, AcDb::kForWrite), Acad::eOk);
        EXPECT_EQ(layer->setName(host(u8"Новый").c_str()), Acad::eOk);
        layer->close();
        throw std::runtime_error("out of the pass");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(layerLocked(id));
    EXPECT_EQ(layerId(db, host(u8"Новый")), id);
    EXPECT_FALSE(layerLocked(zero));
    // A drawing without locked layers: nothing is remembered.
    LayerLockKeeper none(&db);
    none.relock();
    LayerLockKeeper keeper(&db);
    EXPECT_EQ(keeper.unlocked().size(), 1u);
}
#endif

// --- the corpus ----------------------------------------------------------------------

TEST(WalkCorpus, RealDrawingsRecodeAsTheEngineSays) {
    SKIP_WITHOUT_EZDXF();
    const auto files = arxtest::dxfFilesBelow(arxtest::corpusDir());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << arxtest::corpusDir();
    TempDir tmp;
    // Every drawing is recoded first; the oracle then checks them all in one run.
    const std::string list = tmp.file("pairs.txt");
    std::ofstream pairs(list, std::ios::binary);
    int recoded = 0;
    std::string sources;  // which drawing each numbered copy is
    for (const auto& file : files) {
        if (std::filesystem::file_size(file) > 3'000'000) continue;
        AcDbDatabase db(false);
        const HStr p = host(file.string());
        if (db.readDwgFile(p.c_str()) != Acad::eOk) continue;
        const std::string n = std::to_string(recoded);
        const std::string in = tmp.file("in" + n + ".dxf"), out = tmp.file("out" + n + ".dxf");
        if (db.saveAs(host(in).c_str()) != Acad::eOk) continue;
        recodeFile(in, out, optionsFor(CyrillicToWindows));
        pairs << in << '\t' << out << '\n';
        sources += in + ": " + file.string() + "\n";
        ++recoded;
    }
    pairs.close();
    ASSERT_GT(recoded, 0);
    bool ok = false;
    const std::string o = runOracleBatch(list, "3", ok);
    EXPECT_TRUE(ok) << o << sources;
    // The oracle saw every drawing and read some of them (those it cannot decode it leaves out).
    auto count = [&o](const std::string& what) {
        int n = 0;
        for (std::size_t at = o.find(what); at != std::string::npos; at = o.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("== "), recoded) << o;
    EXPECT_GT(count("checked "), 0) << o;
}

}  // namespace
