// cadhost run as a user runs it: scripts drive the test module in both
// executables, and the command line they print is checked.
#include "cadhost_fixture.h"

namespace {

using namespace cadhosttest;

TEST_P(Cadhost, MessagesOnLoadOpenCloseUnloadAndQuit) {
    fs::copy_file(dir_ / "picks.dxf", dir_ / "second.dxf");
    Result r = runModule(
        "OPEN\nsecond.dxf\nCLOSE\nARXUNLOAD\n" + std::string(GetParam().module) + "\nARXLOAD\n" + module() + "\nQUIT\n");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(linesWith(r.out, "[edtest]"),
              "[edtest] kInitAppMsg\n"
              "[edtest] kLoadDwgMsg\n"     // the drawing given on the command line
              "[edtest] kLoadDwgMsg\n"     // OPEN second.dxf
              "[edtest] kUnloadDwgMsg\n"   // CLOSE
              "[edtest] kUnloadDwgMsg\n"   // ARXUNLOAD: the remaining document
              "[edtest] kUnloadAppMsg\n"
              "[edtest] kInitAppMsg\n"     // ARXLOAD
              "[edtest] kLoadDwgMsg\n"
              "[edtest] kPreQuitMsg\n"     // QUIT
              "[edtest] kUnloadDwgMsg\n"
              "[edtest] kQuitMsg\n"
              "[edtest] kUnloadAppMsg\n");
    EXPECT_NE(r.out.find(std::string(GetParam().module) + " unloaded."), std::string::npos);
    // After unloading, the module's commands are gone (TKWORD is not in its
    // demand-load entry).
    r = run("'" + drawing() + "'", "TKWORD\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Unknown command \"TKWORD\""), std::string::npos);
}

TEST_P(Cadhost, CommandsAndLispFunctionsOfTheModule) {
    Result r = runModule(
        "TPRINT\n"
        "(tsum 1 2.5 \"строка\" nil T 70000)\n"
        "(tsum (handent \"41\") (entlast))\n"
        "(tlocale 1 2)\n"
        "(tlocale)\n"
        "(tsum)\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nВсего найдено proxy-объектов: 9876543210123. Из них proxy-примитивов: -3.\n"
                         "GetSystemDefaultLCID=419h\n<Слой>  3.14|7   |Ж\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[tsum] short 1\n[tsum] real 2.5\n[tsum] string <строка>\n[tsum] nil\n[tsum] T\n"
                         "[tsum] long 70000\n70001\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[tsum] entity 41\n[tsum] entity 45\n0\n"), std::string::npos) << r.out;
    // A function without a direct call goes through kInvkSubrMsg; it sets the
    // thread locale, which the second call shows; it returns no value.
    EXPECT_NE(r.out.find("(tlocale 1 2)\n[edtest] kInvkSubrMsg\nGetSystemDefaultLCID=419h\nGetThreadLocale=419h\n"
                         "Command: (tlocale)\n[edtest] kInvkSubrMsg\nGetSystemDefaultLCID=419h\n"
                         "GetThreadLocale=10019h\nCommand: (tsum)\n0\n"),
              std::string::npos)
        << r.out;
}

TEST_P(Cadhost, LispErrorsAreReportedAndFailTheScript) {
    Result r = runModule("(tsum 1\n(nosuch 1)\n(tsum \"open)\n(tsum 1) extra\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("; error: malformed list on input"), std::string::npos);
    EXPECT_NE(r.out.find("; error: no function definition: nosuch"), std::string::npos);
    EXPECT_NE(r.out.find("; error: malformed string on input"), std::string::npos);
    EXPECT_NE(r.out.find("; error: extra input after the expression"), std::string::npos);
}

TEST_P(Cadhost, RefusedModules) {
    const Build& b = GetParam();
    Result r = run(std::string("-l '") + BIN_DIR + "/" + b.other + "'", "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("is built for the"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kInitAppMsg"), std::string::npos) << "a refused module must not be initialised";

    r = run(std::string("-l '") + BIN_DIR + "/" + b.future + "'", "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("needs host release"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kInitAppMsg"), std::string::npos);

    r = run(std::string("-l '") + BIN_DIR + "/" + b.fail + "'", "TPRINT\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("[edtest] kInitAppMsg\n[edtest] kUnloadAppMsg\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("answered its initialisation with status 3 and was unloaded again."), std::string::npos);
    EXPECT_NE(r.out.find("Unknown command \"TPRINT\""), std::string::npos);

    r = run("", "ARXLOAD\nno-such-module\nARXLOAD\n" + drawing() + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Cannot load no-such-module: no such file."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("not a loadable module"), std::string::npos) << r.out;
}

TEST_P(Cadhost, DemandLoadingFromTheRegistryFile) {
    // The first session writes the entry (load on command, two commands).
    Result r = runModule("");
    ASSERT_EQ(r.status, 0);
    std::string reg = readFile(registry_);
    EXPECT_NE(reg.find("[EdTest]\nDESCRIPTION=EdTest\nLOADER=" + fs::canonical(module()).string() +
                       "\nLOADCTRLS=4\nCOMMAND=TPRINT TPRINT\nCOMMAND=TDOCS TDOCS\n"),
              std::string::npos)
        << reg;
    // The second does not load the module; typing its command does.
    r = run("'" + drawing() + "'", "tdocs\nNOSUCH\n");
    EXPECT_NE(r.out.find("Loading EdTest for the command tdocs...\n[edtest] kInitAppMsg\n[edtest] kLoadDwgMsg\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[docs] count=1\n[docs] picks.dxf (current)\n[docs] working=current release=" +
                         std::to_string(GetParam().release)),
              std::string::npos)
        << r.out;
    // A command no entry names stays unknown.
    EXPECT_NE(r.out.find("Unknown command \"NOSUCH\""), std::string::npos);
    EXPECT_EQ(r.status, 1);
}

TEST_P(Cadhost, KeywordsEnterCancelAndOtherInput) {
    Result r = runModule(
        "TKWORD\nНет\nВ\n\nTwo\n"
        "TKWORD\n\n_S\nbogus\nt\n"
        "TKWORD\nда\nанything\n^C\n"
        "TKWORD\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(linesWith(r.out, "[kword]") + linesWith(r.out, "[initget"),
              "[kword] rc=5100 kw=<No>\n"
              "[kword] rc=5100 kw=<S> input=<>\n"
              "[kword] rc=5100 kw=<Two>\n"
              "[kword] rc=5000 kw=<>\n"             // Enter where allowed
              "[kword] rc=5100 kw=<S> input=<>\n"   // the global keyword with _
              "[kword] rc=5100 kw=<Two>\n"          // a leading part of one keyword
              "[kword] rc=5100 kw=<Yes>\n"
              "[kword] rc=-5005 kw=<анything> input=<анything>\n"  // any text where allowed
              "[kword] rc=-5002 kw=<>\n"            // ^C
              // The end of the script cancels every prompt that follows.
              "[kword] rc=-5002 kw=<>\n[kword] rc=-5002 kw=<> input=<>\n[kword] rc=-5002 kw=<>\n"
              "[initget-bad] rc=-5001\n[initget-bad] rc=-5001\n[initget-bad] rc=-5001\n[initget-bad] rc=-5001\n");
    EXPECT_NE(r.out.find("One or Two: \nRequires an answer.\nOne or Two: Two\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("One or Two: bogus\nInvalid option keyword.\nOne or Two: t\n"), std::string::npos);
}

TEST_P(Cadhost, PointsAndCorners) {
    Result r = runModule("TPOINT\n\n\nTPOINT\n1,2\n@3,4\nTPOINT\nabc\n5,6,7\n^C\nTPOINT\n^C\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(results(r.out),
              "[point] rc=5000 (-1e+10,-1e+10,-1e+10)\n[corner] rc=5000 (1e+10,1e+10,1e+10)\n"
              "[wcs] (-1e+10,-1e+10,-1e+10)\n"
              "[point] rc=5100 (1,2,0)\n[corner] rc=5100 (4,6,0)\n[wcs] (1,2,0)\n"
              "[point] rc=5100 (5,6,7)\n[corner] rc=-5002 (1e+10,1e+10,1e+10)\n[wcs] (5,6,7)\n"
              "[point] rc=-5002 (-1e+10,-1e+10,-1e+10)\n")
        << r.out;
    EXPECT_NE(r.out.find("abc\nInvalid point.\n"), std::string::npos);
}

TEST_P(Cadhost, PicksReachIntoNestedBlocks) {
    Result r = runModule(
        "TPICK\n"
        "110.5,100.5\n"  // the text inside INNER inside OUTER
        "100.5,100\n"    // the circle of OUTER
        "#42/30/21\n"    // the line of INNER, by handle path
        "100.2,103.5\n"  // the attribute of the reference
        "5,0\n"          // a line of the space
        "60,60\n"        // nothing
        "#42/99\n"       // a path that leads nowhere
        "S\nW\n-1,-1\n12,3\n\n"
        "В\n\n"          // a selection of nothing
        "^C\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(results(r.out),
              "[pick] rc=5100 AcDbText\n[picked] 20 at (110.5,100.5) move (110,100)\n[container] 30\n[container] 42\n"
              "[pick] rc=5100 AcDbCircle\n[picked] 31 at (100.5,100) move (100,100)\n[container] 42\n"
              "[pick] rc=5100 AcDbLine\n[picked] 21 at (112,99) move (110,100)\n[container] 30\n[container] 42\n"
              "[pick] rc=5100 AcDbAttribute\n[picked] 43 at (100.2,103.5) move (0,0)\n"
              "[pick] rc=5100 AcDbLine\n[picked] 40 at (5,0) move (0,0)\n"
              "[pick] rc=-5001\n[errno] 7\n"
              "[pick] rc=-5001\n[errno] 7\n"
              "[pick] rc=-5005\n[ssget] rc=5100\n[ss] 2: 40 41\n"
              "[pick] rc=-5005\n[ssget] rc=-5001\n"
              "[pick] rc=-5002\n")
        << r.out;
    EXPECT_NE(r.out.find("No entity at the handle path #42/99."), std::string::npos);
}

TEST_P(Cadhost, PickBoxOption) {
    // 60,60 is 5.07 units from the circle at 50,50 (radius 5): a pick box of 6 reaches it.
    Result r = run("--pickbox 6 -l '" + module() + "' '" + drawing() + "'", "TPICK\n53,53\n^C\n");
    EXPECT_NE(r.out.find("[picked] 45"), std::string::npos) << r.out;
}

TEST_P(Cadhost, Selections) {
    Result r = runModule("TSEL\nC\n99,99\n101,101\n#42\n10,0\n\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(results(r.out),
              "[all] rc=5100\n[ss] 4: 40 41 42 45\n[free] rc=5100\n[free-again] rc=-5001\n"
              "[window] rc=5100\n[ss] 2: 40 41\n"
              "[crossing] rc=5100\n[ss] 2: 40 41\n"
              "[last] rc=5100\n[ss] 1: 45\n"
              "[texts] rc=5100\n[ss] 1: 41\n"
              "[user] rc=5100\n[ss] 2: 42 40\n"
              "[entlast] 45\n")
        << r.out;
    EXPECT_NE(r.out.find("Select objects: #42\n1 found, 1 duplicate\n"), std::string::npos) << r.out;
}

// A command that holds the block table, the space and the layer open for write still selects
// every entity and reads the current layer's name: the editor opens none of them to answer.
TEST_P(Cadhost, SelectionsWhileTheModuleHoldsTheSpaceOpen) {
    Result r = runModule("TSELOPEN\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(results(r.out), "[open] 1 1 1\n[all] rc=5100\n[ss] 4: 40 41 42 45\n[clayer] <0>\n") << r.out;
}

TEST_P(Cadhost, FilePrompts) {
    std::ofstream(dir_ / "exists.dwg") << "x";
    Result r = runModule(
        "TFILE\n"
        "\n"                   // the default name, deleted.dwg offered as deleted.dxf
        "missing.dxf\n"        // must exist: asked again
        "picks\n"              // the extension is added
        "nofolder/new.dxf\n"   // the folder must exist
        "exists.dwg\nn\n"      // overwrite refused: asked again
        "exists.dwg\nYes\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(linesWith(r.out, "[file]"),
              "[file] rc=5100 <deleted.dxf>\n[file] rc=5100 <picks.dxf>\n[file] rc=5100 <exists.dwg>\n");
    EXPECT_NE(r.out.find("Файл для сохранения удаленных примитивов: <deleted.dxf>: \n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("File not found: missing.dxf"), std::string::npos);
    EXPECT_NE(r.out.find("The folder nofolder does not exist."), std::string::npos);
    EXPECT_NE(r.out.find("exists.dwg already exists. Replace it? [Yes/No] <No>: n\n"), std::string::npos);
    r = runModule("TFILE\n^C\n");
    EXPECT_NE(r.out.find("[file] rc=-5002"), std::string::npos);
}

TEST_P(Cadhost, SystemVariables) {
    Result r = runModule(
        "TVAR\nGETVAR\nclayer\nSETVAR\nCLAYER\nТексты\nGETVAR CLAYER\nSETVAR\nCLAYER\nNoSuch\nGETVAR\nNOSUCH\n"
        "SETVAR\nACADVER\n30\n_SETVAR\nPICKBOX\nabc\n'GETVAR\nERRNO\nSETVAR\n$\n");
    EXPECT_EQ(linesWith(r.out, "[var]") + linesWith(r.out, "[set"),
              "[var] CLAYER=<0>\n[var] TEXTSTYLE rc=-5001\n[var] CTABLESTYLE=<Standard>\n[var] CMDECHO=1\n"
              "[var] ERRNO=0\n[var] NOSUCHVAR rc=-5001\n[var] CMDECHO=0\n"
              "[set-clayer-missing] rc=-5001\n[set-errno] rc=5100\n[set-cmdecho] rc=5100\n[set-acadver] rc=-5001\n")
        << r.out;
    EXPECT_NE(r.out.find("Enter variable name: clayer\nCLAYER = \"0\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Enter new value for CLAYER <\"0\">: Тексты\n"), std::string::npos);
    EXPECT_NE(r.out.find("CLAYER = \"Тексты\""), std::string::npos);
    EXPECT_NE(r.out.find("Invalid value for CLAYER, or it cannot be set."), std::string::npos);
    EXPECT_NE(r.out.find("Unknown variable name NOSUCH."), std::string::npos);
    EXPECT_NE(r.out.find("Invalid value for ACADVER"), std::string::npos);
    EXPECT_NE(r.out.find("Invalid value for PICKBOX"), std::string::npos);
    EXPECT_NE(r.out.find("ERRNO = 0"), std::string::npos);
}

TEST_P(Cadhost, SaveAsListAndReopen) {
    Result r = run("'" + drawing() + "'",
                   "SAVEAS\nR1999\n2004\ncopy\nLIST\n#41\n#42\n\nSAVE\nSAVEAS\n\ncopy.dxf\nno\ncopy2\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("The host writes 2000, 2004"), std::string::npos);
    EXPECT_NE(r.out.find("Saved " + (dir_ / "copy.dxf").string() + "."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("TEXT  Layer: \"Тексты\"  Space: *Model_Space  Handle: 41\n  Point: 0.0,2.0,0.0\n"
                         "  Height: 1.0\n  Text: \"Привет, мир\"\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("ATTRIB  Layer: \"0\"  Space: *Model_Space  Handle: 43\n  Point: 100.0,103.0,0.0\n"
                         "  Height: 1.0\n  Text: \"Атрибут\"\n  Tag: \"NAME\""),
              std::string::npos);
    // The second SAVEAS keeps the drawing's own format (2004 now) and asks before replacing.
    EXPECT_NE(r.out.find("Enter file format [2000/2004/2007/2010/2013/2018] <2004>: \n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("copy.dxf already exists. Replace it? [Yes/No] <No>: no\n"), std::string::npos);
    ASSERT_TRUE(fs::exists(dir_ / "copy2.dxf"));
    EXPECT_NE(readFile(dir_ / "copy.dxf").find("AC1018"), std::string::npos);
    r = run("'" + (dir_ / "copy2.dxf").string() + "'", "LIST\nALL\n\n");
    EXPECT_NE(r.out.find("Text: \"Привет, мир\""), std::string::npos) << r.out;
}

TEST_P(Cadhost, CommandNamesPrefixesAndUnknownCommands) {
    Result r = runModule("_tprint\n'TPRINT\n.TPRINT\nli\n#41\n\nre\nregen\nexit\nTPRINT\n");
    EXPECT_EQ(r.status, 1);  // .TPRINT asks for the host's own command, which does not exist
    EXPECT_NE(r.out.find("Unknown command \"TPRINT\""), std::string::npos);
    EXPECT_NE(r.out.find("Command: re\nRegenerating model.\nCommand: regen\nRegenerating model.\nCommand: exit\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Text: \"Привет, мир\""), std::string::npos);
    // Nothing after QUIT runs.
    std::size_t prints = 0;
    for (std::size_t p = r.out.find("GetSystemDefaultLCID"); p != std::string::npos;
         p = r.out.find("GetSystemDefaultLCID", p + 1))
        ++prints;
    EXPECT_EQ(prints, 2u);
}

TEST_P(Cadhost, CommandStackAndMessageBox) {
    Result r = runModule("TDUP\nTMSG\nn\nTMSG\n\n");
    EXPECT_EQ(linesWith(r.out, "[dup]") + linesWith(r.out, "[msgbox"),
              "[dup] eDuplicateKey\n[dup] add TTEMP eOk\n[dup] lookup ВРЕМ flags=1\n[dup] remove eOk\n"
              "[dup] remove again eKeyNotFound\n"
              "[msgbox] rc=1\n[msgbox-yesno] rc=7\n[msgbox] rc=1\n[msgbox-yesno] rc=6\n")
        << r.out;
    EXPECT_NE(r.out.find("** Error (edtest): Невозможно зарегистрировать приложение **"), std::string::npos);
}

TEST_P(Cadhost, HostModulesAndLocale) {
    Result r = runModule("TLIB\n");
    EXPECT_EQ(linesWith(r.out, "[lib]"),
              "[lib] accore loaded\n[lib] reset found\n[lib] missing export absent\n[lib] nosuch.dll refused\n"
              "[lib] self=" + std::string(GetParam().module) + " same-as-appId=yes\n[lib] thread locale 419h\n")
        << r.out;
}

TEST_P(Cadhost, BadDrawingsAndScripts) {
    std::ofstream(dir_ / "bad.dxf") << "this is not a drawing\n";
    Result r = run("'" + (dir_ / "bad.dxf").string() + "'", "OPEN\nnothere.dxf\nTDOCS\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open"), std::string::npos) << r.err;
    // A drawing of the command line that does not open ends the run before the script.
    EXPECT_EQ(r.out.find("OPEN"), std::string::npos) << r.out;
    r = run("", "OPEN\nnothere.dxf\nTDOCS\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Cannot open nothere.dxf: "), std::string::npos) << r.out;
    r = run("", "", true);
    EXPECT_EQ(r.status, 0);
    // Standard input that is not a terminal reads like a script.
    r = run("", "GETVAR\nACADVER\n", false);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ACADVER = \""), std::string::npos) << r.out;
}

TEST_P(Cadhost, Options) {
    Result r = run("--help", "", false);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage:"), std::string::npos);
    EXPECT_NE(r.out.find("Example:"), std::string::npos);
    EXPECT_NE(r.out.find("--release"), std::string::npos);
    r = run("--version", "", false);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("0.1.0"), std::string::npos);
    for (const char* bad : {"--bogus", "-r", "-r abc", "-r 25.12", "--codepage 437", "--pickbox -1", "-l"}) {
        r = run(bad, "", false);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << bad;
    }
    r = run("-s /nonexistent/script.scr", "", false);
    EXPECT_EQ(r.status, 2);
    // Each executable takes only the releases of its generation.
    bool narrow = std::string(GetParam().name) == "narrow";
    r = run(narrow ? "-r 25.0" : "-r 16.2", "", false);
    EXPECT_EQ(r.status, 2);
    r = run(std::string(narrow ? "-r 16.5" : "-r 25.3") + " -l '" + module() + "' '" + drawing() + "'", "TDOCS\n");
    EXPECT_NE(r.out.find(narrow ? "release=165" : "release=253"), std::string::npos) << r.out;
    // A module made for a newer release than the one emulated is refused.
    r = run(std::string(narrow ? "-r 15.0" : "-r 22.0") + " -l '" + module() + "'", "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(narrow ? "needs host release 16 or later; this host is 15.0."
                                : "needs host release 25 or later; this host is 22.0."),
              std::string::npos)
        << r.out;
}

TEST_P(Cadhost, DialogsAnsweredCancelledAndLeftAtDefaults) {
    Result r = runModule(
        "TDLG\n\n\n\n\n\n"                          // every default, then OK
        "TDLG\n3\nнет\n0\nzz\nДа\nОтмена\n"           // changes, then Cancel: nothing kept
        "TDLG\nWindows -> Dos\n1\nNo\n\n1\n"           // by item text, 1/No, then OK by number
        "TDLG\n9\n5\n^C\n"                           // a bad index is asked again; ^C cancels
        "TDLG\n\n\n\n\n");                           // the end of the script cancels
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(linesWith(r.out, "[dialog] rc"),
              "[dialog] rc=1 mode=0 tables=1 texts=1 xdata=1\n"
              "[dialog] rc=2 mode=0 tables=1 texts=1 xdata=1\n"
              "[dialog] rc=1 mode=1 tables=1 texts=0 xdata=1\n"
              "[dialog] rc=2 mode=1 tables=1 texts=0 xdata=1\n"
              "[dialog] rc=2 mode=1 tables=1 texts=0 xdata=1\n")
        << r.out;
    // The form: caption, then the controls in data-exchange order with their labels and values.
    EXPECT_NE(r.out.find("Transkodo:\nКуда конвертировать ? [0 Dos -> Windows/1 Windows -> Dos/"
                         "2 Unicode(Latin 1) -> Windows/3 Unicode(Cirillic) -> Windows/4 Windows -> Unicode(Latin 1)/"
                         "5 Windows -> Unicode(Cirillic)] <Dos -> Windows>: \n"
                         "Символьные таблицы [Да/Нет] <Да>: \nТекстовые примитивы [Да/Нет] <Да>: \n"
                         "Расширенные данные [Да/Нет] <Да>: \n[Да/Отмена] <Да>: \n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("zz\nAnswer Да or Нет (1 or 0).\n"), std::string::npos);
    EXPECT_NE(r.out.find("<Windows -> Dos>: 9\nChoose an item by its number or its text.\n"), std::string::npos);
    // Without the module's resources current, the template is not found and the dialog does not open.
    EXPECT_NE(r.out.find("Dialog 101 is not among the current resources.\n[dialog] without resources rc=-1"),
              std::string::npos);
}

TEST_P(Cadhost, DialogDrawnFromItsTemplate) {
    setenv("CADHOST_DRAW_DIALOGS", "1", 1);
    Result r = runModule("TDLG\n\n\n\n\n\n");
    unsetenv("CADHOST_DRAW_DIALOGS");
    EXPECT_NE(r.out.find("┌─ Transkodo ───"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("│   ┌─ Куда конвертировать ? ──"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("│ [Dos -> Windows"), std::string::npos);
    EXPECT_NE(r.out.find("│ [x] Символьные таблицы"), std::string::npos);
    EXPECT_NE(r.out.find("<[Да]>"), std::string::npos);
    EXPECT_NE(r.out.find("< Отмена >"), std::string::npos);
}

TEST_P(Cadhost, FileDialogWithSeveralFiles) {
    fs::copy_file(dir_ / "picks.dxf", dir_ / "second.dxf");
    Result r = runModule("TFILES\npicks.dxf\nnope.dxf\nsecond\n\nTFILES\n\nTFILES\n^C\n");
    EXPECT_EQ(linesWith(r.out, "[files]"),
              "[files] rc=1\n[files] <picks.dxf>\n[files] <second.dxf>\n[files] rc=2\n[files] rc=2\n")
        << r.out;
    EXPECT_NE(r.out.find("File not found: nope.dxf"), std::string::npos);
}

TEST_P(Cadhost, AutomationRegenerationAndToolbars) {
    Result r = runModule("TAUTO\nCLOSE\nTAUTO\n");
    EXPECT_EQ(linesWith(r.out, "[auto]"),
              "[auto] application hr=0\n[auto] regen hr=0\n[auto] bad regen hr=80070057\n"
              "[auto] toolbar Standard -1 -> -1\n[auto] toolbar Draw -1 -> -1\n[auto] toolbar Modify -1 -> -1\n"
              "[auto] toolbar Dimension 0 -> 0\n"  // a hidden toolbar stays hidden
              "[auto] item past the end hr=80070057\n[auto] references held 0\n"
              // Without a document there is no active document to regenerate.
              "[auto] application hr=0\n"
              "[auto] toolbar Standard -1 -> -1\n[auto] toolbar Draw -1 -> -1\n[auto] toolbar Modify -1 -> -1\n"
              "[auto] toolbar Dimension 0 -> 0\n"
              "[auto] item past the end hr=80070057\n[auto] references held 0\n")
        << r.out;
}

INSTANTIATE_TEST_SUITE_P(Builds, Cadhost, ::testing::Values(kWide, kNarrow),
                         [](const ::testing::TestParamInfo<Build>& p) { return std::string(p.param.name); });

}  // namespace
