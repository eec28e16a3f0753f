// The explode worker and "shardexentity" when the block cannot be written: the
// test holds the model space open for read, so that the block cannot be switched
// to write, and checks that no proxy is lost with its pieces. Runs the module's
// sources in-process in an editor session on a drawing of make_drawings.py.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/aced.h"
#include "host/arx.h"
#include "host/dbhandles.h"
#include "host/ed/session.h"
#include "shardex/shardex.h"

namespace fs = std::filesystem;

namespace {

class Worker : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::system(PYTHON " -c 'import ezdxf' >/dev/null 2>&1") != 0) return;
        char tmpl[] = "/tmp/shardex-worker-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::string cmd = "cd '" + dir_.string() + "' && " PYTHON " '" SHARDEX_TEST_DIR "/make_drawings.py' . >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        arxed::startSession(arxed::SessionOptions{});
        ASSERT_TRUE(arxed::openDrawing((dir_ / "proxies.dxf").string()));
    }
    static void TearDownTestSuite() {
        if (dir_.empty()) return;
        arxed::endSession();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void SetUp() override {
        if (dir_.empty()) GTEST_SKIP() << "needs /usr/bin/python3 with ezdxf";
        std::istringstream in([] {
            std::ifstream f(dir_ / "handles.txt");
            std::stringstream ss;
            ss << f.rdbuf();
            return ss.str();
        }());
        std::string line;
        while (std::getline(in, line)) handles_[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        db_ = acdbHostApplicationServices()->workingDatabase();
        ASSERT_NE(db_, nullptr);
    }

    AcDbObjectId id(const std::string& name) {
        AcDbObjectId result;
        std::string hex = handles_.at(name);
        db_->getAcDbObjectId(result, false, AcDbHandle(std::stoull(hex, nullptr, 16)));
        return result;
    }
    bool alive(const std::string& name) { return !id(name).isNull() && !id(name).isErased(); }
    int entitiesOf(AcDbObjectId block) {
        AcDbBlockTableRecord* rec = nullptr;
        EXPECT_EQ(acdbOpenObject(rec, block, AcDb::kForRead), Acad::eOk);
        AcDbBlockTableRecordIterator* it = nullptr;
        rec->newIterator(it);
        int n = 0;
        for (; !it->done(); it->step()) ++n;
        delete it;
        rec->close();
        return n;
    }

    static fs::path dir_;
    std::map<std::string, std::string> handles_;
    AcDbDatabase* db_ = nullptr;
};

fs::path Worker::dir_;

TEST_F(Worker, ABlockThatCannotBeWrittenKeepsItsProxies) {
    AcDbObjectId inner;
    {
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenObject(ent, id("inner"), AcDb::kForRead), Acad::eOk);
        inner = ent->blockId();
        ent->close();
    }
    AcDbBlockTableRecord* held = nullptr;
    ASSERT_EQ(acdbOpenObject(held, inner, AcDb::kForRead), Acad::eOk);
    int32_t handled = 0, produced = 0;
    EXPECT_EQ(shardex::explodeProxiesInBlock(inner, handled, produced), 0);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(produced, 1);  // made, but the block could not take it
    EXPECT_TRUE(alive("inner")) << "the proxy went while its pieces were discarded";
    EXPECT_EQ(entitiesOf(inner), 1);
    held->close();

    // Once the block can be written, the same call replaces the proxy.
    handled = produced = 0;
    EXPECT_EQ(shardex::explodeProxiesInBlock(inner, handled, produced), 0);
    EXPECT_EQ(handled, 1);
    EXPECT_FALSE(alive("inner"));
    EXPECT_EQ(entitiesOf(inner), 1);  // the line of its picture
    EXPECT_EQ(db_->numOpenObjects(), 0);
}

TEST_F(Worker, ShardexEntityLeavesTheProxyWhenItsBlockCannotBeOpened) {
    AcDbObjectId space = db_->currentSpaceId();
    int before = entitiesOf(space);
    resbuf* arg = acutNewRb(RTENAME);
    ASSERT_EQ(acdbGetAdsName(arg->resval.rlname, id("full")), Acad::eOk);

    AcDbBlockTableRecord* held = nullptr;
    ASSERT_EQ(acdbOpenObject(held, space, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(shardex::explodeProxyEntity(arg), -2);
    EXPECT_TRUE(alive("full"));
    held->close();
    EXPECT_EQ(entitiesOf(space), before);

    EXPECT_EQ(shardex::explodeProxyEntity(arg), 0);
    EXPECT_FALSE(alive("full"));
    EXPECT_EQ(entitiesOf(space), before - 1 + 2);  // a line and a circle in its place
    acutRelRb(arg);
    EXPECT_EQ(db_->numOpenObjects(), 0);
}

TEST_F(Worker, HandlesInUseAreEveryObjectsInOrder) {
    std::vector<AcDbHandle> handles;
    ASSERT_EQ(acdbHandlesInUse(db_, handles), Acad::eOk);
    EXPECT_EQ(static_cast<int32_t>(handles.size()), db_->approxNumObjects());
    EXPECT_TRUE(std::is_sorted(handles.begin(), handles.end(),
                               [](const AcDbHandle& a, const AcDbHandle& b) { return a.value() < b.value(); }));
    EXPECT_TRUE(std::find(handles.begin(), handles.end(), db_->blockTableId().handle()) != handles.end());
    EXPECT_LT(handles.back().value(), db_->handseed().value());
    for (const AcDbHandle& h : handles) {
        AcDbObjectId id;
        EXPECT_EQ(db_->getAcDbObjectId(id, false, h), Acad::eOk) << h.value();
    }
    EXPECT_EQ(acdbHandlesInUse(nullptr, handles), Acad::eNoDatabase);
    EXPECT_TRUE(handles.empty());
}

}  // namespace
