// Real proxy graphics from the shared corpus: every buffer of every drawing decodes without a
// fault, and the decoder agrees with ezdxf's independent decoder (ezdxf.proxygraphic, Debian's
// 0.18.1) on the number of pieces, their kinds, their coordinates and their attributes, wherever
// ezdxf 0.18.1 is right. Where it is known to be wrong the comparison is left out and counted:
//  - it applies only the innermost pushed model transform instead of their product: pieces
//    under nested transforms are compared by kind only;
//  - circles (record 2) and texts take the world-coordinate centre as if it were in the plane's
//    own coordinates: their positions are compared only in planes parallel to the world XY plane;
//  - three-point circles and arcs are found in the XY plane (z dropped): compared only there;
//    and a three-point arc is always taken counterclockwise from its first point to its last
//    (a clockwise one comes out as the rest of the circle): those are compared by centre and
//    radius only;
//  - it reads 8-bit strings as UTF-8 and not in the drawing's code page: narrow texts are
//    compared only when they are ASCII;
//  - it resets the fill state after every piece (the fill record sets a state that lasts until
//    the next fill record), so a filled polygon may come out of it as a polyline or as a hatch;
//    both are accepted;
//  - it does not apply thickness and 0.18.1 misreads linetype indices (it does not skip the
//    BYLAYER and BYBLOCK records), so neither is compared;
//  - 0.18.1 fails on the lightweight-polyline record (it misses the leading byte count): such
//    buffers are compared up to the failure only by what ezdxf listed before it;
//  - 0.18.1 does not know the elliptic-arc record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <numbers>
#include <sstream>

#include <unistd.h>

#include "tests/common/corpus.h"
#include "host/dxf/encoding.h"
#include "host/dxf/hex.h"
#include "host/dxf/tags.h"
#include "host/proxy/graphics.h"
#include "tests/proxy/encoder.h"
#include "tests/proxy/ez_fields.h"

namespace fs = std::filesystem;
using namespace proxygfx;

namespace {

fs::path corpusDir() {
    return arxtest::corpusDir();
}

bool haveEzdxf() {
    static const bool ok = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return ok;
}

struct Buffer {
    std::string handle;
    std::string type;
    GraphicsBytes bytes;
};

struct Drawing {
    std::string acadver, codepage;
    std::vector<std::string> layers;
    std::vector<Buffer> buffers;
    std::string error;
};

// Reads a DXF's header facts, its LAYER table in stored order and the graphics of every entity.
Drawing load(const fs::path& path) {
    Drawing d;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (dxf::isBinaryDxf(text)) {
        std::string ascii, err;
        if (!dxf::binaryToAscii(text, ascii, err)) {
            d.error = err;
            return d;
        }
        text = std::move(ascii);
    }
    dxf::AsciiTagReader reader(text);
    dxf::RawTag tag;
    struct Tv {
        int code;
        std::string_view value;
    };
    std::vector<Tv> rec;
    std::string section, headerVar;
    bool expectSectionName = false;
    auto flush = [&]() {
        if (rec.empty()) return;
        std::string_view type = rec[0].value;
        if (section == "TABLES" && type == "LAYER") {
            for (const Tv& t : rec)
                if (t.code == 2) {
                    d.layers.emplace_back(t.value);
                    break;
                }
        }
        if (section == "ENTITIES" || section == "BLOCKS") {
            bool proxy = type == "ACAD_PROXY_ENTITY";
            GraphicsBytes g = collectGraphicsBytes(rec, proxy);
            if (g.present) {
                Buffer b;
                b.type = std::string(type);
                for (const Tv& t : rec)
                    if (t.code == 5) {
                        b.handle = std::string(t.value);
                        break;
                    }
                b.bytes = std::move(g);
                d.buffers.push_back(std::move(b));
            }
        }
        rec.clear();
    };
    while (reader.next(tag)) {
        if (tag.code == 0) {
            flush();
            if (tag.value == "SECTION") expectSectionName = true;
            if (tag.value == "ENDSEC") section.clear();
        } else if (expectSectionName && tag.code == 2) {
            section = std::string(tag.value);
            expectSectionName = false;
            continue;
        }
        if (section == "HEADER") {
            if (tag.code == 9) headerVar = std::string(tag.value);
            if (headerVar == "$ACADVER" && tag.code == 1) d.acadver = std::string(tag.value);
            if (headerVar == "$DWGCODEPAGE" && tag.code == 3) d.codepage = std::string(tag.value);
            continue;
        }
        rec.push_back({tag.code, tag.value});
    }
    flush();
    if (reader.failed()) d.error = reader.error();
    return d;
}

DecodeContext contextOf(const Drawing& d) {
    DecodeContext ctx;
    ctx.codec = dxf::codecForFile(d.acadver, d.codepage);
    ctx.r2010OrLater = d.acadver >= "AC1024";
    return ctx;
}

std::vector<fs::path> allDrawings() {
    std::vector<fs::path> files;
    std::error_code ec;
    fs::path dir = corpusDir();
    if (!fs::is_directory(dir, ec)) return files;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (it->is_regular_file() && ext == ".dxf") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// --- ezdxf's output --------------------------------------------------------------------------

using EzEntity = EzFields;

struct EzBuffer {
    std::vector<EzEntity> entities;
    std::string error;
};

struct EzResult {
    bool docLoaded = false;
    std::map<std::string, std::size_t> graphicsSize;  // by handle
    std::vector<EzBuffer> buffers;
};

bool runEzdxf(const fs::path& drawing, const std::vector<Buffer>& buffers, EzResult& out) {
    fs::path tmp = fs::temp_directory_path() / ("proxy_xcheck_" + std::to_string(::getpid()));
    fs::create_directories(tmp);
    fs::path in = tmp / "buffers.txt", result = tmp / "ezdxf.txt";
    {
        std::ofstream o(in);
        for (std::size_t i = 0; i < buffers.size(); ++i) {
            std::string hex;
            dxf::hexEncode(buffers[i].bytes.bytes, hex);
            o << i << ' ' << (hex.empty() ? "00" : hex) << '\n';
        }
    }
    // PROXY_EZDXF_SCRIPT in the environment runs another dump script (to try the comparison).
    const char* script = std::getenv("PROXY_EZDXF_SCRIPT");
    if (!script) script = PROXY_EZDXF_SCRIPT;
    std::string cmd = std::string("/usr/bin/python3 '") + script + "' '" + drawing.string() +
                      "' '" + in.string() + "' > '" + result.string() + "' 2>/dev/null";
    int rc = std::system(cmd.c_str());
    std::ifstream r(result);
    std::string line;
    while (std::getline(r, line)) {
        if (line.size() < 2) continue;
        char kind = line[0];
        std::string rest = line.substr(2);
        if (kind == 'D') {
            out.docLoaded = rest.rfind("none", 0) != 0;
        } else if (kind == 'G') {
            std::stringstream ss(rest);
            std::string h;
            std::size_t n;
            ss >> h >> n;
            out.graphicsSize[h] = n;
        } else if (kind == 'B') {
            out.buffers.emplace_back();
        } else if (kind == 'X' && !out.buffers.empty()) {
            out.buffers.back().error = rest.empty() ? "error" : rest;
        } else if (kind == 'E' && !out.buffers.empty()) {
            EzEntity e;
            std::stringstream ss(rest);
            ss >> e.type;
            std::string kv;
            while (ss >> kv) {
                auto eq = kv.find('=');
                if (eq != std::string::npos) e.f[kv.substr(0, eq)] = kv.substr(eq + 1);
            }
            out.buffers.back().entities.push_back(std::move(e));
        }
    }
    fs::remove_all(tmp);
    return rc == 0 && out.buffers.size() == buffers.size();
}

// --- Comparison ------------------------------------------------------------------------------

struct Tally {
    int buffers = 0, pieces = 0, ezdxfFailed = 0;
    int geometryCompared = 0, nestedTransform = 0, notFlatPlane = 0, narrowNonAscii = 0;
    int fillDiffers = 0, layersCompared = 0, clockwiseArcs = 0, nestedDiffers = 0;
    std::map<std::string, int> kinds;
};

bool near(double a, double b, double scale = 1.0) {
    return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b), scale});
}
bool nearPt(const AcGePoint3d& a, const AcGePoint3d& b) {
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}
bool nearAngleDeg(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d) < 1e-7;
}
std::string str(const AcGePoint3d& p) {
    std::ostringstream o;
    o.precision(17);
    o << '(' << p.x << ',' << p.y << ',' << p.z << ')';
    return o.str();
}

bool isFlat(const Primitive& p) {
    const AcGeMatrix3d& m = p.transform;
    return p.normal.isEqualTo(AcGeVector3d::kZAxis, AcGeTol(1e-9, 1e-9)) &&
           std::fabs(m.entry[0][2]) < 1e-12 && std::fabs(m.entry[1][2]) < 1e-12 &&
           std::fabs(m.entry[2][0]) < 1e-12 && std::fabs(m.entry[2][1]) < 1e-12;
}

bool isAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Compares one piece; returns an empty string when it agrees.
std::string compare(const Primitive& p, const EzEntity& e, const std::vector<std::string>& layers,
                    bool docLoaded, Tally& t) {
    std::ostringstream why;
    const std::string& ty = e.type;
    bool kindOk = false;
    switch (p.kind) {
        case PrimitiveKind::Polyline:
        case PrimitiveKind::Polygon:
            kindOk = ty == "POLYLINE" || ty == "POINT" || ty == "HATCH" ||
                     (ty == "LWPOLYLINE" && p.recordType == kLwPolyline);
            break;
        case PrimitiveKind::Shell:
            kindOk = ty == "POLYLINE" && (std::stoi(e.f.at("flags")) & 64);
            break;
        case PrimitiveKind::Mesh:
            kindOk = ty == "POLYLINE" && (std::stoi(e.f.at("flags")) & 16);
            break;
        case PrimitiveKind::Circle:
            kindOk = ty == "CIRCLE";
            break;
        case PrimitiveKind::Arc:
            kindOk = ty == "ARC";
            break;
        case PrimitiveKind::Ellipse:
            kindOk = ty == "ELLIPSE";
            break;
        case PrimitiveKind::Text:
            kindOk = ty == "TEXT";
            break;
        case PrimitiveKind::Ray:
            kindOk = ty == "RAY";
            break;
        case PrimitiveKind::Xline:
            kindOk = ty == "XLINE";
            break;
    }
    if (!kindOk) return std::string("kind ") + kindName(p.kind) + " vs " + ty;

    // Attributes ezdxf keeps: colour, true colour, lineweight, linetype scale, layer.
    int aci = p.attrs.aci().value_or(256);
    auto rgb = p.attrs.rgb();
    double tc = e.num("tc");
    if (rgb) {
        if (tc != static_cast<double>(*rgb)) why << " true colour " << *rgb << " vs " << tc << ';';
    } else if (aci != static_cast<int>(e.num("color")) || tc != -1) {
        why << " colour " << aci << " vs " << e.num("color") << ';';
    }
    if (p.attrs.lineweight.value_or(-3) != static_cast<int>(e.num("lw")))
        why << " lineweight " << p.attrs.lineweight.value_or(-3) << " vs " << e.num("lw") << ';';
    if (!near(p.attrs.linetypeScale.value_or(1.0), e.num("lts"))) why << " ltscale;";
    if (docLoaded) {
        std::string layer =
            p.attrs.layerIndex ? resolveLayerIndex(*p.attrs.layerIndex, layers) : "";
        if (layer.empty()) layer = "0";  // what ezdxf falls back to
        if (layer != e.text("layer")) why << " layer " << layer << " vs " << e.text("layer") << ';';
        ++t.layersCompared;
    }

    // Under nested transforms ezdxf's geometry is wrong wherever the outer transform is not the
    // identity: it is compared all the same, but only to count where the two differ.
    const bool nested = p.transformDepth > 1;
    if (nested)
        ++t.nestedTransform;
    else
        ++t.geometryCompared;
    const std::size_t attributePart = why.str().size();
    switch (p.kind) {
        case PrimitiveKind::Polyline:
        case PrimitiveKind::Polygon: {
            auto pts = e.pts("pts");
            if (ty == "HATCH") {
                ++t.fillDiffers;  // drawn filled; compared in its plane (ezdxf keeps x and y)
                if (pts.size() != p.points.size())
                    why << " hatch has " << pts.size() << " vertices;";
                for (std::size_t i = 0; i < std::min(pts.size(), p.points.size()); ++i)
                    if (!near(pts[i].x, p.points[i].x) || !near(pts[i].y, p.points[i].y))
                        why << " hatch vertex " << i << ';';
                break;
            }
            if (p.attrs.fill && p.points.size() > 2) ++t.fillDiffers;
            if (pts.size() != p.points.size() && !(ty == "POINT" && p.points.size() == 2))
                why << " " << pts.size() << " vertices vs " << p.points.size() << ';';
            for (std::size_t i = 0; i < std::min(pts.size(), p.points.size()); ++i)
                if (!nearPt(pts[i], p.points[i]))
                    why << " vertex " << i << ' ' << str(p.points[i]) << " vs " << str(pts[i])
                        << ';';
            if (ty == "POLYLINE" && (e.num("closed") != 0) != p.closed) why << " closed flag;";
            break;
        }
        case PrimitiveKind::Mesh: {
            auto pts = e.pts("pts");
            if (pts.size() != p.points.size()) why << ' ' << pts.size() << " mesh vertices;";
            for (std::size_t i = 0; i < std::min(pts.size(), p.points.size()); ++i)
                if (!nearPt(pts[i], p.points[i])) why << " mesh vertex " << i << ';';
            break;
        }
        case PrimitiveKind::Shell: {
            std::vector<std::vector<AcGePoint3d>> faces;
            std::stringstream ss(e.f.at("faces"));
            std::string face;
            while (std::getline(ss, face, '|')) {
                EzEntity tmp;
                tmp.f["p"] = face;
                faces.push_back(tmp.pts("p"));
            }
            if (faces.size() != p.faces.size()) {
                why << ' ' << faces.size() << " faces vs " << p.faces.size() << ';';
                break;
            }
            for (std::size_t i = 0; i < faces.size(); ++i) {
                const Face& f = p.faces[i];
                if (faces[i].size() != f.corners) {
                    why << " face " << i << " corners;";
                    continue;
                }
                for (std::size_t k = 0; k < f.corners; ++k)
                    if (!nearPt(faces[i][k], p.points[f.v[k]]))
                        why << " face " << i << " corner " << k << ';';
            }
            break;
        }
        case PrimitiveKind::Circle:
        case PrimitiveKind::Arc:
            // ezdxf finds three-point circles and arcs in the XY plane only (it drops z).
            if ((p.recordType == kCircle && !isFlat(p)) ||
                ((p.recordType == kCircle3P || p.recordType == kCircularArc3P) &&
                 (std::fabs(std::fabs(p.normal.z) - 1) > 1e-12 || std::fabs(p.center.z) > 1e-12))) {
                ++t.notFlatPlane;
                if (!nested) --t.geometryCompared;
                break;
            }
            if (!nearPt(e.pt("c"), p.center))
                why << " centre " << str(p.center) << " vs " << str(e.pt("c")) << ';';
            if (!near(e.num("r"), p.radius)) why << " radius;";
            {
                // A circle is the same about either side of its normal. So is an arc, with its
                // angles turned over: ezdxf writes clockwise three-point arcs about +Z, the
                // decoder keeps their direction in a normal of -Z.
                AcGePoint3d n = e.pt("n");
                AcGeVector3d pn = p.normal;
                double sa = p.startAngle * 180 / std::numbers::pi,
                       ea = p.endAngle * 180 / std::numbers::pi;
                if (pn.dotProduct(n.asVector()) < 0 &&
                    pn.isEqualTo(-AcGeVector3d::kZAxis, AcGeTol(1e-9, 1e-9))) {
                    pn = -pn;
                    double s0 = sa;
                    sa = 180 - ea;
                    ea = 180 - s0;
                }
                if (!near(n.x, pn.x) || !near(n.y, pn.y) || !near(n.z, pn.z)) why << " normal;";
                // ezdxf takes every three-point arc as counterclockwise from the first point to the
                // last: for clockwise ones it gives the other part of the circle.
                bool clockwise3p = p.recordType == kCircularArc3P && p.normal.z < 0;
                t.clockwiseArcs += clockwise3p;
                if (p.kind == PrimitiveKind::Arc && !clockwise3p &&
                    (!nearAngleDeg(sa, e.num("sa")) || !nearAngleDeg(ea, e.num("ea"))))
                    why << " angles " << sa << ".." << ea << " vs " << e.num("sa") << ".."
                        << e.num("ea") << ';';
            }
            break;
        case PrimitiveKind::Text: {
            if (!isFlat(p)) {
                ++t.notFlatPlane;
                if (!nested) --t.geometryCompared;
                break;
            }
            if (!nearPt(e.pt("c"), p.center))
                why << " position " << str(p.center) << " vs " << str(e.pt("c")) << ';';
            if (!near(e.num("h"), p.text.height)) why << " height;";
            if (!near(e.num("w"), p.text.widthFactor)) why << " width factor;";
            double rot =
                std::atan2(p.text.direction.y, p.text.direction.x) * 180 / std::numbers::pi;
            if (!nearAngleDeg(rot, e.num("rot")))
                why << " rotation " << rot << " vs " << e.num("rot") << ';';
            if (!nearAngleDeg(p.text.oblique * 180 / std::numbers::pi, e.num("obl")))
                why << " oblique;";
            if (p.text.unicode || isAscii(p.text.text)) {
                if (p.text.text != e.text("text"))
                    why << " text '" << p.text.text << "' vs '" << e.text("text") << "';";
            } else {
                ++t.narrowNonAscii;
            }
            break;
        }
        case PrimitiveKind::Ray:
        case PrimitiveKind::Xline: {
            if (!nearPt(e.pt("c"), p.points[0])) why << " base point;";
            AcGePoint3d d = e.pt("d");
            if (!near(d.x, p.direction.x) || !near(d.y, p.direction.y) || !near(d.z, p.direction.z))
                why << " direction;";
            break;
        }
        default:
            if (!nested) --t.geometryCompared;
            break;
    }
    if (nested) {
        std::string all = why.str();
        if (all.size() > attributePart) ++t.nestedDiffers;
        return all.substr(0, attributePart);
    }
    return why.str();
}

// The drawings of the corpus with proxy graphics (proxy entities and native entities with a
// stored picture); those absent are skipped.
const char* const kCrossCheckFiles[] = {
    "libredwg/test/test-data/example_r14.dxf",
    "libredwg/test/test-data/r14/Leader.dxf",
    "libredwg/test/test-data/example_2000.dxf",
    "libredwg/test/test-data/example_2004.dxf",
    "libredwg/test/test-data/example_2007.dxf",
    "libredwg/test/test-data/example_2010.dxf",
    "libredwg/test/test-data/example_2013.dxf",
    "libredwg/test/test-data/example_2018.dxf",
    "libredwg/test/test-data/2000/Leader.dxf",
    "libredwg/test/test-data/2010/Leader.dxf",
    "libredwg/test/test-data/2018/Leader.dxf",
    "libredwg/test/test-data/2000/TS1.dxf",
    "libredwg/test/test-data/2018/TS1.dxf",
    "ezdxf/examples_dxf/acad_table_simple.dxf",
    "ezdxf/integration_tests/data/acad_table_with_blk_ref.dxf",
    "ezdxf/examples_dxf/uncommon.dxf",
    "ezdxf/examples_dxf/image/images.dxf",
    "acadsharp/samples/sample_AC1015_ascii.dxf",
    "acadsharp/samples/sample_AC1018_ascii.dxf",
    "acadsharp/samples/sample_AC1024_ascii.dxf",
    "acadsharp/samples/sample_AC1027_ascii.dxf",
    "acadsharp/samples/sample_AC1032_ascii.dxf",
    "dxf2gcode-plasma/dxf/UAP_212718.dxf",
};

class ProxyCrossCheck : public ::testing::TestWithParam<const char*> {};

}  // namespace

// Every picture of every drawing in the corpus is well framed, every record of it decodes, and
// its size tag agrees with its bytes.
TEST(ProxyCorpus, EveryRealPictureDecodesCleanly) {
    auto files = allDrawings();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << corpusDir();
    int buffers = 0, full = 0, none = 0, proxies = 0;
    uint32_t unknown = 0;
    for (const fs::path& f : files) {
        Drawing d = load(f);
        DecodeContext ctx = contextOf(d);
        for (const Buffer& b : d.buffers) {
            SCOPED_TRACE(f.string() + " " + b.type + " " + b.handle);
            ++buffers;
            proxies += b.type == "ACAD_PROXY_ENTITY";
            EXPECT_FALSE(b.bytes.sizeMismatch) << b.bytes.message;
            EXPECT_FALSE(b.bytes.badHex) << b.bytes.message;
            DecodedGraphics g = decodeProxyGraphics(b.bytes.bytes, ctx);
            EXPECT_FALSE(g.corrupt) << g.message;
            EXPECT_EQ(g.skipped, 0u) << g.message;
            EXPECT_EQ(g.unbalancedPops, 0u);
            unknown += g.stats.unknown;  // records of undefined types (51) are passed over
            EXPECT_LE(g.primitives.size(), g.stats.drawing);
            full += g.kind == GraphicsKind::Full;
            if (!g.primitives.empty()) {
                EXPECT_TRUE(drawnExtents(g));
            }
            none += g.kind == GraphicsKind::None;
            std::string_view bytes = b.bytes.bytes;
            EXPECT_EQ(
                classifyProxyGraphics(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                g.kind);
        }
    }
    std::cout << "[ corpus  ] " << files.size() << " drawings, " << buffers << " pictures ("
              << proxies << " of proxy entities), " << full << " full, " << none << " empty, "
              << unknown << " records of undefined types passed over\n";
    EXPECT_GT(buffers, 100);
    EXPECT_GE(proxies, 2);
}

// A table with a block in one cell: the block's picture is pushed inside the table's transform.
// Multiplied, the nested transforms put the block inside the table's grid (ezdxf 0.18.1, which
// applies only the inner one, puts it some 770 units away).
TEST(ProxyCorpus, NestedTransformsPlaceABlockCellInsideItsTable) {
    fs::path path = corpusDir() / "ezdxf/integration_tests/data/acad_table_with_blk_ref.dxf";
    if (!fs::exists(path)) GTEST_SKIP() << "not in the corpus: " << path;
    Drawing d = load(path);
    ASSERT_EQ(d.buffers.size(), 1u);
    DecodedGraphics g = decodeProxyGraphics(d.buffers[0].bytes.bytes, contextOf(d));
    AcDbExtents grid;
    int nested = 0;
    for (const Primitive& p : g.primitives)
        if (p.transformDepth <= 1)
            for (const AcGePoint3d& q : p.points)
                grid.addPoint(q);
    ASSERT_TRUE(grid.isValid());
    for (const Primitive& p : g.primitives) {
        if (p.transformDepth < 2) continue;
        ++nested;
        for (const AcGePoint3d& q : p.points)
            EXPECT_TRUE(grid.contains(q)) << str(q);
        if (p.kind == PrimitiveKind::Circle) {
            EXPECT_TRUE(grid.contains(p.center + AcGeVector3d(p.radius, 0, 0)));
            EXPECT_TRUE(grid.contains(p.center - AcGeVector3d(p.radius, 0, 0)));
        }
    }
    EXPECT_EQ(nested, 3);
}

TEST_P(ProxyCrossCheck, AgreesWithEzdxf) {
    fs::path path = corpusDir() / GetParam();
    if (!fs::exists(path)) GTEST_SKIP() << "not in the corpus: " << path;
    if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
    Drawing d = load(path);
    ASSERT_TRUE(d.error.empty()) << d.error;
    ASSERT_FALSE(d.buffers.empty()) << "no proxy graphics found";
    EzResult ez;
    ASSERT_TRUE(runEzdxf(path, d.buffers, ez)) << "ezdxf_dump.py failed";
    DecodeContext ctx = contextOf(d);
    Tally t;
    int sizeChecked = 0;
    for (std::size_t i = 0; i < d.buffers.size(); ++i) {
        const Buffer& b = d.buffers[i];
        SCOPED_TRACE(b.type + " " + b.handle);
        // Where ezdxf found the entity's graphics itself, it found the same bytes.
        auto found = ez.graphicsSize.find(b.handle);
        if (found != ez.graphicsSize.end()) {
            EXPECT_EQ(found->second, b.bytes.bytes.size());
            ++sizeChecked;
        }
        DecodedGraphics g = decodeProxyGraphics(b.bytes.bytes, ctx);
        const EzBuffer& e = ez.buffers[i];
        ++t.buffers;
        if (!e.error.empty()) {
            ++t.ezdxfFailed;
            EXPECT_TRUE(std::any_of(g.primitives.begin(), g.primitives.end(),
                                    [](const Primitive& p) { return p.recordType == kLwPolyline; }))
                << "ezdxf failed where it should not: " << e.error;
            EXPECT_LE(e.entities.size(), g.primitives.size());
            continue;
        }
        ASSERT_EQ(g.primitives.size(), e.entities.size()) << "number of pieces";
        for (std::size_t k = 0; k < g.primitives.size(); ++k) {
            const Primitive& p = g.primitives[k];
            ++t.pieces;
            ++t.kinds[kindName(p.kind)];
            std::string why = compare(p, e.entities[k], d.layers, ez.docLoaded, t);
            EXPECT_TRUE(why.empty())
                << "piece " << k << " (" << recordTypeName(p.recordType) << "):" << why;
        }
    }
    std::ostringstream kinds;
    for (auto& [k, n] : t.kinds)
        kinds << ' ' << k << '=' << n;
    std::cout << "[ ezdxf   ] " << GetParam() << ": " << t.buffers << " pictures, " << t.pieces
              << " pieces (" << kinds.str() << " ), geometry compared " << t.geometryCompared
              << ", nested transform " << t.nestedTransform << " (ezdxf differs on "
              << t.nestedDiffers << "), off the XY plane " << t.notFlatPlane
              << ", narrow non-ASCII " << t.narrowNonAscii << ", fill differs " << t.fillDiffers
              << ", layers " << (ez.docLoaded ? std::to_string(t.layersCompared) : "not loaded")
              << ", sizes checked " << sizeChecked << ", ezdxf failed " << t.ezdxfFailed << "\n";
}

INSTANTIATE_TEST_SUITE_P(Corpus, ProxyCrossCheck, ::testing::ValuesIn(kCrossCheckFiles),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string n = param.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

// Every record type, written by hand, against ezdxf: the types the corpus lacks (three-point
// circles and arcs, meshes, narrow texts, rays, construction lines, Unicode texts of the short
// form) included. Two types are outside what ezdxf 0.18.1 can do and are checked for that: it
// misreads the lightweight polyline and does not know the elliptic arc (it passes over it).
TEST(ProxyEzdxf, EveryRecordTypeAgreesWithEzdxf) {
    if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
    using proxytest::BitWriter;
    using proxytest::Record;
    constexpr double kPi = std::numbers::pi;
    double move[16] = {1, 0, 0, 100, 0, 1, 0, 50, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<std::pair<const char*, proxytest::Buffer>> cases;
    auto add = [&](const char* name, std::initializer_list<Record> recs) {
        proxytest::Buffer b;
        for (const Record& r : recs)
            b.add(r);
        cases.emplace_back(name, b);
    };
    add("circle", {Record(kAttribColor).u32(1), Record(kCircle).pt(1, 2, 3).f64(4).pt(0, 0, 1)});
    add("circle 3p", {Record(kCircle3P).pt(1, 0, 0).pt(0, 1, 0).pt(-1, 0, 0),
                      Record(kCircle3P).pt(3, 1, 2).pt(1, 3, 2).pt(-1, 1, 2)});
    add("arc", {Record(kAttribLineweight).i32(35),
                Record(kCircularArc).pt(1, 2, 0).f64(2).pt(0, 0, 1).pt(0, 1, 0).f64(kPi / 2).u32(0),
                Record(kCircularArc).pt(0, 0, 0).f64(1).pt(1, 0, 0).pt(0, 1, 0).f64(1.0).u32(0)});
    add("arc 3p", {Record(kCircularArc3P).pt(1, 0, 0).pt(0, 1, 0).pt(-1, 0, 0).u32(0),
                   Record(kCircularArc3P).pt(5, 0, 0).pt(3, 2, 0).pt(1, 0, 0).u32(0),
                   Record(kCircularArc3P).pt(5, 0, 0).pt(3, -2, 0).pt(1, 0, 0).u32(0)});
    add("polylines",
        {Record(kAttribLtscale).f64(3),
         Record(kPolyline).u32(3).pt(0, 0, 0).pt(1, 0, 1).pt(1, 1, 2),
         Record(kPolyline).u32(1).pt(7, 8, 9),
         Record(kPolylineWithNormals).u32(3).pt(0, 0, 0).pt(0, 1, 0).pt(1, 1, 0).pt(0, 0, 1)});
    add("polygon", {Record(kAttribTrueColor).u32(0xC2123456),
                    Record(kPolygon).u32(4).pt(0, 0, 0).pt(1, 0, 0).pt(1, 1, 0).pt(0, 1, 0)});
    add("filled polygon",
        {Record(kAttribFill).u32(1), Record(kPolygon).u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0)});
    {
        Record mesh(kMesh);
        mesh.u32(3).u32(2);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c)
                mesh.pt(c, r, r + c);
        mesh.u32(0).u32(0).u32(0);
        add("mesh", {mesh});
    }
    {
        Record shell(kShell);
        shell.u32(5).pt(0, 0, 0).pt(2, 0, 0).pt(2, 2, 0).pt(0, 2, 0).pt(1, 3, 1);
        shell.u32(5 + 4).i32(4).u32(0).u32(1).u32(2).u32(3).i32(3).u32(3).u32(2).u32(4).u32(0).u32(
            0);
        add("shell", {shell});
    }
    add("text", {Record(kText).pt(1, 2, 0).pt(0, 0, 1).pt(0, 1, 0).f64(2.5).f64(0.8).f64(0.25).str(
                    "narrow")});
    add("text2", {Record(kText2)
                      .pt(3, 4, 0)
                      .pt(0, 0, 1)
                      .pt(1, 1, 0)
                      .str("second")
                      .i32(6)
                      .i32(0)
                      .f64(1.5)
                      .f64(1.2)
                      .f64(0)
                      .f64(100)
                      .u32(0)
                      .u32(0)
                      .u32(0)
                      .u32(0)
                      .u32(0)
                      .str("txt")
                      .str("")});
    add("unicode text", {Record(kUnicodeText)
                             .pt(0, 0, 0)
                             .pt(0, 0, 1)
                             .pt(-1, 0, 0)
                             .f64(1)
                             .f64(1)
                             .f64(0)
                             .ustr(u"Ж и ё")});
    add("unicode text2", {Record(kUnicodeText2)
                              .pt(10, 20, 0)
                              .pt(0, 0, 1)
                              .pt(1, 0, 0)
                              .ustr(u"LEADER")
                              .i32(6)
                              .i32(0)
                              .f64(2.5)
                              .f64(1)
                              .f64(0)
                              .f64(100)
                              .u32(0)
                              .u32(0)
                              .u32(0)
                              .u32(0)
                              .u32(0)
                              .u32(0)
                              .u32(0)
                              .u32(0)
                              .u32(34)
                              .ustr(u"Arial")
                              .ustr(u"arial.ttf")
                              .ustr(u"")});
    add("ray and xline",
        {Record(kRay).pt(1, 1, 0).pt(4, 5, 0), Record(kXline).pt(0, 0, 0).pt(0, 2, 2)});
    add("under a transform",
        {Record(kPushModelTransform).matrix(move), Record(kCircle).pt(1, 0, 0).f64(1).pt(0, 0, 1),
         Record(kPolygon).u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0),
         Record(kUnicodeText).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).ustr(u"m"),
         Record(kPopModelTransform), Record(kRay).pt(0, 0, 0).pt(1, 0, 0)});
    BitWriter w;
    w.bsFull(512)
        .bl(4)
        .raw(0)
        .raw(0)
        .ddAuto(1, 0)
        .ddAuto(0, 0)
        .ddAuto(1, 1)
        .ddAuto(1, 0)
        .ddAuto(0, 1)
        .ddAuto(1, 1);
    add("lightweight polyline", {Record(kLwPolyline)
                                     .u32(static_cast<uint32_t>(w.bytes().size()))
                                     .bytes(w.bytes())
                                     .bytes("\0\0\0")});
    add("elliptic arc",
        {Record(kEllipticArc).pt(0, 0, 0).pt(0, 0, 1).f64(2).f64(1).f64(0).f64(kPi).f64(0)});

    std::vector<Buffer> buffers;
    for (auto& [name, b] : cases) {
        Buffer buf;
        buf.handle = name;
        buf.bytes.bytes = b.bytes();
        buffers.push_back(buf);
    }
    EzResult ez;
    ASSERT_TRUE(runEzdxf("/nonexistent/no-drawing.dxf", buffers, ez));
    EXPECT_FALSE(ez.docLoaded);
    Tally t;
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        SCOPED_TRACE(buffers[i].handle);
        DecodedGraphics g = decodeProxyGraphics(buffers[i].bytes.bytes);
        ASSERT_FALSE(g.corrupt) << g.message;
        ASSERT_EQ(g.skipped, 0u) << g.message;
        const EzBuffer& e = ez.buffers[i];
        if (buffers[i].handle == std::string("lightweight polyline")) {
            // 0.18.1 reads the record without its leading byte count: it stops with an error on
            // real data and here misreads an empty polyline, which it drops.
            EXPECT_TRUE(!e.error.empty() || e.entities.empty()) << "ezdxf 0.18.1 read the record";
            EXPECT_EQ(g.primitives.size(), 1u);
            continue;
        }
        if (buffers[i].handle == std::string("elliptic arc")) {
            EXPECT_TRUE(e.entities.empty());
            ASSERT_EQ(g.primitives.size(), 1u);
            EXPECT_EQ(g.primitives[0].kind, PrimitiveKind::Ellipse);
            continue;
        }
        ASSERT_TRUE(e.error.empty()) << e.error;
        ASSERT_EQ(g.primitives.size(), e.entities.size());
        for (std::size_t k = 0; k < g.primitives.size(); ++k) {
            const Primitive& p = g.primitives[k];
            std::string why = compare(p, e.entities[k], {}, false, t);
            EXPECT_TRUE(why.empty())
                << "piece " << k << " (" << recordTypeName(p.recordType) << "):" << why;
        }
    }
    EXPECT_EQ(t.nestedTransform, 0);
    EXPECT_EQ(t.notFlatPlane, 1);   // the three-point circle at z = 2
    EXPECT_EQ(t.clockwiseArcs, 1);  // compared by centre and radius
}
