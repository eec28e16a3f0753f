#include "tests/walk/walk_test_util.h"

RecodeOptions optionsFor(int mode) {
    RecodeOptions o;
    o.mode = static_cast<RecodeMode>(mode);
    return o;
}

void readDrawing(AcDbDatabase& db, const std::string& path) {
    const HStr p = host(path);
    ASSERT_EQ(db.readDwgFile(p.c_str()), Acad::eOk) << path;
}

void saveDrawing(AcDbDatabase& db, const std::string& path) {
    const HStr p = host(path);
    ASSERT_EQ(db.saveAs(p.c_str()), Acad::eOk) << path;
}

// Drawing properties (ezdxf 0.18 writes none for R2000): six recoded fixed
// properties, one that stays, and custom properties with a repeated key.
void addSummaryInfo(AcDbDatabase& db) {
    AcDbDatabaseSummaryInfo* info = nullptr;
    ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
    info->setTitle(host(u8"План этажа").c_str());
    info->setSubject(host(u8"Тема").c_str());
    info->setAuthor(host(u8"Петров").c_str());
    info->setKeywords(host(u8"ключ слова").c_str());
    info->setComments(host(u8"Примечание").c_str());
    info->setRevisionNumber(host(u8"Ревизия 2").c_str());
    info->setLastSavedBy(host(u8"Иванов").c_str());
    info->setHyperlinkBase(host(u8"http://сайт").c_str());
    info->addCustomSummaryInfo(host(u8"Заказчик").c_str(), host(u8"ООО Ромашка").c_str());
    info->addCustomSummaryInfo(host(u8"Стадия").c_str(), host(u8"П").c_str());
    info->addCustomSummaryInfo(host(u8"Заказчик").c_str(), host(u8"второй").c_str());
    EXPECT_EQ(acdbPutSummaryInfo(info), Acad::eOk);
    delete info;
}

std::string makeDrawing(const TempDir& dir, const std::string& version, const std::string& variant) {
    const std::string made = dir.file("made-" + version + variant + ".dxf");
    const std::string cmd = std::string(ARX_PYTHON) + " " + WALK_TEST_DIR + "/make_drawing.py '" + made + "' " +
                            version + " " + variant + " 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::string in = dir.file("in-" + version + variant + ".dxf");
    AcDbDatabase db(false);
    readDrawing(db, made);
    if (variant.empty()) addSummaryInfo(db);
    saveDrawing(db, in);
    return in;
}

std::string recodeFile(const std::string& in, const std::string& out, const RecodeOptions& options) {
    AcDbDatabase db(false);
    readDrawing(db, in);
    recodeOptions = options;
    const std::string text = printed([&] { EXPECT_EQ(recodeDrawing(&db), 1); });
    EXPECT_EQ(db.numOpenObjects(), 0);
    saveDrawing(db, out);
    return text;
}

std::string runOracle(const std::string& before, const std::string& after, const std::string& mode,
                      const std::string& extra, bool& ok) {
    std::string cmd = std::string(ARX_PYTHON) + " " + WALK_TEST_DIR + "/oracle.py '" + before + "' '" + after +
                      "' " + mode + " " + WALK_RECODE_TEXT + " " + extra;
#ifdef ARX_NARROW
    cmd += " --narrow";
#endif
    cmd += " 2>&1";
    return runCommand(cmd, ok);
}

std::string runOracleBatch(const std::string& list, const std::string& mode, bool& ok) {
    std::string cmd = std::string(ARX_PYTHON) + " " + WALK_TEST_DIR + "/oracle.py --batch '" + list + "' " + mode +
                      " " + WALK_RECODE_TEXT;
#ifdef ARX_NARROW
    cmd += " --narrow";
#endif
    cmd += " 2>&1";
    return runCommand(cmd, ok);
}

std::string nameStepLines() {
    // UTF-8 literals: the narrow build's plain literals are code page 1251.
    const char8_t* const steps[] = {u8"имена типов линий",      u8"имена слоев",
                                    u8"имена ПСК",              u8"имена приложений",
                                    u8"имена групп",            u8"имена форматов",
                                    u8"имена текстовых стилей", u8"имена размерных стилей",
                                    u8"имена видов",            u8"имена видовых экранов",
                                    u8"имена стилей таблиц",    u8"имена стилей мультилиний",
                                    u8"свойства чертежа"};
    std::string s;
    for (const char8_t* step : steps) s += U8(u8"\nОбрабатываются ") + U8(step) + U8(u8"...готово.");
    return s;
}

const std::string kBlockStepLine = U8(u8"\nОбрабатываются текстовые примитивы и имена блоков...готово.");
const std::string kRasterStepLine = U8(u8"\nОбрабатываются пути растровых файлов...готово.");

AcDbObjectId layerId(AcDbDatabase& db, const HStr& name) {
    AcDbLayerTable* table = nullptr;
    AcDbObjectId id;
    if (db.getSymbolTable(table, AcDb::kForRead) != Acad::eOk) return id;
    table->getAt(name.c_str(), id);
    table->close();
    return id;
}

bool layerLocked(AcDbObjectId id) {
    AcDbLayerTableRecord* layer = nullptr;
    if (acdbOpenObject(layer, id, AcDb::kForRead) != Acad::eOk) return false;
    const bool locked = layer->isLocked();
    layer->close();
    return locked;
}
