// System variables: the editor's own (ERRNO, CMDECHO, ...) and those a drawing
// holds (its header; CTABLESTYLE and its kind in the variable dictionary).
#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "host/dbdict.h"
#include "host/dbsymtb.h"
#include "host/arx/hostapi.h"
#include "host/ed/editor.h"
#include "platform/heap.h"

namespace arxed {

namespace {

struct HostVar {
    const char* name;
    int type;
    bool readOnly;
};

// The editor's own variables. ERRNO is written by the editor and may be reset
// by modules.
const HostVar kHostVars[] = {
    {"ERRNO", RTSHORT, false},   {"CMDECHO", RTSHORT, false}, {"PICKBOX", RTREAL, false},
    {"FILEDIA", RTSHORT, false}, {"CMDDIA", RTSHORT, false},  {"ACADVER", RTSTR, true},
    {"DWGNAME", RTSTR, true},    {"DWGPREFIX", RTSTR, true},  {"CMDNAMES", RTSTR, true},
    {"SDI", RTSHORT, true},      {"LOCALE", RTSTR, true},     {"DBMOD", RTSHORT, true},
};

// Variables kept in the drawing's variable dictionary rather than its header.
const char* const kDictionaryVars[] = {"CTABLESTYLE", "CMLEADERSTYLE", "CANNOSCALE", "CVIEWDETAILSTYLE",
                                       "CVIEWSECTIONSTYLE"};

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

int typeOfCode(int code) {
    if ((code >= 1 && code <= 9) || code == 100 || code == 102 || code == 105 || (code >= 300 && code <= 369) ||
        (code >= 390 && code <= 399) || (code >= 410 && code <= 419) || (code >= 430 && code <= 439) ||
        (code >= 470 && code <= 479) || (code >= 999 && code <= 1009))
        return RTSTR;
    if (code >= 10 && code <= 39) return RT3DPOINT;
    if ((code >= 40 && code <= 59) || (code >= 110 && code <= 149) || (code >= 210 && code <= 239) ||
        (code >= 460 && code <= 469) || (code >= 1010 && code <= 1059))
        return RTREAL;
    if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) || (code >= 440 && code <= 459) ||
        code == 1071)
        return RTLONG;
    return RTSHORT;
}

void setString(resbuf* rb, const std::string& utf8) {
    rb->restype = RTSTR;
    HostString h = fromUtf8(utf8);
    rb->resval.rstring = acutNewString(h.c_str());
}

std::string fileDir(const std::string& p) {
    auto s = p.find_last_of('/');
    return s == std::string::npos ? std::string() : p.substr(0, s + 1);
}

std::string fileName(const std::string& p) {
    auto s = p.find_last_of('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

// The DICTIONARYVAR filed under `name` in the drawing's variable dictionary.
AcDbObjectId dictionaryVar(AcDbDatabase* db, const std::string& name) {
    AcDbObjectId result;
    AcDbDictionary* root = nullptr;
    if (db->getNamedObjectsDictionary(root, AcDb::kForRead) != Acad::eOk) return result;
    AcDbObjectId varsId;
    Acad::ErrorStatus es = root->getAt(ACRX_T("AcDbVariableDictionary"), varsId);
    root->close();
    if (es != Acad::eOk) return result;
    AcDbDictionary* vars = nullptr;
    if (acdbOpenObject(vars, varsId, AcDb::kForRead) != Acad::eOk) return result;
    HostString key = fromUtf8(name);
    vars->getAt(key.c_str(), result);
    vars->close();
    return result;
}

bool isDictionaryVar(const std::string& name) {
    for (const char* v : kDictionaryVars)
        if (name == v) return true;
    return false;
}


int getHostVar(const std::string& name, resbuf* result) {
    Editor& e = ed();
    auto stored = e.hostVars.find(name);
    if (name == "ERRNO") {
        result->restype = RTSHORT;
        result->resval.rint = static_cast<short>(e.errnoValue);
    } else if (stored != e.hostVars.end()) {
        result->restype = stored->second->restype;
        if (result->restype == RTSTR) result->resval.rstring = acutNewString(stored->second->resval.rstring);
        else result->resval = stored->second->resval;
    } else if (name == "CMDECHO" || name == "CMDDIA") {
        result->restype = RTSHORT;
        result->resval.rint = 1;
    } else if (name == "PICKBOX") {
        // The pick box in use: half the side of the pick square, in drawing
        // units (--pickbox), so a real rather than a count of pixels.
        result->restype = RTREAL;
        result->resval.rreal = e.pickbox;
    } else if (name == "FILEDIA") {
        result->restype = RTSHORT;
        result->resval.rint = 0;  // files are asked for on the command line
    } else if (name == "SDI") {
        result->restype = RTSHORT;
        result->resval.rint = 0;
    } else if (name == "ACADVER") {
        setString(result, std::to_string(e.releaseMajor) + "." + std::to_string(e.releaseMinor));
    } else if (name == "LOCALE") {
        setString(result, "RUS");
    } else if (name == "DWGNAME" || name == "DWGPREFIX") {
        std::string p = e.current ? (e.current->path.empty() ? toUtf8(e.current->pathHost) : e.current->path) : "";
        setString(result, name == "DWGNAME" ? fileName(p) : fileDir(p));
    } else if (name == "DBMOD") {
        // 1: the drawing changed since it was read or saved.
        AcDbDatabase* db = workingDb();
        result->restype = RTSHORT;
        result->resval.rint = static_cast<short>(db && db->isModified() ? 1 : 0);
    } else if (name == "CMDNAMES") {
        setString(result, "");
    } else {
        return RTERROR;
    }
    return RTNORM;
}

}  // namespace


const HostVar* hostVar(const std::string& name) {
    for (const HostVar& v : kHostVars)
        if (name == v.name) return &v;
    return nullptr;
}

}  // namespace arxed

using namespace arxed;

int acedGetVar(const ACHAR* sym, resbuf* result) {
    if (!sym || !result) return RTERROR;
    std::string name = upper(toUtf8(sym));
    result->rbnext = nullptr;
    if (hostVar(name)) return getHostVar(name, result);
    AcDbDatabase* db = workingDb();
    if (!db) return RTERROR;
    if (name == "CLAYER" || name == "TEXTSTYLE" || name == "CELTYPE" || name == "DIMSTYLE") {
        AcDbObjectId id = name == "CLAYER"     ? db->clayer()
                          : name == "TEXTSTYLE" ? db->textstyle()
                          : name == "CELTYPE"   ? db->celtype()
                                                : db->dimstyle();
        if (id.isNull()) return RTERROR;
        setString(result, arxhost::recordName(id));
        return RTNORM;
    }
    if (isDictionaryVar(name)) {
        AcDbObjectId id = dictionaryVar(db, name);
        if (id.isNull()) {
            if (name != "CTABLESTYLE" && name != "CMLEADERSTYLE") return RTERROR;
            setString(result, "Standard");  // what a drawing without the entry uses
            return RTNORM;
        }
        for (const arxhost::RecordTag& t : arxhost::recordTags(id))
            if (t.code == 1) {
                setString(result, t.value);
                return RTNORM;
            }
        return RTERROR;
    }
    arxhost::RecordTags tags;
    if (!arxhost::headerTags(db, "$" + name, tags) || tags.empty()) return RTERROR;
    const arxhost::RecordTag& t = tags.front();
    int type = typeOfCode(t.code);
    switch (type) {
    case RTSTR: setString(result, t.value); break;
    case RTREAL:
        result->restype = RTREAL;
        result->resval.rreal = std::strtod(t.value.c_str(), nullptr);
        break;
    case RTLONG:
        result->restype = RTLONG;
        result->resval.rlong = static_cast<int32_t>(std::strtol(t.value.c_str(), nullptr, 10));
        break;
    case RT3DPOINT: {
        result->restype = RT3DPOINT;
        for (int i = 0; i < 3; ++i) result->resval.rpoint[i] = 0;
        for (const arxhost::RecordTag& p : tags) {
            int axis = (p.code - t.code) / 10;
            if (axis >= 0 && axis < 3 && p.code % 10 == t.code % 10)
                result->resval.rpoint[axis] = std::strtod(p.value.c_str(), nullptr);
        }
        break;
    }
    default:
        result->restype = RTSHORT;
        result->resval.rint = static_cast<short>(std::strtol(t.value.c_str(), nullptr, 10));
        break;
    }
    return RTNORM;
}

namespace {

std::string numberText(const resbuf* v) {
    ACHAR buf[64];
    if (v->restype == RTREAL) {
        return arxhost::realText(v->resval.rreal);
    }
    if (v->restype == RTLONG) acutSPrintf(buf, 64, ACRX_T("%d"), static_cast<int>(v->resval.rlong));
    else acutSPrintf(buf, 64, ACRX_T("%d"), static_cast<int>(v->resval.rint));
    return toUtf8(buf);
}

bool isInteger(const resbuf* v) {
    return v->restype == RTSHORT || v->restype == RTLONG;
}

}  // namespace

int acedSetVar(const ACHAR* sym, const resbuf* value) {
    if (!sym || !value) return RTERROR;
    std::string name = upper(toUtf8(sym));
    Editor& e = ed();
    if (const HostVar* hv = hostVar(name)) {
        if (hv->readOnly) return RTERROR;
        if (name == "PICKBOX") {
            if (!isInteger(value) && value->restype != RTREAL) return RTERROR;
            double box = value->restype == RTREAL   ? value->resval.rreal
                         : value->restype == RTLONG ? value->resval.rlong
                                                    : value->resval.rint;
            if (!(box >= 0 && box <= 50)) return RTERROR;
            e.pickbox = box;
            return RTNORM;
        }
        if (!isInteger(value)) return RTERROR;
        int v = value->restype == RTSHORT ? value->resval.rint : value->resval.rlong;
        if (name == "ERRNO") {
            e.errnoValue = v;
            return RTNORM;
        }
        if (v < 0 || v > 1) return RTERROR;
        resbuf*& slot = e.hostVars[name];
        if (!slot) slot = acutNewRb(RTSHORT);
        slot->resval.rint = static_cast<short>(v);
        return RTNORM;
    }
    AcDbDatabase* db = workingDb();
    if (!db) return RTERROR;
    if (name == "CLAYER" || name == "TEXTSTYLE" || name == "CELTYPE" || name == "DIMSTYLE") {
        if (value->restype != RTSTR || !value->resval.rstring) return RTERROR;
        AcDbSymbolTable* table = nullptr;
        Acad::ErrorStatus es;
        if (name == "CLAYER") {
            AcDbLayerTable* t = nullptr;
            es = db->getSymbolTable(t, AcDb::kForRead);
            table = t;
        } else if (name == "TEXTSTYLE") {
            AcDbTextStyleTable* t = nullptr;
            es = db->getSymbolTable(t, AcDb::kForRead);
            table = t;
        } else if (name == "CELTYPE") {
            AcDbLinetypeTable* t = nullptr;
            es = db->getSymbolTable(t, AcDb::kForRead);
            table = t;
        } else {
            AcDbDimStyleTable* t = nullptr;
            es = db->getSymbolTable(t, AcDb::kForRead);
            table = t;
        }
        if (es != Acad::eOk) return RTERROR;
        AcDbObjectId id;
        es = table->getAt(value->resval.rstring, id);
        table->close();
        if (es != Acad::eOk) return RTERROR;
        es = name == "CLAYER"      ? db->setClayer(id)
             : name == "TEXTSTYLE" ? db->setTextstyle(id)
             : name == "CELTYPE"   ? db->setCeltype(id)
                                   : db->setDimstyle(id);
        return es == Acad::eOk ? RTNORM : RTERROR;
    }
    if (name == "CTABLESTYLE") {
        // Through the database, which keeps the current style (and makes the
        // variable when the drawing lacks it); only a style of the drawing.
        if (value->restype != RTSTR || !value->resval.rstring) return RTERROR;
        AcDbDictionary* styles = nullptr;
        if (db->getTableStyleDictionary(styles, AcDb::kForRead) != Acad::eOk) return RTERROR;
        AcDbObjectId id;
        Acad::ErrorStatus es = styles->getAt(value->resval.rstring, id);
        styles->close();
        if (es != Acad::eOk) return RTERROR;
        return db->setTablestyle(id) == Acad::eOk ? RTNORM : RTERROR;
    }
    if (isDictionaryVar(name)) {
        if (value->restype != RTSTR) return RTERROR;
        // Refused when the drawing lacks the variable or a module holds it open.
        return arxhost::setRecordValue(dictionaryVar(db, name), 1, toUtf8(value->resval.rstring)) ? RTNORM : RTERROR;
    }
    arxhost::RecordTags tags;
    if (!arxhost::headerTags(db, "$" + name, tags) || tags.empty()) return RTERROR;
    const arxhost::RecordTags before = tags;
    int type = typeOfCode(tags.front().code);
    if (type == RTSTR) {
        if (value->restype != RTSTR) return RTERROR;
        tags.resize(1);
        tags.front().value = toUtf8(value->resval.rstring);
    } else if (type == RT3DPOINT) {
        if (value->restype != RTPOINT && value->restype != RT3DPOINT) return RTERROR;
        int base = tags.front().code;
        arxhost::RecordTags pts;
        int n = 0;
        for (const arxhost::RecordTag& t : tags)
            if (t.code % 10 == base % 10 && (t.code - base) % 10 == 0) ++n;
        for (int i = 0; i < (n < 2 ? 2 : n) && i < 3; ++i) {
            resbuf r{};
            r.restype = RTREAL;
            r.resval.rreal = value->resval.rpoint[i];
            pts.push_back({base + 10 * i, numberText(&r)});
        }
        tags = pts;
    } else if (type == RTREAL) {
        if (value->restype != RTREAL && !isInteger(value)) return RTERROR;
        resbuf r{};
        r.restype = RTREAL;
        r.resval.rreal = value->restype == RTREAL ? value->resval.rreal
                         : value->restype == RTLONG ? value->resval.rlong
                                                    : value->resval.rint;
        tags.resize(1);
        tags.front().value = numberText(&r);
    } else {
        if (!isInteger(value)) return RTERROR;
        tags.resize(1);
        tags.front().value = numberText(value);
    }
    // The value it already has leaves the drawing unchanged (and unmodified).
    auto same = [](const arxhost::RecordTag& a, const arxhost::RecordTag& b) {
        return a.code == b.code && a.value == b.value;
    };
    if (std::equal(tags.begin(), tags.end(), before.begin(), before.end(), same)) return RTNORM;
    return arxhost::setHeaderTags(db, "$" + name, tags) ? RTNORM : RTERROR;
}
