// Drawing properties through the interface modules use, in both builds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "host/arx.h"

namespace fs = std::filesystem;

namespace {

std::basic_string<ACHAR> take(ACHAR* s) {
    std::basic_string<ACHAR> out = s ? s : ACRX_T("");
    acStrFree(s);
    return out;
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
    const fs::path file = fs::temp_directory_path() / ("summary-api-" + std::to_string(getpid()) + ".dxf");
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
    fs::remove(file);
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

}  // namespace
