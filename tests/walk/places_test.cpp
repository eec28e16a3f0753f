// Single places of the walk through the host's interface: the mended faults
// (layer and application references in extended data, custom properties,
// dimension texts, table blocks in both walk orders), the steps that run only
// on the working database, raster images and block definitions.
#include "tests/walk/walk_test_util.h"

namespace {

HStr recoded(const HStr& s) {
    ACHAR* c = acStrDup(s.c_str());
    recodeString(c, recodeOptions.mode);
    HStr out(c);
    acStrFree(c);
    return out;
}

// The 1003 item of the line's extended data names the layer it named before,
// under the layer's new name; the 1000 items of an application whose own name
// recodes are recoded all the same.
TEST(WalkXData, LayerReferencesFollowTheRenamedLayerAndRenamedAppsKeepTheirStrings) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018"), out = dir.file("out.dxf");
    recodeFile(in, out, optionsFor(WindowsToDos));
    bool ok = false;
    const std::string o = runPython(
        "import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
        "line = d.modelspace().query('LINE')[0]\n"
        "for app in line.xdata.data: print('APP', '|'.join(str(v) for c, v in line.xdata.get(app)))\n"
        "print('LAYERS', '|'.join(l.dxf.name for l in d.layers))\n",
        out, ok);
    ASSERT_TRUE(ok) << o;
    recodeOptions = optionsFor(WindowsToDos);
    const std::string app = u8(recoded(host(u8"ПРИЛОЖЕНИЕ")));
    const std::string doors = u8(recoded(host(u8"Двери")));
    // One recoding, not two: the reference is the layer's new name.
    EXPECT_NE(o.find("APP " + app + "|" + u8(recoded(host(u8"строка"))) + "|" + doors + "|{|"), std::string::npos)
        << o;
    EXPECT_NE(o.find("|" + doors + "|", o.find("LAYERS")), std::string::npos) << o;
}

TEST(WalkSummary, PropertiesRecodedCustomOrderAndRepeatedKeysKept) {
    SKIP_WITHOUT_EZDXF();
    for (const char* version : {"R2000", "R2018"}) {
        TempDir dir;
        const std::string in = makeDrawing(dir, version), out = dir.file("out.dxf");
        recodeFile(in, out, optionsFor(WindowsToCyrillic));
        AcDbDatabase db(false);
        readDrawing(db, out);
        AcDbDatabaseSummaryInfo* info = nullptr;
        ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
        ACHAR* s = nullptr;
        info->getTitle(s);
        EXPECT_EQ(u8(take(s)), "\\U+041F\\U+043B\\U+0430\\U+043D \\U+044D\\U+0442\\U+0430\\U+0436\\U+0430");
        info->getLastSavedBy(s);
        EXPECT_NE(u8(take(s)).substr(0, 3), "\\U+") << version;
        ASSERT_EQ(info->numCustomInfo(), 3) << version;
        const char8_t* keys[] = {u8"Заказчик", u8"Стадия", u8"Заказчик"};
        const char8_t* values[] = {u8"ООО Ромашка", u8"П", u8"второй"};
        recodeOptions = optionsFor(WindowsToCyrillic);
        for (int i = 0; i < 3; ++i) {
            ACHAR* k = nullptr;
            ACHAR* v = nullptr;
            ASSERT_EQ(info->getCustomSummaryInfo(i, k, v), Acad::eOk);
            EXPECT_EQ(take(k), recoded(host(keys[i]))) << version << i;
            EXPECT_EQ(take(v), recoded(host(values[i]))) << version << i;
        }
        delete info;
    }
}

#ifndef ARX_NARROW
// Cells and the texts of the table's own block are recoded once, whether the
// block table lists the table's block after or before the space that holds
// the table.
TEST(WalkTable, CellsAndTheTablesBlockRecodedOnceInBothOrders) {
    SKIP_WITHOUT_EZDXF();
    for (const char* variant : {"table", "table-block-first"}) {
        TempDir dir;
        const std::string in = makeDrawing(dir, "R2018", variant), out = dir.file("out.dxf");
        recodeFile(in, out, optionsFor(WindowsToDos));
        bool ok = false;
        const std::string o = runOracle(in, out, "1", "", ok);
        EXPECT_TRUE(ok) << variant << "\n" << o;
        AcDbDatabase db(false);
        readDrawing(db, out);
        ok = false;
        const std::string texts = runPython(
            "import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
            "print('|'.join(sorted(e.text for e in d.blocks['*T1'] if e.dxftype() == 'MTEXT')))\n", out, ok);
        recodeOptions = optionsFor(WindowsToDos);
        EXPECT_NE(texts.find(u8(recoded(host(u8"Заголовок")))), std::string::npos) << variant << texts;
        EXPECT_NE(texts.find(u8(recoded(host(u8"Ячейка 6")))), std::string::npos) << variant << texts;
    }
}
#endif

// The user text of a dimension is recoded with the texts, and only with them.
TEST(WalkDimension, UserTextRecodedUnderTheTextFlag) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018");
    for (bool texts : {true, false}) {
        RecodeOptions o = optionsFor(WindowsToDos);
        o.recodeTextEntities = texts;
        const std::string out = dir.file(texts ? "on.dxf" : "off.dxf");
        recodeFile(in, out, o);
        bool ok = false;
        const std::string s = runPython("import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
                                        "print(d.modelspace().query('DIMENSION')[0].dxf.text)\n", out, ok);
        recodeOptions = o;
        EXPECT_EQ(s, (texts ? u8(recoded(host(u8"Длина <>"))) : U8(u8"Длина <>")) + "\n");
    }
}

// Current layer, styles and the layout tabs on the working database; a file
// of the batch command keeps its current records and system variables alone.
TEST(WalkWorkingDatabase, CurrentRecordsSetAgainOnlyThere) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018");
    for (bool working : {true, false}) {
        AcDbDatabase db(false);
        readDrawing(db, in);
        const AcDbObjectId clayer = db.clayer();
        const AcDbObjectId textstyle = db.textstyle();
        AcDbDatabase* saved = acdbHostApplicationServices()->workingDatabase();
        if (working) acdbHostApplicationServices()->setWorkingDatabase(&db);
        AcDbLayoutManager* tabs = acdbHostApplicationServices()->layoutManager();
        const int before = tabs ? tabs->updateCount() : 0;
        recodeOptions = optionsFor(WindowsToDos);
        printed([&] { recodeDrawing(&db); });
        acdbHostApplicationServices()->setWorkingDatabase(saved);
        EXPECT_EQ(db.clayer(), clayer);
        EXPECT_EQ(db.textstyle(), textstyle);
        if (tabs) {
            EXPECT_EQ(tabs->updateCount(), before + 1);
        }
        const std::string out = dir.file(working ? "w.dxf" : "b.dxf");
        saveDrawing(db, out);
        bool ok = false;
        const std::string s = runPython("import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
                                        "print(d.header['$CLAYER'], d.header['$TEXTSTYLE'])\n", out, ok);
        EXPECT_EQ(s, u8(recoded(host(u8"Стены"))) + " " + u8(recoded(host(u8"Гарнитура"))) + "\n") << working;
    }
}

#ifndef ARX_NARROW
TEST(WalkRaster, NamesAndPathsRecodedSecondEqualNameRefusedSilently) {
    SKIP_WITHOUT_EZDXF();
    TempDir dir;
    const std::string in = makeDrawing(dir, "R2018", "refusals"), out = dir.file("out.dxf");
    const std::string text = recodeFile(in, out, optionsFor(CyrillicToWindows));
    EXPECT_EQ(text.find(U8(u8"растра")), std::string::npos) << text;
    bool ok = false;
    const std::string s = runPython("import sys, ezdxf\nd = ezdxf.readfile(sys.argv[1])\n"
                                    "i = d.rootdict['ACAD_IMAGE_DICT']\n"
                                    "print(sorted(i.keys()), sorted(e.dxf.filename for k, e in i.items()))\n",
                                    out, ok);
    EXPECT_EQ(s, U8(u8"['\\\\U+0410Д', 'АД'] ['C:/А/АД.png', 'C:/А/АД.png']\n"));
}
#endif

TEST(WalkBlockDefinition, ReportsWhatIsNoBlockAndWalksTexts) {
    AcDbDatabase db(true);
    auto* text = new AcDbText();
    text->setTextString(host(u8"Привет").c_str());
    const AcDbObjectId textId = append(db, text);
    passDatabase = &db;
    recodeOptions = optionsFor(WindowsToCyrillic);
    EXPECT_EQ(printed([&] { recodeBlockDefinition(textId); }), U8(u8"\nОшибка открытия BlockTableRecord!"));
    EXPECT_EQ(printed([&] { recodeBlockDefinition(AcDbObjectId()); }), U8(u8"\nОшибка открытия BlockDefinition!"));
    EXPECT_EQ(printed([&] { recodeBlockDefinition(db.currentSpaceId()); }), "");
    Opened<AcDbText> t(textId, AcDb::kForRead);
    EXPECT_EQ(u8(take(t->textString())), "\\U+041F\\U+0440\\U+0438\\U+0432\\U+0435\\U+0442");
    EXPECT_EQ(db.numOpenObjects(), 1);
}

TEST(WalkConverters, UnchangedTextsAreNotWrittenAndNothingStaysOpen) {
    AcDbDatabase db(true);
    auto* text = new AcDbText();
    text->setTextString(ACRX_T("Latin"));
    const AcDbObjectId id = append(db, text);
    saveDrawing(db, "/dev/null");
    ASSERT_FALSE(db.isModified());
    passDatabase = &db;
    recodeOptions = optionsFor(DosToWindows);
    recodeText(id);
    recodeXData(id);
    recodeXrecord(id);
    recodeDictionaryTree(AcDbObjectId());
    recodeBlockReferenceAttributes(id);
    recodeDimensionText(id);
    EXPECT_FALSE(db.isModified());
    EXPECT_EQ(db.numOpenObjects(), 0);
    EXPECT_EQ(recodeDrawing(nullptr), 1);
}

}  // namespace
