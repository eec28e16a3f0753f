// Explode of damaged pictures: a drawing of proxies whose pictures are mutated copies of a rich
// one and random records behind honest headers. Whatever a picture holds, explode returns, every
// piece it hands out measures as a finite box or answers a status, and the pieces, added to the
// drawing, save into a file that reads back whole (and that ezdxf audits clean).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "host/dbcurves.h"
#include "tests/proxy/every_record.h"
#include "tests/proxy/proxy_drawing.h"

using proxytest::Buffer;
using proxytest::ProxyDrawing;
using proxytest::Record;

namespace {

// Mutated copies of the rich picture and random records: damage that still leaves most of a
// picture readable, so that the conversion of pieces is what gets exercised.
std::vector<std::string> hostilePictures(int count) {
    const std::string seed = proxytest::everyRecord().bytes();
    std::mt19937_64 rng(20261208);
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
    const uint32_t extremes[] = {0, 1, 2, 3, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        std::string s;
        if (i % 3 == 2) {
            Buffer b;
            const int n = 1 + static_cast<int>(pick(6));
            for (int k = 0; k < n; ++k) {
                Record r(static_cast<uint32_t>(pick(48)));
                const int words = static_cast<int>(pick(40));
                for (int w = 0; w < words; ++w)
                    r.u32(pick(4) == 0 ? static_cast<uint32_t>(rng()) : static_cast<uint32_t>(pick(8)));
                b.add(r);
            }
            s = b.bytes();
        } else {
            s = seed;
            const int edits = 1 + static_cast<int>(pick(4));
            for (int e = 0; e < edits; ++e) {
                const std::size_t at = 8 + pick(s.size() - 8);  // the header stays honest
                if (pick(2) == 0) {
                    s[at] = static_cast<char>(rng());
                } else {
                    const uint32_t v = extremes[pick(std::size(extremes))];
                    for (int k = 0; k < 4 && at + k < s.size(); ++k) s[at + k] = static_cast<char>(v >> (8 * k));
                }
            }
        }
        out.push_back(std::move(s));
    }
    return out;
}

bool finiteBox(const AcDbExtents& e) {
    const AcGePoint3d a = e.minPoint(), b = e.maxPoint();
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z) && std::isfinite(b.x) &&
           std::isfinite(b.y) && std::isfinite(b.z);
}

TEST(ProxyExplodeHostile, DamagedPicturesGiveSoundPieces) {
    ProxyDrawing pd;
    const int cls = pd.addClass("ACAD_PROXY_ENTITY_WIDGET", 0x1, false);
    const std::vector<std::string> pictures = hostilePictures(600);
    std::vector<std::string> handles;
    for (const std::string& p : pictures) handles.push_back(pd.addProxy(p, cls, "  8\nWalls\n"));
    AcDbDatabase db(false, true);
    ASSERT_EQ(pd.load(db), Acad::eOk);

    std::vector<AcDbEntity*> all;
    int exploded = 0;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        SCOPED_TRACE("proxy " + std::to_string(i));
        AcDbEntity* proxy = nullptr;
        ASSERT_EQ(acdbOpenObject(proxy, ProxyDrawing::idOf(db, handles[i]), AcDb::kForRead), Acad::eOk);
        AcDbVoidPtrArray pieces;
        uint32_t skipped = 0;
        const Acad::ErrorStatus es = proxy->explode(pieces, skipped);
        proxy->close();
        if (es != Acad::eOk) {
            EXPECT_EQ(es, Acad::eNotApplicable);
            EXPECT_TRUE(pieces.empty());
            continue;
        }
        ++exploded;
        for (void* p : pieces) {
            auto* e = static_cast<AcDbEntity*>(p);
            ASSERT_NE(e, nullptr);
            AcDbExtents box;
            const Acad::ErrorStatus ext = e->getGeomExtents(box);
            if (ext == Acad::eOk)
                EXPECT_TRUE(finiteBox(box)) << u8(e->isA()->name());
            else
                EXPECT_TRUE(ext == Acad::eInvalidExtents || ext == Acad::eNotImplementedYet) << ext;
            all.push_back(e);
        }
    }
    // The damage leaves many pictures readable: the test reaches the conversion of pieces.
    EXPECT_GT(exploded, 100);
    EXPECT_GT(all.size(), 500u);

    // Every piece goes into the drawing, and the drawing saves and reads back with all of them.
    std::size_t before = 0;
    {
        AcDbBlockTableRecord* ms = nullptr;
        ASSERT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForWrite), Acad::eOk);
        for (AcDbEntity* e : all) {
            EXPECT_EQ(ms->appendAcDbEntity(e), Acad::eOk);
            e->close();
        }
        ms->close();
        before = static_cast<std::size_t>(db.approxNumObjects());
    }
    EXPECT_EQ(db.numOpenObjects(), 0);
    const std::string out = pd.dir.file("pieces.dxf");
    ASSERT_EQ(db.saveAs(host(out).c_str()), Acad::eOk);
    AcDbDatabase back(false, true);
    ASSERT_EQ(back.readDwgFile(host(out).c_str()), Acad::eOk);
    EXPECT_EQ(static_cast<std::size_t>(back.approxNumObjects()), before);
    const std::string text = readAll(out);
    EXPECT_EQ(text.find("\nnan"), std::string::npos);
    EXPECT_EQ(text.find("\ninf"), std::string::npos);
    EXPECT_EQ(text.find("\n-nan"), std::string::npos);
    EXPECT_EQ(text.find("\n-inf"), std::string::npos);

    SKIP_WITHOUT_EZDXF();
    std::map<std::string, proxytest::EzEntity> ez;
    int audit = -1;
    std::string err;
    ASSERT_TRUE(proxytest::ezdxfModelSpace(out, ez, audit, err)) << err;
    EXPECT_EQ(audit, 0);
    EXPECT_GE(ez.size(), all.size());
}

}  // namespace
