// A narrow module gets the same text from the editor as from the database: a
// character its code page (1251) lacks comes as the text "\U+XXXX" from both,
// never as a best-fit stand-in; the wide module gets the character itself.
#include "cadhost_fixture.h"

namespace {

using namespace cadhosttest;

TEST_P(Cadhost, EditorAndDatabaseHandOverTheSameNarrowText) {
    std::string out;
    if (!ezdxf("d = ezdxf.new('R2010')\n"
               "d.layers.add('Слой Ω')\n"
               "d.header['$CLAYER'] = 'Слой Ω'\n"
               "d.saveas('omega.dxf')\n",
               "", out))
        GTEST_SKIP() << "ezdxf is not installed";
    Result r = run("-l '" + module() + "' '" + (dir_ / "omega.dxf").string() + "'", "TLAYER\n(tsum \"Ω Ж\")\n");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string omega = std::string(GetParam().name) == "narrow" ? "\\U+03A9" : "Ω";
    EXPECT_EQ(linesWith(r.out, "[layer]") + linesWith(r.out, "[tsum]"),
              "[layer] database <Слой " + omega + ">\n[layer] CLAYER <Слой " + omega + "> same\n"
              "[tsum] string <" + omega + " Ж>\n")
        << r.out;
}

}  // namespace
