// The DXF layer's built-in code-page tables and the platform's (used by the narrow string API
// and the recoder) must agree on every byte both define, or text would change between the file
// and a module.
#include "host/dxf/encoding.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformAgreement, SingleByteTablesMatchTheCodePageCalls) {
    struct Page {
        UINT cp;
        dxf::Encoding enc;
    };
    for (const auto& p : {Page{866, dxf::Encoding::Cp866}, Page{1250, dxf::Encoding::Cp1250},
                          Page{1251, dxf::Encoding::Cp1251}, Page{1252, dxf::Encoding::Cp1252}}) {
        const char16_t* table = codePageTable(p.cp);
        ASSERT_NE(table, nullptr) << p.cp;
        int undefined = 0;
        for (int b = 0; b < 256; ++b) {
            std::u16string mine = dxf::utf8ToUtf16(dxf::singleByteToUtf8(std::string(1, char(b)), p.enc));
            ASSERT_EQ(mine.size(), 1u);
            if (mine[0] == 0xDC00 + b) {   // a byte the code page leaves undefined
                ++undefined;
                continue;
            }
            EXPECT_EQ(mine[0], table[b]) << "code page " << p.cp << " byte " << b;
        }
        EXPECT_LE(undefined, 5) << p.cp;
    }
}

}  // namespace
