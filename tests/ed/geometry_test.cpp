// Picks and windows of cadhost measure entities as the database's extents do:
// texts by characters (Cyrillic as Latin), entities in their object coordinate
// system (a mirrored entity, extrusion 0,0,-1, is found where it is drawn).
// The drawing is made by ezdxf, the independent writer.
#include <map>

#include "cadhost_fixture.h"

namespace {

using namespace cadhosttest;

class Geometry : public Cadhost {
protected:
    // Makes geometry.dxf; false when ezdxf is not installed. `handles` maps the
    // names below to the handles ezdxf gave.
    bool makeDrawing(std::map<std::string, std::string>& handles) {
        std::string out;
        bool available = ezdxf(
            "d = ezdxf.new('R2010')\n"
            "m = d.modelspace()\n"
            "mirror = {'extrusion': (0, 0, -1)}\n"
            "b = d.blocks.new('MARK')\n"
            "b.add_line((0, 0), (1, 0))\n"
            "made = {\n"
            "  'cyrillic': m.add_text('АБВГ', dxfattribs={'height': 1, 'insert': (0, 0)}),\n"
            "  'latin': m.add_text('ABCD', dxfattribs={'height': 1, 'insert': (0, 5)}),\n"
            "  'circle': m.add_circle((10, 0), 1, dxfattribs=mirror),\n"
            "  'insert': m.add_blockref('MARK', (5, -10), dxfattribs=mirror),\n"
            "  'text': m.add_text('MIR', dxfattribs=dict(mirror, height=1, insert=(20, 10))),\n"
            "  'pline': m.add_lwpolyline([(30, 0), (32, 0)], dxfattribs=mirror),\n"
            "}\n"
            "line = list(b)[0]\n"
            "for k, e in made.items(): print(k, e.dxf.handle)\n"
            "print('line', line.dxf.handle)\n"
            "d.saveas('geometry.dxf')\n",
            "", out);
        if (!available) return false;
        std::istringstream in(out);
        std::string name, handle;
        while (in >> name >> handle) handles[name] = handle;
        EXPECT_EQ(handles.size(), 7u) << out;
        return handles.size() == 7;
    }
    Result runGeometry(const std::string& script) {
        return run("-l '" + module() + "' '" + (dir_ / "geometry.dxf").string() + "'", script);
    }
};

TEST_P(Geometry, WindowsFindCyrillicTextsAsLatinOnes) {
    std::map<std::string, std::string> h;
    if (!makeDrawing(h)) GTEST_SKIP() << "ezdxf is not installed";
    // Four letters of height 1 fit a window 2.6 wide whatever their alphabet, and a
    // crossing just beyond the last one touches nothing.
    Result r = runGeometry("TPICK\nS\nW\n-0.1,-0.1\n2.5,1.1\n\nS\nW\n-0.1,4.9\n2.5,6.1\n\n"
                           "S\nC\n2.6,0.4\n2.8,0.6\n\n^C\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(results(r.out), "[pick] rc=-5005\n[ssget] rc=5100\n[ss] 1: " + h["cyrillic"] +
                                  "\n[pick] rc=-5005\n[ssget] rc=5100\n[ss] 1: " + h["latin"] +
                                  "\n[pick] rc=-5005\n[ssget] rc=-5001\n[pick] rc=-5002\n")
        << r.out;
}

TEST_P(Geometry, PicksEndWhereTheTextEnds) {
    std::map<std::string, std::string> h;
    if (!makeDrawing(h)) GTEST_SKIP() << "ezdxf is not installed";
    // The Cyrillic text is as long as the Latin one: a pick inside it hits, one
    // well beyond its end (where twice its letters would reach) misses.
    Result r = runGeometry("TPICK\n1.5,0.5\n4.5,0.5\n1.5,5.5\n4.5,5.5\n^C\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(results(r.out), "[pick] rc=5100 AcDbText\n[picked] " + h["cyrillic"] +
                                  " at (1.5,0.5) move (0,0)\n[pick] rc=-5001\n[errno] 7\n"
                                  "[pick] rc=5100 AcDbText\n[picked] " + h["latin"] +
                                  " at (1.5,5.5) move (0,0)\n[pick] rc=-5001\n[errno] 7\n[pick] rc=-5002\n")
        << r.out;
}

TEST_P(Geometry, MirroredEntitiesArePickedAndWindowedWhereTheyAreDrawn) {
    std::map<std::string, std::string> h;
    if (!makeDrawing(h)) GTEST_SKIP() << "ezdxf is not installed";
    // With the extrusion 0,0,-1 the object x axis points to world -x: the
    // circle at 10,0 is drawn at -10,0, the reference at 5,-10 at -5,-10 (its
    // line running to -6,-10), the text at 20,10 from -20 leftwards, the
    // polyline from -30 to -32.
    Result r = runGeometry(
        "TPICK\n-9,0\n9,0\n-5.5,-10\n-20.5,10.5\n20.5,10.5\n-31,0\n31,0\n"
        "S\nW\n-11.1,-1.1\n-8.9,1.1\n\n"
        "S\nW\n-6.1,-10.1\n-4.9,-9.9\n\n"
        "S\nW\n-22,9.9\n-19.9,11.1\n\n"
        "S\nW\n-32.1,-0.1\n-29.9,0.1\n\n"
        "S\nW\n8.9,-1.1\n11.1,1.1\n\n"
        "^C\n");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string miss = "[pick] rc=-5001\n[errno] 7\n";
    auto set = [](const std::string& handle) { return "[pick] rc=-5005\n[ssget] rc=5100\n[ss] 1: " + handle + "\n"; };
    EXPECT_EQ(results(r.out),
              "[pick] rc=5100 AcDbCircle\n[picked] " + h["circle"] + " at (-9,0) move (0,0)\n" + miss +
                  "[pick] rc=5100 AcDbLine\n[picked] " + h["line"] + " at (-5.5,-10) move (-5,-10)\n[container] " +
                  h["insert"] + "\n" +
                  "[pick] rc=5100 AcDbText\n[picked] " + h["text"] + " at (-20.5,10.5) move (0,0)\n" + miss +
                  "[pick] rc=5100 AcDbPolyline\n[picked] " + h["pline"] + " at (-31,0) move (0,0)\n" + miss +
                  set(h["circle"]) + set(h["insert"]) + set(h["text"]) + set(h["pline"]) +
                  "[pick] rc=-5005\n[ssget] rc=-5001\n[pick] rc=-5002\n")
        << r.out;
}

INSTANTIATE_TEST_SUITE_P(Builds, Geometry, ::testing::Values(kWide, kNarrow),
                         [](const ::testing::TestParamInfo<Build>& p) { return std::string(p.param.name); });

}  // namespace
