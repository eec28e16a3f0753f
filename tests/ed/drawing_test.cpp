// cadhost's commands over the drawing as a whole, in both executables: AUDIT
// on drawings damaged by hand and on a corpus drawing with handles used twice;
// the question before a changed drawing is closed; the scale-list reset a
// module finds through the host's modules; dictionary faults of the
// interface. The saved files are read back by ezdxf, the independent reader.
#include <algorithm>
#include <utility>
#include <vector>

#include "tests/common/corpus.h"
#include "cadhost_fixture.h"
#include "host/core/dxfio.h"
#include "host/core/scalelist.h"

namespace {

using namespace cadhosttest;

class DrawingCommands : public Cadhost {
protected:
    // A new drawing as cadhost saves it (AC1032, the host's template).
    fs::path newDrawing(const std::string& name) {
        Result r = run("", "SAVEAS\n2018\n" + name + "\n");
        EXPECT_EQ(r.status, 0) << r.out;
        return dir_ / (name + ".dxf");
    }

    // Replaces `from` by `to` in the file (once); fails the test when absent.
    static void edit(const fs::path& file, const std::string& from, const std::string& to) {
        std::string text = readFile(file);
        auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << "not in " << file << ": " << from;
        text.replace(at, from.size(), to);
        std::ofstream(file, std::ios::binary) << text;
    }

    // What ezdxf's audit finds in a file, one line per finding; the geometry
    // and content checks (codes 210 and above) are left out: AUDIT does not
    // judge geometry. Empty when ezdxf is not installed.
    std::string ezdxfAudit(const fs::path& file, bool& available) {
        std::string out;
        available = ezdxf("d = ezdxf.readfile(sys.argv[1])\n"
                          "a = d.audit()\n"
                          "for e in list(a.errors) + list(a.fixes):\n"
                          "    if e.code < 210: print(e.code, e.message)\n",
                          "'" + file.string() + "'", out);
        return out;
    }

    // True when $HANDSEED of the file is above every handle in it.
    static bool seedAboveHandles(const fs::path& file) {
        std::istringstream in(readFile(file));
        std::string code, value;
        uint64_t seed = 0, highest = 0;
        bool seedNext = false;
        while (std::getline(in, code) && std::getline(in, value)) {
            int c = std::atoi(code.c_str());
            if (c == 9) seedNext = value == "$HANDSEED";
            else if (c == 5 && seedNext) seed = std::stoull(value, nullptr, 16);
            else if (c == 5 || c == 105) highest = std::max<uint64_t>(highest, std::stoull(value, nullptr, 16));
            if (c != 9 && c != 5) seedNext = false;
        }
        return seed > highest;
    }

    // The scale names of a saved drawing, read by the host's core.
    static std::vector<std::string> scaleNames(const fs::path& file, bool& imperial) {
        hostcore::Drawing d;
        std::string error;
        std::vector<std::string> names;
        if (!hostcore::loadDxf(d, readFile(file), error)) {
            ADD_FAILURE() << error;
            return names;
        }
        imperial = hostcore::imperialDrawing(d);
        for (const hostcore::Scale& s : hostcore::readScaleList(d)) names.push_back(s.name);
        return names;
    }
};

// --- AUDIT -------------------------------------------------------------------------

// A drawing with one fault of every kind AUDIT looks for.
const char* const kDamagedEntities =
    "ENTITIES\n"
    // on a layer and with a linetype that do not exist
    "  0\nLINE\n  5\n100\n330\n17\n100\nAcDbEntity\n  8\nNOSUCHLAYER\n  6\nDASHEDX\n100\nAcDbLine\n"
    " 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n1.0\n 21\n0.0\n 31\n0.0\n"
    // its owner is missing
    "  0\nLINE\n  5\n101\n330\nFFE\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n"
    " 10\n0.0\n 20\n1.0\n 30\n0.0\n 11\n1.0\n 21\n1.0\n 31\n0.0\n"
    // the handle of the first line; extended data names a missing object
    "  0\nCIRCLE\n  5\n100\n330\n17\n100\nAcDbEntity\n  8\n0\n100\nAcDbCircle\n"
    " 10\n5.0\n 20\n5.0\n 30\n0.0\n 40\n1.0\n1001\nACAD\n1005\nFFF\n"
    // a text style that does not exist
    "  0\nTEXT\n  5\n102\n330\n17\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n"
    " 10\n0.0\n 20\n3.0\n 30\n0.0\n 40\n1.0\n  1\nhello\n  7\nNOSTYLE\n100\nAcDbText\n"
    // a block that does not exist
    "  0\nINSERT\n  5\n103\n330\n17\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockReference\n  2\nNOBLOCK\n"
    " 10\n9.0\n 20\n9.0\n 30\n0.0\n";

const char* const kDamagedObjects =
    // not listed by its owner, and nothing refers to it
    "  0\nXRECORD\n  5\n105\n330\nA\n100\nAcDbXrecord\n280\n1\n  1\nlost\n"
    // its owner is missing, but the root dictionary lists it; its data names a missing object
    "  0\nXRECORD\n  5\n106\n330\nFFB\n100\nAcDbXrecord\n280\n1\n  1\nkept\n340\nFFA\n";

TEST_P(DrawingCommands, AuditFindsAndFixesEveryKindOfFault) {
    fs::path file = newDrawing("damaged");
    edit(file, "ENTITIES\n", kDamagedEntities);
    // a dictionary entry naming a missing object, and one naming the second xrecord
    edit(file, "  3\nACAD_COLOR\n350\nB\n", "  3\nACAD_COLOR\n350\nB\n  3\nGHOST\n350\nFFC\n  3\nEDTEST_REC\n350\n106\n");
    // a reactor to a missing object
    edit(file, "TABLESTYLE\n  5\n32\n102\n{ACAD_REACTORS\n330\n15\n", "TABLESTYLE\n  5\n32\n102\n{ACAD_REACTORS\n330\n15\n330\nFFD\n");
    // the current layer does not exist
    edit(file, "$CLAYER\n  8\n0\n", "$CLAYER\n  8\nGONE\n");
    {
        std::string text = readFile(file);
        auto objectsEnd = text.rfind("  0\nENDSEC");
        text.insert(objectsEnd, kDamagedObjects);
        std::ofstream(file, std::ios::binary) << text;
    }

    // Without the fix: found, nothing changed, the drawing stays unmodified.
    Result r = run("damaged.dxf", "AUDIT\nN\nGETVAR\nDBMOD\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("12 errors found, 0 fixed."), std::string::npos) << r.out;
    // (The loader itself makes the layer an entity names, as the host does on load.)
    EXPECT_NE(r.out.find("Auditing: 52 objects checked"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos) << r.out;

    r = run("damaged.dxf", "AUDIT\nYes\nGETVAR\nDBMOD\nAUDIT\n\nSAVEAS\n\nfixed\n");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string out = r.out;
    for (const char* line : {
             "CIRCLE (100): handle used by LINE (100) too - given ",
             "LINE (101): owner FFE is missing - moved to model space\n",
             "INSERT (103): block \"NOBLOCK\" does not exist - erased\n",
             "XRECORD (105): its owner DICTIONARY (A) does not list it and nothing refers to it - erased\n",
             "XRECORD (106): owner FFB is missing - given to DICTIONARY (A), which lists it\n",
             "DICTIONARY (A): entry \"GHOST\" names missing object FFC - removed\n",
             "LINE (100): linetype \"DASHEDX\" does not exist - set to ByLayer\n",
             "reference 1005 to missing object FFF - set to null\n",
             "TEXT (102): text style \"NOSTYLE\" does not exist - set to Standard\n",
             "TABLESTYLE (32): reactor missing object FFD - removed\n",
             "XRECORD (106): reference 340 to missing object FFA - set to null\n",
             "header $CLAYER names \"GONE\", which does not exist - layer made\n",
             "12 errors found, 12 fixed.",
         })
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_NE(out.find("DBMOD = 1"), std::string::npos);
    // A second AUDIT finds nothing, and nor does one of the saved drawing.
    EXPECT_NE(out.find("0 errors found, 0 fixed.\nCommand: SAVEAS"), std::string::npos) << out;
    r = run("fixed.dxf", "AUDIT\nY\n");
    EXPECT_NE(r.out.find(" 0 errors found, 0 fixed."), std::string::npos) << r.out;

    bool available = false;
    std::string found = ezdxfAudit(dir_ / "fixed.dxf", available);
    if (!available) GTEST_SKIP() << "ezdxf is not installed";
    EXPECT_EQ(found, "");
    std::string facts;
    ezdxf("d = ezdxf.readfile(sys.argv[1])\n"
          "db = d.entitydb\n"
          "print('layer', d.layers.has_entry('NOSUCHLAYER'), d.layers.has_entry('GONE'), d.header['$CLAYER'])\n"
          "print('line', db['100'].dxf.layer, db['100'].dxf.linetype)\n"
          "print('text', db['102'].dxf.style)\n"
          "print('insert', '103' in db, 'lost', '105' in db)\n"
          "c = [e for e in d.modelspace() if e.dxftype() == 'CIRCLE'][0]\n"
          "print('circle', c.dxf.handle != '100', c.get_xdata('ACAD'))\n"
          "print('kept', db['106'].dxf.owner, list(db['106'].tags)[-1])\n"
          "print('root', 'GHOST' in d.rootdict, 'EDTEST_REC' in d.rootdict)\n"
          "print('reactors', db['32'].get_reactors())\n"
          ,
          "fixed.dxf", facts);
    EXPECT_EQ(facts,
              "layer True True GONE\nline NOSUCHLAYER ByLayer\ntext Standard\ninsert False lost False\n"
              "circle True [DXFTag(1005, '0')]\nkept A (340, '0')\nroot False True\nreactors ['15']\n");
    // The handle seed is above every handle of the file (ezdxf adds records of its own).
    EXPECT_TRUE(seedAboveHandles(dir_ / "fixed.dxf"));
}

// A drawing of release 12 (no owners, no objects): only its references count.
TEST_P(DrawingCommands, AuditOfARelease12Drawing) {
    fs::copy_file(fs::path(EDITOR_DATA) / "audit.dxf", dir_ / "audit.dxf");
    Result r = run("audit.dxf", "AUDIT\nn\nAUDIT\nДа\nAUDIT\n\nSAVEAS\n\nfixed\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Fix any errors detected? [Yes/No] <N>: n\nCIRCLE (45): reference 1005 to missing object FFF\n"
                         "Auditing: 49 objects checked, 1 errors found, 0 fixed."),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("CIRCLE (45): reference 1005 to missing object FFF - set to null\n"
                         "Auditing: 49 objects checked, 1 errors found, 1 fixed."),
              std::string::npos);
    EXPECT_NE(r.out.find("Auditing: 49 objects checked, 0 errors found, 0 fixed."), std::string::npos);
    // The fix is saved: the reference is cleared in the file.
    r = run("fixed.dxf", "AUDIT\n\nLIST\n#45\n\n");
    EXPECT_NE(r.out.find(" 0 errors found"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Extended data of \"EDTEST\":\n    1005: 0"), std::string::npos) << r.out;
}

TEST_P(DrawingCommands, AuditGivesDuplicateHandlesNewOnes) {
    fs::path corpus = fs::path(arxtest::corpusDir()) / "ezdxf/integration_tests/data/duplicate_handles.dxf";
    if (!fs::exists(corpus)) GTEST_SKIP() << "the shared corpus is not here";
    fs::copy_file(corpus, dir_ / "dup.dxf");
    Result r = run("dup.dxf", "AUDIT\nyes\nSAVEAS\n\nfixed\n");
    // The table entry keeps its handle; the line that had it too gets a new one.
    EXPECT_NE(r.out.find("\nLINE (15): handle used by LAYER (15) too - given "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nTEXT (125): handle used by TEXT (125) too - given "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DIMENSION (126): block \"*D1\" does not exist - erased"), std::string::npos);
    EXPECT_NE(r.out.find("DICTIONARY (1B): no owner reference - given to DICTIONARY (1A), which lists it"),
              std::string::npos);
    EXPECT_EQ(r.out.find(" 0 errors found"), std::string::npos);
    r = run("fixed.dxf", "AUDIT\n\n");
    EXPECT_NE(r.out.find(", 0 errors found, 0 fixed."), std::string::npos) << r.out;
    bool available = false;
    std::string found = ezdxfAudit(dir_ / "fixed.dxf", available);
    if (!available) GTEST_SKIP() << "ezdxf is not installed";
    EXPECT_EQ(found, "");
    // ezdxf itself sees the handles of the original drawing as faults.
    EXPECT_NE(ezdxfAudit(dir_ / "dup.dxf", available), "");
}

// Names with ": " in them are reported whole, found alone or with other faults.
TEST_P(DrawingCommands, AuditReportsNamesWithColonsWhole) {
    fs::path file = newDrawing("colon");
    edit(file, "ENTITIES\n",
         "ENTITIES\n  0\nTEXT\n  5\n102\n330\n17\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n"
         " 10\n0.0\n 20\n3.0\n 30\n0.0\n 40\n1.0\n  1\nhello\n  7\nNO: STYLE\n100\nAcDbText\n"
         "1001\nACAD\n1005\nFFF\n");
    Result r = run("colon.dxf", "AUDIT\nN\nAUDIT\nY\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("TEXT (102): text style \"NO: STYLE\" does not exist\n"
                         "TEXT (102): reference 1005 to missing object FFF\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("TEXT (102): text style \"NO: STYLE\" does not exist - set to Standard\n"
                         "TEXT (102): reference 1005 to missing object FFF - set to null\n"),
              std::string::npos)
        << r.out;
}

TEST_P(DrawingCommands, AuditReportsCorruptPicturesAndLeavesThem) {
    fs::path file = newDrawing("picture");
    // A picture whose size says 100 bytes over 8 bytes of data.
    edit(file, "ENTITIES\n",
         "ENTITIES\n  0\nLINE\n  5\n100\n330\n17\n100\nAcDbEntity\n  8\n0\n 92\n100\n310\n0102030405060708\n"
         "100\nAcDbLine\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n1.0\n 21\n0.0\n 31\n0.0\n");
    Result r = run("picture.dxf", "AUDIT\nY\nSAVE\n");
    EXPECT_NE(r.out.find("LINE (100): stored picture is corrupt ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0 errors found, 0 fixed.\n1 stored picture is corrupt and cannot be drawn; they are kept"),
              std::string::npos)
        << r.out;
    EXPECT_NE(readFile(file).find("310\n0102030405060708\n"), std::string::npos);
}

TEST_P(DrawingCommands, AuditLeavesObjectsOpenInAModuleAndWorksWithoutADrawing) {
    Result r = run("", "CLOSE\nAUDIT\n");
    EXPECT_NE(r.out.find("AUDIT\nNo drawing is open."), std::string::npos) << r.out;
    // A cancelled question changes nothing.
    r = run("'" + drawing() + "'", "AUDIT\n^C\nGETVAR\nDBMOD\n");
    EXPECT_NE(r.out.find("*Cancel*"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos) << r.out;
}

// An object a module takes out of its dictionary and keeps: AUDIT finds it.
TEST_P(DrawingCommands, ObjectsRemovedFromDictionaries) {
    fs::path file = newDrawing("dict");
    Result r = run("-l '" + module() + "' dict.dxf", "TDICT\nErase\nTDICT\nKeep\nSAVEAS\n\nkept\nAUDIT\nY\nSAVEAS\n\naudited\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(linesWith(r.out, "[dict]"),
              "[dict] open root eOk\n[dict] setAt eOk\n[dict] remove eOk same=yes has=no\n"
              "[dict] remove again eKeyNotFound\n[dict] owner is root yes\n[dict] erase eOk\n"
              "[dict] open root eOk\n[dict] setAt eOk\n[dict] remove eOk same=yes has=no\n"
              "[dict] remove again eKeyNotFound\n[dict] owner is root yes\n")
        << r.out;
    // The object kept is still owned by the root dictionary (as in ObjectARX)
    // but no longer its reactor; AUDIT erases it, since nothing refers to it.
    EXPECT_NE(r.out.find("does not list it and nothing refers to it - erased"), std::string::npos) << r.out;
    std::string facts;
    if (!ezdxf("for name in sys.argv[1:]:\n"
               "    d = ezdxf.readfile(name)\n"
               "    xs = [e for e in d.objects if e.dxftype() == 'XRECORD']\n"
               "    print(name, 'EDTEST_OUT' in d.rootdict, [(x.dxf.owner, x.get_reactors()) for x in xs])\n",
               "kept.dxf audited.dxf", facts))
        GTEST_SKIP() << "ezdxf is not installed";
    EXPECT_EQ(facts, "kept.dxf False [('A', [])]\naudited.dxf False []\n");
}

// --- the variable dictionary ----------------------------------------------------------

TEST_P(DrawingCommands, CurrentTableStyleOfANewDrawingIsSaved) {
    // setTablestyle through the module; SETVAR through the command line.
    Result r = run("-l '" + module() + "'", "TTSTYLE\nSAVEAS\n2018\nbymodule\n");
    EXPECT_EQ(linesWith(r.out, "[tstyle]"),
              "[tstyle] open styles eOk\n[tstyle] setAt eOk\n[tstyle] setTablestyle eOk current=yes\n")
        << r.out;
    r = run("", "SETVAR\nCTABLESTYLE\nNoSuchStyle\nSETVAR\nCTABLESTYLE\nStandard\nGETVAR\nCTABLESTYLE\n"
                "SAVEAS\n2018\nbysetvar\n");
    EXPECT_NE(r.out.find("Invalid value for CTABLESTYLE, or it cannot be set."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CTABLESTYLE = \"Standard\""), std::string::npos) << r.out;
    // SETVAR on a drawing that has the variable: the value is kept at save.
    r = run("-l '" + module() + "' bymodule.dxf", "SETVAR\nCTABLESTYLE\nStandard\nSAVE\n");
    std::string facts;
    if (!ezdxf("for name in sys.argv[1:]:\n"
               "    d = ezdxf.readfile(name)\n"
               "    v = d.rootdict.get('AcDbVariableDictionary')\n"
               "    var = v.get('CTABLESTYLE') if v is not None else None\n"
               "    print(name, var.dxftype() if var else None, var.dxf.value if var else None,\n"
               "          var.dxf.owner == v.dxf.handle if var else None, len(d.audit().errors))\n",
               "bymodule.dxf bysetvar.dxf", facts))
        GTEST_SKIP() << "ezdxf is not installed";
    EXPECT_EQ(facts, "bymodule.dxf DICTIONARYVAR Standard True 0\nbysetvar.dxf DICTIONARYVAR Standard True 0\n");
    // Before the SETVAR the module's style was the current one.
    r = run("-l '" + module() + "'", "TTSTYLE\nGETVAR\nCTABLESTYLE\n");
    EXPECT_NE(r.out.find("CTABLESTYLE = \"EdTestStyle\""), std::string::npos) << r.out;
}

// --- saving changes ------------------------------------------------------------------

TEST_P(DrawingCommands, ChangedDrawingsAskBeforeTheyGo) {
    fs::path file = newDrawing("changes");
    const std::string original = readFile(file);
    const std::string question = "Save changes to " + file.string() + "? [Yes/No/Cancel] <Yes>: ";
    // Unchanged: no question.
    Result r = run("changes.dxf", "GETVAR\nDBMOD\nCLOSE\nGETVAR\nDWGNAME\n");
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos);
    EXPECT_EQ(r.out.find("Save changes"), std::string::npos) << r.out;
    // Changed: Cancel keeps the drawing, a wrong answer is asked again, No discards.
    r = run("changes.dxf", "SETVAR\nTEXTSIZE\n7\nGETVAR\nDBMOD\nCLOSE\nCancel\nGETVAR\nDWGNAME\nCLOSE\nmaybe\nN\nGETVAR\nDWGNAME\n");
    EXPECT_NE(r.out.find("DBMOD = 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(question + "Cancel\nCommand: GETVAR\nEnter variable name: DWGNAME\nDWGNAME = \"changes.dxf\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(question + "maybe\nAnswer Yes, No or Cancel.\n" + question + "N\n"), std::string::npos);
    EXPECT_EQ(readFile(file), original);
    // QUIT: Enter saves; afterwards the drawing is unmodified.
    r = run("changes.dxf", "SETVAR\nTEXTSIZE\n7\nQUIT\n\nGETVAR\nDBMOD\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(question + "\nSaved " + file.string() + "."), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("DBMOD"), std::string::npos);  // the session ended
    r = run("changes.dxf", "GETVAR\nTEXTSIZE\nGETVAR\nDBMOD\n");
    EXPECT_NE(r.out.find("TEXTSIZE = 7.0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos) << r.out;
    // SAVE resets the flag; a cancelled QUIT keeps the session; the end of the
    // script at the question cancels it too (nothing is saved).
    r = run("changes.dxf", "SETVAR\nTEXTSIZE\n9\nSAVE\nGETVAR\nDBMOD\nSETVAR\nTEXTSIZE\n3\nQUIT\nc\nGETVAR\nDBMOD\nQUIT\n");
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(question + "c\nCommand: GETVAR\nEnter variable name: DBMOD\nDBMOD = 1"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(question + "*Cancel*"), std::string::npos) << r.out;
    r = run("changes.dxf", "GETVAR\nTEXTSIZE\n");
    EXPECT_NE(r.out.find("TEXTSIZE = 9.0\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("were not saved"), std::string::npos) << r.out;
    // Setting a variable to the value it has changes nothing; reals are written as "9.0".
    r = run("changes.dxf", "SETVAR\nTEXTSIZE\n9\nGETVAR\nDBMOD\n");
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos) << r.out;
    EXPECT_NE(readFile(file).find("$TEXTSIZE\n 40\n9.0\n"), std::string::npos);
    // A script that ends without QUIT gives the changes up and says so.
    r = run("changes.dxf", "SETVAR\nTEXTSIZE\n11\n");
    EXPECT_NE(r.out.find("Changes to " + file.string() + " were not saved."), std::string::npos) << r.out;
    r = run("changes.dxf", "GETVAR\nTEXTSIZE\n");
    EXPECT_NE(r.out.find("TEXTSIZE = 9.0\n"), std::string::npos) << r.out;
    // OPEN of the file of a changed drawing: No reads it again, the change is gone.
    r = run("changes.dxf", "SETVAR\nTEXTSIZE\n4\nOPEN\nchanges.dxf\nNo\nGETVAR\nTEXTSIZE\nGETVAR\nDBMOD\n");
    EXPECT_NE(r.out.find(question + "No\nOpened " + file.string() + ".\nCommand: GETVAR\nEnter variable name: "
                                    "TEXTSIZE\nTEXTSIZE = 9.0\n"),
              std::string::npos)
        << r.out;
    // A change made by a module counts; a new drawing asks for a name when saved.
    r = run("-l '" + module() + "'", "TTSTYLE\nQUIT\nYes\nfromnew\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Save changes to Drawing1.dwg? [Yes/No/Cancel] <Yes>: Yes\nSave drawing as <Drawing1.dwg>: "
                         "fromnew\n[edtest] kSaveMsg\nSaved "),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(fs::exists(dir_ / "fromnew.dxf"));
}

// --- the scale list ------------------------------------------------------------------

TEST_P(DrawingCommands, ScaleListResetThroughTheHostModule) {
    fs::copy_file(fs::path(EDITOR_DATA) / "../../data/acad_table_simple.dxf", dir_ / "scales.dxf");
    // A scale outside the default list.
    edit(dir_ / "scales.dxf", "300\n1:25\n", "300\n1:33\n");
    bool imperial = false;
    std::vector<std::string> before = scaleNames(dir_ / "scales.dxf", imperial);
    std::vector<std::string> expected;
    for (const hostcore::Scale& s : hostcore::defaultScaleList(imperial)) expected.push_back(s.name);
    ASSERT_NE(before, expected);
    Result r = run("-l '" + module() + "' scales.dxf", "TLIB\nGETVAR\nDBMOD\nSAVEAS\n\nreset\n");
    EXPECT_NE(r.out.find("[lib] reset found"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DBMOD = 1"), std::string::npos) << r.out;
    EXPECT_EQ(scaleNames(dir_ / "reset.dxf", imperial), expected);
    bool available = false;
    std::string found = ezdxfAudit(dir_ / "reset.dxf", available);
    if (available) {
        EXPECT_EQ(found, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, DrawingCommands, ::testing::Values(kWide, kNarrow),
                         [](const ::testing::TestParamInfo<Build>& p) { return std::string(p.param.name); });

}  // namespace
