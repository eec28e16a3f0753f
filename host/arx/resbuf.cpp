// Result buffers and their conversion from and to tags.
#include <cstring>

#include "host/arx/internal.h"
#include "host/dxf/hex.h"
#include "platform/heap.h"

AcDb::DwgDataType acdbGroupCodeToType(int c) {
    using namespace AcDb;
    if (c == 5 || c == 105) return kDwgHandle;
    if (c >= 0 && c <= 9) return kDwgText;
    if (c >= 10 && c <= 18) return kDwg3Real;
    if (c >= 19 && c <= 59) return kDwgReal;
    if (c >= 60 && c <= 79) return kDwgInt16;
    if (c >= 90 && c <= 99) return kDwgInt32;
    if (c >= 100 && c <= 102) return kDwgText;
    if (c >= 110 && c <= 112) return kDwg3Real;
    if (c >= 113 && c <= 149) return kDwgReal;
    if (c >= 160 && c <= 169) return kDwgInt64;
    if (c >= 170 && c <= 179) return kDwgInt16;
    if (c == 210) return kDwg3Real;
    if (c >= 211 && c <= 239) return kDwgReal;
    if (c >= 270 && c <= 279) return kDwgInt16;
    if (c >= 280 && c <= 299) return kDwgInt8;
    if (c >= 300 && c <= 309) return kDwgText;
    if (c >= 310 && c <= 319) return kDwgBChunk;
    if (c >= 320 && c <= 329) return kDwgHandle;
    if (c >= 330 && c <= 339) return kDwgSoftPointerId;
    if (c >= 340 && c <= 349) return kDwgHardPointerId;
    if (c >= 350 && c <= 359) return kDwgSoftOwnershipId;
    if (c >= 360 && c <= 369) return kDwgHardOwnershipId;
    if (c >= 370 && c <= 389) return kDwgInt16;
    if (c >= 390 && c <= 399) return kDwgHardPointerId;
    if (c >= 400 && c <= 409) return kDwgInt16;
    if (c >= 410 && c <= 419) return kDwgText;
    if (c >= 420 && c <= 429) return kDwgInt32;
    if (c >= 430 && c <= 439) return kDwgText;
    if (c >= 440 && c <= 459) return kDwgInt32;
    if (c >= 460 && c <= 469) return kDwgReal;
    if (c >= 470 && c <= 479) return kDwgText;
    if (c == 480 || c == 481) return kDwgHardPointerId;
    if (c == 999) return kDwgText;
    if (c >= 1000 && c <= 1003) return kDwgText;
    if (c == 1004) return kDwgBChunk;
    if (c == 1005) return kDwgHandle;
    if (c >= 1010 && c <= 1013) return kDwg3Real;
    if (c >= 1014 && c <= 1059) return kDwgReal;
    if (c >= 1060 && c <= 1070) return kDwgInt16;
    if (c == 1071) return kDwgInt32;
    return kDwgNotRecognized;
}

namespace {

bool isGroupCode(int type) { return type > -5000 && type < 5000; }

bool holdsString(int type) {
    if (type == RTSTR || type == RTDXF0) return true;
    if (!isGroupCode(type)) return false;
    AcDb::DwgDataType t = acdbGroupCodeToType(type);
    return t == AcDb::kDwgText || t == AcDb::kDwgHandle;
}

bool holdsBinary(int type) {
    return isGroupCode(type) && acdbGroupCodeToType(type) == AcDb::kDwgBChunk;
}

}  // namespace

resbuf* acutNewRb(int type) {
    auto* rb = new resbuf;
    std::memset(static_cast<void*>(rb), 0, sizeof *rb);
    rb->restype = static_cast<short>(type);
    return rb;
}

int acutRelRb(resbuf* rb) {
    while (rb) {
        resbuf* next = rb->rbnext;
        if (holdsString(rb->restype))
            acStrFree(rb->resval.rstring);
        else if (holdsBinary(rb->restype))
            acStrFree(rb->resval.rbinary.buf);
        delete rb;
        rb = next;
    }
    return RTNORM;
}

ACHAR* acutNewString(const ACHAR* s) { return s ? acStrDup(s) : nullptr; }

void acutDelString(ACHAR*& s) {
    acStrFree(s);
    s = nullptr;
}

namespace arxhost {

resbuf* tagsToChain(const TagList& t, std::size_t from, std::size_t to) {
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (std::size_t i = from; i < to && i < t.size(); ++i) {
        const Tag& tag = t[i];
        resbuf* rb = acutNewRb(tag.code);
        switch (acdbGroupCodeToType(tag.code)) {
            case AcDb::kDwg3Real: {
                rb->resval.rpoint[0] = toReal(tag.value);
                if (i + 1 < to && t[i + 1].code == tag.code + 10) {
                    rb->resval.rpoint[1] = toReal(t[++i].value);
                    if (i + 1 < to && t[i + 1].code == tag.code + 20) rb->resval.rpoint[2] = toReal(t[++i].value);
                }
                break;
            }
            case AcDb::kDwgReal: rb->resval.rreal = toReal(tag.value); break;
            case AcDb::kDwgInt16:
            case AcDb::kDwgInt8: rb->resval.rint = static_cast<short>(toInt(tag.value)); break;
            case AcDb::kDwgInt32: rb->resval.rlong = static_cast<int32_t>(toInt(tag.value)); break;
            case AcDb::kDwgInt64: rb->resval.mnLong = static_cast<int64_t>(toInt(tag.value)); break;
            case AcDb::kDwgBChunk: {
                std::string bytes, error;
                dxf::hexDecode(tag.value, bytes, error);
                if (bytes.size() > 32767) bytes.resize(32767);
                rb->resval.rbinary.clen = static_cast<short>(bytes.size());
                rb->resval.rbinary.buf = acStrAllocA(bytes.size() + 1);
                std::memcpy(rb->resval.rbinary.buf, bytes.data(), bytes.size());
                rb->resval.rbinary.buf[bytes.size()] = 0;
                break;
            }
            case AcDb::kDwgSoftPointerId:
            case AcDb::kDwgHardPointerId:
            case AcDb::kDwgSoftOwnershipId:
            case AcDb::kDwgHardOwnershipId: {
                uint64_t h = 0;
                parseHex(tag.value, h);
                rb->resval.rlname[0] = static_cast<int64_t>(h);
                break;
            }
            default: rb->resval.rstring = toHost(tag.ref ? tag.ref->drawing->nameOf(tag.ref) : tag.value); break;
        }
        *tail = rb;
        tail = &rb->rbnext;
    }
    return head;
}

Acad::ErrorStatus chainToTags(const resbuf* rb, TagList& out, bool (*allowed)(int code)) {
    TagList tags;
    for (; rb; rb = rb->rbnext) {
        const int c = rb->restype;
        if (!isGroupCode(c) || (allowed && !allowed(c))) return Acad::eInvalidResBuf;
        AcDb::DwgDataType type = acdbGroupCodeToType(c);
        switch (type) {
            case AcDb::kDwg3Real:
                tags.push_back({static_cast<int16_t>(c), realText(rb->resval.rpoint[0]), nullptr});
                tags.push_back({static_cast<int16_t>(c + 10), realText(rb->resval.rpoint[1]), nullptr});
                tags.push_back({static_cast<int16_t>(c + 20), realText(rb->resval.rpoint[2]), nullptr});
                continue;
            case AcDb::kDwgReal: tags.push_back({static_cast<int16_t>(c), realText(rb->resval.rreal), nullptr}); continue;
            case AcDb::kDwgInt16:
            case AcDb::kDwgInt8:
                tags.push_back({static_cast<int16_t>(c), std::to_string(rb->resval.rint), nullptr});
                continue;
            case AcDb::kDwgInt32:
                tags.push_back({static_cast<int16_t>(c), std::to_string(rb->resval.rlong), nullptr});
                continue;
            case AcDb::kDwgInt64:
                tags.push_back({static_cast<int16_t>(c), std::to_string(rb->resval.mnLong), nullptr});
                continue;
            case AcDb::kDwgBChunk: {
                if (rb->resval.rbinary.clen < 0 || (rb->resval.rbinary.clen > 0 && !rb->resval.rbinary.buf))
                    return Acad::eInvalidResBuf;
                std::string hex;
                dxf::hexEncode(std::string_view(rb->resval.rbinary.buf ? rb->resval.rbinary.buf : "",
                                                static_cast<std::size_t>(rb->resval.rbinary.clen)),
                               hex);
                tags.push_back({static_cast<int16_t>(c), std::move(hex), nullptr});
                continue;
            }
            case AcDb::kDwgSoftPointerId:
            case AcDb::kDwgHardPointerId:
            case AcDb::kDwgSoftOwnershipId:
            case AcDb::kDwgHardOwnershipId:
                tags.push_back({static_cast<int16_t>(c), hexOf(static_cast<uint64_t>(rb->resval.rlname[0])), nullptr});
                continue;
            case AcDb::kDwgHandle: {
                std::string v = toUtf8(rb->resval.rstring);
                uint64_t h = 0;
                if (!v.empty() && !parseHex(v, h)) return Acad::eInvalidResBuf;
                tags.push_back({static_cast<int16_t>(c), std::move(v), nullptr});
                continue;
            }
            case AcDb::kDwgText:
                tags.push_back({static_cast<int16_t>(c), toUtf8(rb->resval.rstring), nullptr});
                continue;
            default: return Acad::eInvalidResBuf;
        }
    }
    out = std::move(tags);
    return Acad::eOk;
}

}  // namespace arxhost
