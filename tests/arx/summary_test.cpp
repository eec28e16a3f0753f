// Drawing properties through acdbGetSummaryInfo and acdbPutSummaryInfo.
#include <unistd.h>

#include <filesystem>

#include "arx_test_util.h"

namespace {
std::string str(ACHAR* s) { return u8(take(s)); }
}  // namespace

TEST(SummaryInfo, PropertiesSurviveASaveAndReload) {
    TempDir dir;
    {
        AcDbDatabase db;
        AcDbDatabaseSummaryInfo* info = nullptr;
        ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->database(), &db);
        EXPECT_EQ(info->numCustomInfo(), 0);
        ASSERT_EQ(info->setTitle(host(u8"План этажа").c_str()), Acad::eOk);
        ASSERT_EQ(info->setAuthor(ACRX_T("Ivan")), Acad::eOk);
        EXPECT_EQ(info->setSubject(nullptr), Acad::eInvalidInput);
        ASSERT_EQ(info->addCustomSummaryInfo(ACRX_T("Project"), host(u8"Дом").c_str()), Acad::eOk);
        ASSERT_EQ(info->addCustomSummaryInfo(ACRX_T("Stage"), ACRX_T("2")), Acad::eOk);
        EXPECT_EQ(info->addCustomSummaryInfo(ACRX_T("Stage"), nullptr), Acad::eInvalidInput);
        ACHAR *k = nullptr, *v = nullptr;
        EXPECT_EQ(info->getCustomSummaryInfo(2, k, v), Acad::eInvalidInput);
        EXPECT_EQ(info->getCustomSummaryInfo(-1, k, v), Acad::eInvalidInput);
        EXPECT_EQ(k, nullptr);
        EXPECT_EQ(info->deleteCustomSummaryInfo(5), Acad::eInvalidInput);
        ASSERT_EQ(acdbPutSummaryInfo(info), Acad::eOk);
        delete info;
        ASSERT_EQ(db.saveAs(host(dir.file("p.dxf")).c_str()), Acad::eOk);
    }
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(dir.file("p.dxf")).c_str()), Acad::eOk);
    AcDbDatabaseSummaryInfo* info = nullptr;
    ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
    ACHAR* t = nullptr;
    info->getTitle(t);
    EXPECT_EQ(str(t), U8(u8"План этажа"));
    info->getAuthor(t);
    EXPECT_EQ(str(t), "Ivan");
    ASSERT_EQ(info->numCustomInfo(), 2);
    ACHAR *k = nullptr, *v = nullptr;
    ASSERT_EQ(info->getCustomSummaryInfo(0, k, v), Acad::eOk);
    EXPECT_EQ(str(k), "Project");
    EXPECT_EQ(str(v), U8(u8"Дом"));
    ASSERT_EQ(info->getCustomSummaryInfo(ACRX_T("stage"), v), Acad::eOk);
    EXPECT_EQ(str(v), "2");
    // A key may come twice; lookups find the first.
    ASSERT_EQ(info->addCustomSummaryInfo(ACRX_T("STAGE"), ACRX_T("3")), Acad::eOk);
    ASSERT_EQ(info->getCustomSummaryInfo(ACRX_T("Stage"), v), Acad::eOk);
    EXPECT_EQ(str(v), "2");
    ASSERT_EQ(info->deleteCustomSummaryInfo(ACRX_T("stage")), Acad::eOk);
    ASSERT_EQ(info->getCustomSummaryInfo(ACRX_T("Stage"), v), Acad::eOk);
    EXPECT_EQ(str(v), "3");
    ASSERT_EQ(info->deleteCustomSummaryInfo(1), Acad::eOk);
    ASSERT_EQ(info->addCustomSummaryInfo(ACRX_T("Stage"), ACRX_T("2")), Acad::eOk);
    // Removing and adding back keeps the order given.
    ASSERT_EQ(info->deleteCustomSummaryInfo(0), Acad::eOk);
    ASSERT_EQ(info->addCustomSummaryInfo(ACRX_T("Project"), ACRX_T("House")), Acad::eOk);
    ASSERT_EQ(info->getCustomSummaryInfo(0, k, v), Acad::eOk);
    EXPECT_EQ(str(k), "Stage");
    acStrFree(v);
    delete info;
}

TEST(SummaryInfo, PutAfterTheDatabaseIsGone) {
    auto* db = new AcDbDatabase();
    AcDbDatabaseSummaryInfo* info = nullptr;
    ASSERT_EQ(acdbGetSummaryInfo(db, info), Acad::eOk);
    delete db;
    EXPECT_EQ(info->database(), nullptr);
    EXPECT_EQ(acdbPutSummaryInfo(info), Acad::eNoDatabase);
    delete info;
    EXPECT_EQ(acdbPutSummaryInfo(nullptr), Acad::eNullObjectPointer);
    EXPECT_EQ(acdbGetSummaryInfo(nullptr, info), Acad::eNullObjectPointer);
    EXPECT_EQ(info, nullptr);
}

TEST(SummaryInfo, PropertiesOfAnR2000Drawing) {
    const std::string file = corpusFile("comanda-dxf-postgis/dxf_examples/ex1.dxf");
    if (file.empty()) GTEST_SKIP() << "corpus file not present";
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(file).c_str()), Acad::eOk);
    AcDbDatabaseSummaryInfo* info = nullptr;
    ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
    ACHAR* a = nullptr;
    info->getLastSavedBy(a);
    EXPECT_EQ(str(a), U8(u8"Игорь"));
    ASSERT_EQ(info->setLastSavedBy(ACRX_T("Igor")), Acad::eOk);
    ASSERT_EQ(acdbPutSummaryInfo(info), Acad::eOk);
    delete info;
    TempDir dir;
    ASSERT_EQ(db.saveAs(host(dir.file("ex1.dxf")).c_str()), Acad::eOk);
    AcDbDatabase back(false, true);
    ASSERT_EQ(back.readDwgFile(host(dir.file("ex1.dxf")).c_str()), Acad::eOk);
    ASSERT_EQ(acdbGetSummaryInfo(&back, info), Acad::eOk);
    info->getLastSavedBy(a);
    EXPECT_EQ(str(a), "Igor");
    delete info;
}

TEST(SummaryInfo, PutThenGetThroughASavedFile) {
    AcDbDatabase db(true);
    AcDbDatabaseSummaryInfo* info = nullptr;
    ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->database(), &db);
    EXPECT_EQ(info->setTitle(ACRX_T("План этажа")), Acad::eOk);
    EXPECT_EQ(info->setAuthor(ACRX_T("Петров")), Acad::eOk);
    EXPECT_EQ(info->addCustomSummaryInfo(ACRX_T("Объект"), ACRX_T("Дом 1")), Acad::eOk);
    EXPECT_EQ(info->addCustomSummaryInfo(ACRX_T("Стадия"), ACRX_T("П")), Acad::eOk);
    EXPECT_EQ(info->numCustomInfo(), 2);
    EXPECT_EQ(acdbPutSummaryInfo(info), Acad::eOk);
    delete info;

    // Both builds' tests may run at once: each writes a file of its own.
    const std::filesystem::path file = std::filesystem::temp_directory_path() / ("summary-api-" + std::to_string(getpid()) + ".dxf");
    const std::string name = file.string();
    std::basic_string<ACHAR> path(name.begin(), name.end());
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk);

    AcDbDatabase again(false);
    ASSERT_EQ(again.readDwgFile(path.c_str()), Acad::eOk);
    ASSERT_EQ(acdbGetSummaryInfo(&again, info), Acad::eOk);
    ACHAR* s = nullptr;
    info->getTitle(s);
    EXPECT_EQ(take(s), ACRX_T("План этажа"));
    info->getAuthor(s);
    EXPECT_EQ(take(s), ACRX_T("Петров"));
    ASSERT_EQ(info->numCustomInfo(), 2);
    ACHAR* key = nullptr;
    ACHAR* value = nullptr;
    ASSERT_EQ(info->getCustomSummaryInfo(1, key, value), Acad::eOk);
    EXPECT_EQ(take(key), ACRX_T("Стадия"));
    EXPECT_EQ(take(value), ACRX_T("П"));

    // Indexes outside the list are refused, not read past the end.
    EXPECT_NE(info->getCustomSummaryInfo(2, key, value), Acad::eOk);
    EXPECT_NE(info->deleteCustomSummaryInfo(-1), Acad::eOk);
    EXPECT_EQ(info->deleteCustomSummaryInfo(0), Acad::eOk);
    EXPECT_EQ(info->numCustomInfo(), 1);
    delete info;
    std::filesystem::remove(file);
}

TEST(SummaryInfo, NullArgumentsAreRefused) {
    AcDbDatabaseSummaryInfo* info = nullptr;
    EXPECT_NE(acdbGetSummaryInfo(nullptr, info), Acad::eOk);
    EXPECT_EQ(info, nullptr);
    EXPECT_NE(acdbPutSummaryInfo(nullptr), Acad::eOk);
    AcDbDatabase db(true);
    ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
    EXPECT_NE(info->setTitle(nullptr), Acad::eOk);
    EXPECT_NE(info->addCustomSummaryInfo(ACRX_T("k"), nullptr), Acad::eOk);
    delete info;
}
