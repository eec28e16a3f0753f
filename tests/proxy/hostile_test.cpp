// The decoder on damaged and hostile buffers: counts that do not fit, sizes that lie, strings
// without an end, numbers that are not numbers, and a property loop over many thousands of
// mutated buffers. Whatever the input, the decoder returns (under the sanitizers: without
// reading out of bounds), its result is consistent, and nothing it hands out is NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "host/proxy/graphics.h"
#include "tests/proxy/encoder.h"
#include "tests/proxy/every_record.h"
#include "tests/proxy/invariants.h"

using namespace proxygfx;
using proxytest::BitWriter;
using proxytest::Buffer;
using proxytest::everyRecord;
using proxytest::Record;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

DecodedGraphics decodeChecked(const std::string& bytes) {
    DecodedGraphics g = decodeProxyGraphics(bytes);
    const char* violation = proxytest::invariantViolation(g, bytes);
    EXPECT_EQ(violation, nullptr) << violation;
    return g;
}

}  // namespace

TEST(ProxyHostile, TheRichBufferDecodesWhole) {
    std::string bytes = everyRecord().bytes();
    DecodedGraphics g = decodeChecked(bytes);
    EXPECT_FALSE(g.corrupt) << g.message;
    EXPECT_EQ(g.skipped, 0u) << g.message;
    EXPECT_EQ(g.primitives.size(), 17u);
    EXPECT_EQ(g.kind, GraphicsKind::Full);
    EXPECT_EQ(g.stats.unknown, 1u);
}

TEST(ProxyHostile, CountsThatCannotBeTrue) {
    auto skippedOnly = [](const Record& r, const char* what) {
        auto g = decodeChecked(Buffer().add(r).bytes());
        EXPECT_TRUE(g.primitives.empty()) << what;
        EXPECT_EQ(g.skipped, 1u) << what;
        EXPECT_FALSE(g.corrupt) << what << ": " << g.message;
    };
    skippedOnly(Record(kPolyline).u32(0xFFFFFFFF).pt(0, 0, 0), "polyline count 2^32-1");
    skippedOnly(Record(kPolygon).u32(0x80000000).pt(0, 0, 0), "polygon count 2^31");
    skippedOnly(Record(kPolylineWithNormals).u32(1).pt(0, 0, 0), "normal missing");
    skippedOnly(Record(kPolyline).u32(0), "no vertices");
    skippedOnly(Record(kMesh).u32(0x10000).u32(0x10000).pt(0, 0, 0), "mesh 2^16 x 2^16");
    skippedOnly(Record(kMesh).u32(0xFFFFFFFF).u32(0xFFFFFFFF), "mesh 2^32-1 squared");
    skippedOnly(Record(kMesh).u32(0).u32(5), "mesh without rows");
    skippedOnly(Record(kShell).u32(0xFFFFFFFF), "shell vertices");
    skippedOnly(Record(kShell).u32(1).pt(0, 0, 0).u32(0xFFFFFFFF).i32(1).u32(0), "shell face list");
    skippedOnly(Record(kShell).u32(1).pt(0, 0, 0).u32(2).i32(0x7FFFFFFF).u32(0), "shell face size");
    skippedOnly(Record(kShell).u32(1).pt(0, 0, 0).u32(2).i32(-0x7FFFFFFF).u32(0),
                "shell hole size");
    skippedOnly(Record(kText).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).bytes("abc"),
                "no NUL");
    skippedOnly(Record(kUnicodeText2).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).ustr(u"a").i32(1),
                "cut short");
    skippedOnly(Record(kText2).pt(0, 0, 0), "text cut short");
    skippedOnly(Record(kCircle).pt(0, 0, 0), "circle cut short");
    skippedOnly(Record(kEllipticArc).pt(0, 0, 0).pt(0, 0, 1).f64(0).f64(1).f64(0).f64(1).f64(0),
                "zero major");
    skippedOnly(Record(kLwPolyline).u32(0xFFFFFFFF), "bit stream length");
    skippedOnly(Record(kLwPolyline), "no bit stream length");
}

TEST(ProxyHostile, NumbersThatAreNotNumbers) {
    Buffer b;
    b.add(Record(kCircle).pt(kNaN, 0, 0).f64(1).pt(0, 0, 1));
    b.add(Record(kCircle).pt(0, 0, 0).f64(kInf).pt(0, 0, 1));
    b.add(Record(kCircle).pt(0, 0, 0).f64(1).pt(kNaN, kNaN, kNaN));
    b.add(Record(kCircularArc).pt(0, 0, 0).f64(1).pt(0, 0, 1).pt(1, 0, 0).f64(kNaN).u32(0));
    b.add(Record(kPolyline).u32(2).pt(0, 0, 0).pt(kInf, 0, 0));
    b.add(Record(kPolyline).u32(2).pt(1e308, 0, 0).pt(-1e308, 0, 0));  // finite, kept
    b.add(Record(kText).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(kNaN).f64(1).f64(0).str("t"));
    b.add(Record(kRay).pt(0, 0, 0).pt(kNaN, 0, 0));
    b.add(Record(kExtents).pt(0, 0, 0).pt(kInf, 0, 0));
    b.add(Record(kEllipticArc).pt(0, 0, 0).pt(0, 0, 1).f64(2).f64(1).f64(0).f64(kInf).f64(0));
    auto g = decodeChecked(b.bytes());
    EXPECT_EQ(g.primitives.size(), 1u);
    EXPECT_EQ(g.skipped, 9u) << g.message;
    EXPECT_FALSE(g.extents);

    // A transform full of NaN is refused (what is drawn under it is drawn without it); under one
    // that overflows, the pieces are skipped; what follows the pops is fine.
    double nan16[16];
    for (double& d : nan16)
        d = kNaN;
    double huge[16] = {1e308, 0, 0, 0, 0, 1e308, 0, 0, 0, 0, 1e308, 0, 0, 0, 0, 1};
    auto h = decodeChecked(Buffer()
                               .add(Record(kPushModelTransform).matrix(nan16))
                               .add(Record(kCircle).pt(0, 0, 0).f64(1).pt(0, 0, 1))
                               .add(Record(kPopModelTransform))
                               .add(Record(kPushModelTransform).matrix(huge))
                               .add(Record(kPolyline).u32(2).pt(10, 0, 0).pt(0, 10, 0))
                               .add(Record(kPopModelTransform))
                               .add(Record(kCircle).pt(0, 0, 0).f64(1).pt(0, 0, 1))
                               .bytes());
    ASSERT_EQ(h.primitives.size(), 2u) << h.message;
    EXPECT_EQ(h.skipped, 2u);                      // the NaN push, the overflowing polyline
    EXPECT_EQ(h.primitives[0].transformDepth, 0);  // drawn as if the refused push were absent
    EXPECT_EQ(h.primitives[1].transformDepth, 0);
    EXPECT_EQ(h.unbalancedPops, 0u);
    // Attribute values that are not numbers are refused.
    auto a = decodeChecked(Buffer()
                               .add(Record(kAttribLtscale).f64(kNaN))
                               .add(Record(kAttribThickness).f64(-kInf))
                               .add(Record(kPolyline).u32(1).pt(0, 0, 0))
                               .bytes());
    ASSERT_EQ(a.primitives.size(), 1u);
    EXPECT_FALSE(a.primitives[0].attrs.linetypeScale);
    EXPECT_FALSE(a.primitives[0].attrs.thickness);
    EXPECT_EQ(a.skipped, 2u);
}

TEST(ProxyHostile, HeaderAndRecordSizesThatLie) {
    std::string good = everyRecord().bytes();
    std::mt19937 rng(7);
    for (uint32_t total : {0u, 1u, 7u, 8u, 9u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        std::string s = good;
        std::memcpy(s.data(), &total, 4);
        auto g = decodeChecked(s);
        EXPECT_TRUE(g.corrupt);
    }
    for (uint32_t count : {0u, 1u, 0xFFFFFFFFu}) {
        std::string s = good;
        std::memcpy(s.data() + 4, &count, 4);
        EXPECT_TRUE(decodeChecked(s).corrupt);
    }
    // A record size of 8 everywhere (empty records) and sizes that reach exactly the end.
    for (uint32_t rsize : {0u, 1u, 8u, 9u, 0xFFFFFFF8u}) {
        std::string s = good;
        std::memcpy(s.data() + 8, &rsize, 4);
        decodeChecked(s);
    }
    std::string exact = good;
    uint32_t rest = static_cast<uint32_t>(exact.size() - 8);
    std::memcpy(exact.data() + 8, &rest, 4);
    auto g = decodeChecked(exact);
    EXPECT_TRUE(g.corrupt);  // one record: the count no longer matches
    EXPECT_EQ(g.stats.records, 1u);
}

// Many thousands of buffers made from valid ones by random damage. The loop is deterministic
// (fixed seeds); PROXY_HOSTILE_ROUNDS in the environment runs more rounds.
TEST(ProxyHostile, PropertyLoopOverMutatedBuffers) {
    std::vector<std::string> seeds;
    seeds.push_back(everyRecord().bytes());
    seeds.push_back(Buffer().add(Record(kExtents).pt(0, 0, 0).pt(1, 1, 1)).bytes());
    {
        BitWriter w;
        w.bs(4 | 8 | 2 | 1 | 16 | 32 | 1024)
            .bd(0.5)
            .bd(2)
            .bd(3)
            .bd(0)
            .bd(0)
            .bd(1)
            .bl(4)
            .bl(4)
            .bl(4)
            .bl(4);
        w.raw(1).raw(2);
        for (int i = 0; i < 3; ++i)
            w.ddAuto(i + 2.0, i + 1.0).ddAuto(i, i + 2.0);
        for (int i = 0; i < 4; ++i)
            w.bd(i * 0.25);
        for (int i = 0; i < 4; ++i)
            w.bl(i);
        for (int i = 0; i < 8; ++i)
            w.bd(i);
        seeds.push_back(Buffer()
                            .add(Record(kLwPolyline)
                                     .u32(static_cast<uint32_t>(w.bytes().size()))
                                     .bytes(w.bytes())
                                     .bytes("\0\0\0"))
                            .bytes());
    }
    long rounds = 40000;
    if (const char* env = std::getenv("PROXY_HOSTILE_ROUNDS"))
        rounds = std::max(1L, std::atol(env));
    std::mt19937_64 rng(20260601);
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
    const uint32_t extremes[] = {0,    1,      2,          3,          7,          8,
                                 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};
    int decodedSome = 0;
    for (long round = 0; round < rounds; ++round) {
        std::string s = seeds[pick(seeds.size())];
        int edits = 1 + static_cast<int>(pick(6));
        for (int e = 0; e < edits && !s.empty(); ++e) {
            switch (pick(7)) {
                case 0:
                    s[pick(s.size())] = static_cast<char>(rng());
                    break;  // a byte
                case 1:
                    s[pick(s.size())] ^= static_cast<char>(1u << pick(8));
                    break;  // a bit
                case 2: {   // a word
                    uint32_t v = extremes[pick(std::size(extremes))];
                    std::size_t at = pick(s.size());
                    for (int k = 0; k < 4 && at + k < s.size(); ++k)
                        s[at + k] = static_cast<char>(v >> (8 * k));
                    break;
                }
                case 3:
                    s.resize(pick(s.size() + 1));
                    break;  // truncate
                case 4: {   // duplicate a range
                    std::size_t a = pick(s.size()),
                                n = pick(std::min<std::size_t>(64, s.size() - a) + 1);
                    s.insert(pick(s.size() + 1), s.substr(a, n));
                    break;
                }
                case 5:
                    s.erase(pick(s.size()), pick(16) + 1);
                    break;  // cut a piece out
                case 6: {   // keep the header honest
                    if (s.size() >= 8) {
                        uint32_t total = static_cast<uint32_t>(s.size());
                        std::memcpy(s.data(), &total, 4);
                    }
                    break;
                }
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        DecodedGraphics g = decodeChecked(s);
        if (HasFailure()) return;
        decodedSome += !g.primitives.empty();
    }
    // The damage leaves most buffers partly readable: the loop exercises the record decoders, not
    // only the framing checks.
    EXPECT_GT(decodedSome, rounds / 4);
}

TEST(ProxyHostile, RandomRecordsBehindAnHonestHeader) {
    std::mt19937 rng(99);
    for (int round = 0; round < 20000; ++round) {
        Buffer b;
        int n = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < n; ++i) {
            Record r(rng() % 48);
            int words = static_cast<int>(rng() % 40);
            for (int k = 0; k < words; ++k)
                r.u32(rng() % 4 == 0 ? rng() : rng() % 8);
            if (rng() % 3 == 0) r.bytes("\x01");
            b.add(r);
        }
        std::string s = b.bytes();
        SCOPED_TRACE("round " + std::to_string(round));
        auto g = decodeChecked(s);
        if (HasFailure()) return;
        EXPECT_FALSE(g.corrupt) << g.message;
    }
}
