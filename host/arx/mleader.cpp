// Multileaders: the content type and the text, which lives in the leader's
// context data (code 304 after the "has text" flag 290).
#include "host/arx/internal.h"
#include "host/arx/textutil.h"
#include "host/dbmleader.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace {

struct Context {
    int begin = -1;  // the 300 "CONTEXT_DATA{" tag
    int end = -1;    // its closing 301 "}"
};

Context contextOf(const TagList& t) {
    Context c;
    const std::size_t end = xdataStart(t);
    for (std::size_t i = 1; i < end; ++i) {
        if (t[i].code == 300 && t[i].value == "CONTEXT_DATA{") {
            c.begin = static_cast<int>(i);
            for (std::size_t j = i + 1; j < end; ++j)
                if (t[j].code == 301 && t[j].value == "}") {
                    c.end = static_cast<int>(j);
                    break;
                }
            break;
        }
    }
    return c;
}

// Index of the tag that holds the leader's text, or -1: inside the context,
// before the first leader, a 304 after the flag 290 that says there is text.
int textIndex(const TagList& t) {
    Context c = contextOf(t);
    if (c.begin < 0) return -1;
    const std::size_t end = c.end < 0 ? xdataStart(t) : static_cast<std::size_t>(c.end);
    bool hasText = false;
    for (std::size_t i = static_cast<std::size_t>(c.begin) + 1; i < end; ++i) {
        const Tag& tag = t[i];
        if (tag.code == 302 && tag.value == "LEADER{") break;
        if (tag.code == 290 && !hasText) {
            if (toInt(tag.value) == 0) return -1;
            hasText = true;
            continue;
        }
        if (tag.code == 304 && hasText) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

AcDbMLeader::AcDbMLeader() { st(this).tags = defaultTags("MULTILEADER"); }
AcDbMLeader::~AcDbMLeader() = default;

AcDbMLeaderStyle::ContentType AcDbMLeader::contentType() const {
    const TagList& t = st(this).tags;
    Context c = contextOf(t);
    std::size_t from = c.end >= 0 ? static_cast<std::size_t>(c.end) + 1 : 1;
    int i = findTag(t, 172, from);
    if (i < 0) return AcDbMLeaderStyle::kNoneContent;
    long long v = toInt(t[static_cast<std::size_t>(i)].value);
    if (v < 0 || v > 3) return AcDbMLeaderStyle::kNoneContent;
    return static_cast<AcDbMLeaderStyle::ContentType>(v);
}

AcDbMText* AcDbMLeader::mtext() const {
    const TagList& t = st(this).tags;
    int i = textIndex(t);
    if (i < 0) return nullptr;
    auto* text = new AcDbMText();
    HostString s = toHostString(t[static_cast<std::size_t>(i)].value);
    text->setContents(s.c_str());
    return text;
}

ErrorStatus AcDbMLeader::setMText(const AcDbMText* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!text) return Acad::eInvalidInput;
    TagList& t = st(this).tags;
    int i = textIndex(t);
    if (i < 0) return Acad::eNotApplicable;
    ACHAR* contents = text->contents();
    std::string utf8 = toUtf8(contents ? contents : ACRX_T(""));
    acStrFree(contents);
    Tag& tag = t[static_cast<std::size_t>(i)];
    if (tag.value == utf8) return Acad::eOk;
    tag.value = std::move(utf8);
    dropProxyGraphics(t);
    markDirty(this);
    return Acad::eOk;
}
