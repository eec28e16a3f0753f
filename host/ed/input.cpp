// Answers from the input source, and the editor's input functions.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>

#include "host/arx/hostapi.h"
#include "host/ed/editor.h"

namespace arxed {

void print(std::string_view utf8) {
    writeCommandLine(utf8);
}

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> splitAt(std::string_view s, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == separator) {
            parts.emplace_back(s.substr(from, i - from));
            from = i + 1;
        }
    return parts;
}

namespace {

// One raw line: RTNORM, or RTCAN at the end of the input. Script comment
// lines are passed over. With a terminal line reader the prompt's last line is
// shown by the reader (it redraws it while the line is edited).
int nextLine(std::string_view prompt, std::string& line) {
    Editor& e = ed();
    if (!e.pendingAnswers.empty()) {
        line = e.pendingAnswers.front();
        e.pendingAnswers.erase(e.pendingAnswers.begin());
        print(prompt);
        print(line);
        return RTNORM;
    }
    if (e.interactive && e.lineReader && !e.inputEnded) {
        const std::size_t nl = prompt.rfind('\n');
        const std::string_view head = nl == std::string_view::npos ? std::string_view() : prompt.substr(0, nl + 1);
        print(head);
        if (e.lineReader(std::string(prompt.substr(head.size())), line) != 1) {
            e.inputEnded = true;
            return RTCAN;
        }
        noteInputLineEnded();
        return RTNORM;
    }
    print(prompt);
    for (;;) {
        if (e.inputEnded || !e.input || !std::getline(*e.input, line)) {
            e.inputEnded = true;
            return RTCAN;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!e.interactive && !line.empty() && line[0] == ';') continue;
        if (e.interactive) noteInputLineEnded();
        else print(line);
        return RTNORM;
    }
}

}  // namespace

int readAnswer(std::string_view prompt, std::string& answer, bool lispAnswers) {
    std::string line;
    if (nextLine(prompt, line) != RTNORM) {
        // The end of the input cancels a prompt; on the command prompt it just ends.
        if (lispAnswers) print("*Cancel*");
        return RTCAN;
    }
    if (trim(line) == "^C") {
        print("*Cancel*");
        return RTCAN;
    }
    if (lispAnswers && !line.empty() && line[0] == '(') {
        // A LISP expression answers the prompt with its value.
        std::string value;
        if (!evaluateLisp(line, &value)) return RTERROR;
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        else if (value == "nil") value.clear();
        answer = value;
        return RTNORM;
    }
    answer = line;
    return RTNORM;
}

int readAnswer(std::string_view prompt, std::string& answer) {
    return readAnswer(prompt, answer, true);
}

// --- keywords ------------------------------------------------------------------
namespace {

bool parseKeywords(const std::string& list, KeywordSet& k) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && (list[i] == ' ' || list[i] == ',')) ++i;
        std::size_t s = i;
        while (i < list.size() && list[i] != ' ' && list[i] != ',') ++i;
        if (i > s) words.push_back(list.substr(s, i - s));
    }
    std::vector<std::string> local, global;
    bool afterSep = false;
    for (const std::string& w : words) {
        if (w == "_") {
            if (afterSep) return false;
            afterSep = true;
            continue;
        }
        (afterSep ? global : local).push_back(w);
    }
    if (!afterSep) global = local;
    if (global.size() != local.size()) return false;
    k.local = local;
    k.global = global;
    return true;
}

// The global keyword the answer names, or "".
void copyOut(const std::string& utf8, ACHAR* result, std::size_t size) {
    if (!result || size == 0) return;
    HostString h = fromUtf8(utf8);
    std::size_t n = h.size() < size ? h.size() : size - 1;
    std::memcpy(result, h.data(), n * sizeof(ACHAR));
    result[n] = 0;
}

bool parseNumber(const std::string& s, double& v) {
    std::string t = trim(s);
    if (t.empty()) return false;
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, e, v);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(v);
}

}  // namespace

std::string matchKeyword(const KeywordSet& k, const std::string& answer) {
    if (answer.empty() || !k.active) return {};
    std::string a = fold(answer);
    if (answer[0] == '_') {
        std::string g = fold(answer.substr(1));
        for (const std::string& w : k.global)
            if (fold(w) == g) return w;
    }
    for (std::size_t i = 0; i < k.local.size(); ++i)
        if (fold(k.local[i]) == a) return k.global[i];
    // A leading part of exactly one keyword.
    std::string found;
    int hits = 0;
    for (std::size_t i = 0; i < k.local.size(); ++i) {
        std::string l = fold(k.local[i]);
        if (l.compare(0, a.size(), a) == 0) {
            if (hits == 0 || found != k.global[i]) ++hits;
            found = k.global[i];
        }
    }
    return hits == 1 ? found : std::string();
}

KeywordSet takeKeywords() {
    KeywordSet k = ed().keywords;
    ed().keywords = KeywordSet{};
    return k;
}

// "x,y" or "x,y,z", or "@dx,dy[,dz]" from the base point.
bool parsePoint(const std::string& text, const double* base, double out[3]) {
    std::string t = trim(text);
    bool relative = !t.empty() && t[0] == '@';
    if (relative) t = t.substr(1);
    const std::vector<std::string> parts = splitAt(t, ',');
    if (parts.size() < 2 || parts.size() > 3) return false;
    double v[3] = {0, 0, 0};
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!parseNumber(parts[i], v[i])) return false;
    if (relative) {
        if (!base) return false;
        for (int i = 0; i < 3; ++i) v[i] += base[i];
    } else if (parts.size() == 2 && base) {
        v[2] = base[2];
    }
    for (int i = 0; i < 3; ++i) out[i] = v[i];
    return true;
}

// --- the user coordinate system ------------------------------------------------
namespace {

struct Ucs {
    double origin[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
};

bool headerPoint(AcDbDatabase* db, const char* var, double p[3]) {
    arxhost::RecordTags tags;
    if (!arxhost::headerTags(db, var, tags) || tags.empty()) return false;
    int base = tags.front().code;
    for (const arxhost::RecordTag& t : tags) {
        int axis = (t.code - base) / 10;
        if (axis >= 0 && axis < 3) p[axis] = std::strtod(t.value.c_str(), nullptr);
    }
    return true;
}

Ucs currentUcs() {
    Ucs u;
    AcDbDatabase* db = workingDb();
    if (!db) return u;
    Ucs h;
    bool ok = headerPoint(db, "$UCSORG", h.origin) & headerPoint(db, "$UCSXDIR", h.x) &
              headerPoint(db, "$UCSYDIR", h.y);
    if (!ok) return u;
    double lx = std::sqrt(h.x[0] * h.x[0] + h.x[1] * h.x[1] + h.x[2] * h.x[2]);
    double ly = std::sqrt(h.y[0] * h.y[0] + h.y[1] * h.y[1] + h.y[2] * h.y[2]);
    if (lx < 1e-12 || ly < 1e-12) return u;
    for (int i = 0; i < 3; ++i) {
        h.x[i] /= lx;
        h.y[i] /= ly;
    }
    h.z[0] = h.x[1] * h.y[2] - h.x[2] * h.y[1];
    h.z[1] = h.x[2] * h.y[0] - h.x[0] * h.y[2];
    h.z[2] = h.x[0] * h.y[1] - h.x[1] * h.y[0];
    return h;
}

}  // namespace

}  // namespace arxed

using namespace arxed;

int acdbUcs2Wcs(const ads_point from, ads_point to, int isVector) {
    if (!from || !to) return RTERROR;
    Ucs u = currentUcs();
    double r[3];
    for (int i = 0; i < 3; ++i)
        r[i] = (isVector ? 0 : u.origin[i]) + from[0] * u.x[i] + from[1] * u.y[i] + from[2] * u.z[i];
    for (int i = 0; i < 3; ++i) to[i] = r[i];
    return RTNORM;
}

int acdbWcs2Ucs(const ads_point from, ads_point to, int isVector) {
    if (!from || !to) return RTERROR;
    Ucs u = currentUcs();
    double d[3];
    for (int i = 0; i < 3; ++i) d[i] = from[i] - (isVector ? 0 : u.origin[i]);
    double r[3] = {d[0] * u.x[0] + d[1] * u.x[1] + d[2] * u.x[2], d[0] * u.y[0] + d[1] * u.y[1] + d[2] * u.y[2],
                   d[0] * u.z[0] + d[1] * u.z[1] + d[2] * u.z[2]};
    for (int i = 0; i < 3; ++i) to[i] = r[i];
    return RTNORM;
}

int acedInitGet(int flags, const ACHAR* keywordList) {
    KeywordSet k;
    k.flags = flags;
    if (keywordList && *keywordList) {
        if (!parseKeywords(toUtf8(keywordList), k)) {
            ed().keywords = KeywordSet{};
            return RTERROR;
        }
        k.active = true;
    }
    ed().keywords = k;
    return RTNORM;
}

int acedGetKword(const ACHAR* prompt, ACHAR* result, std::size_t size) {
    KeywordSet k = takeKeywords();
    std::string p = toUtf8(prompt);
    for (;;) {
        std::string a;
        int rc = readAnswer(p, a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.empty()) {
            if (k.flags & RSG_NONULL) {
                print("\nRequires an answer.");
                continue;
            }
            copyOut("", result, size);
            return RTNONE;
        }
        std::string g = matchKeyword(k, a);
        if (!g.empty()) {
            copyOut(g, result, size);
            return RTNORM;
        }
        if (k.flags & RSG_OTHER) {
            ed().lastInput = a;
            copyOut(a, result, size);
            return RTKWORD;
        }
        print("\nInvalid option keyword.");
    }
}

int acedGetKword(const ACHAR* prompt, ACHAR* result) {
    return acedGetKword(prompt, result, 512);
}

int acedGetInput(ACHAR* result, std::size_t size) {
    if (!result) return RTERROR;
    copyOut(ed().lastInput, result, size);
    return RTNORM;
}

int acedGetInput(ACHAR* result) {
    return acedGetInput(result, 512);
}

namespace {

int getPoint(const double* base, const ACHAR* prompt, ads_point result, bool corner) {
    KeywordSet k = takeKeywords();
    std::string p = toUtf8(prompt);
    if (corner && !base) return RTREJ;
    for (;;) {
        std::string a;
        int rc = readAnswer(p, a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.empty()) {
            if (k.flags & RSG_NONULL) {
                print("\nRequires a point.");
                continue;
            }
            return RTNONE;
        }
        double v[3];
        if (parsePoint(a, base, v)) {
            if (result)
                for (int i = 0; i < 3; ++i) result[i] = v[i];
            return RTNORM;
        }
        std::string g = matchKeyword(k, a);
        if (!g.empty()) {
            ed().lastInput = g;
            return RTKWORD;
        }
        if (k.flags & RSG_OTHER) {
            ed().lastInput = a;
            return RTKWORD;
        }
        print(k.active ? "\nPoint or option keyword required." : "\nInvalid point.");
    }
}

}  // namespace

int acedGetPoint(const ads_point basePoint, const ACHAR* prompt, ads_point result) {
    return getPoint(basePoint, prompt, result, false);
}

int acedGetCorner(const ads_point basePoint, const ACHAR* prompt, ads_point result) {
    return getPoint(basePoint, prompt, result, true);
}

int acedGetInt(const ACHAR* prompt, int* result) {
    KeywordSet k = takeKeywords();
    std::string p = toUtf8(prompt);
    for (;;) {
        std::string a;
        int rc = readAnswer(p, a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.empty() && !(k.flags & RSG_NONULL)) return RTNONE;
        int v = 0;
        auto r = std::from_chars(a.data(), a.data() + a.size(), v);
        if (!a.empty() && r.ec == std::errc() && r.ptr == a.data() + a.size() && v >= -32768 && v <= 32767) {
            if ((k.flags & RSG_NOZERO) && v == 0) {
                print("\nValue must be nonzero.");
                continue;
            }
            if ((k.flags & RSG_NONEG) && v < 0) {
                print("\nValue must be positive.");
                continue;
            }
            if (result) *result = v;
            return RTNORM;
        }
        std::string g = matchKeyword(k, a);
        if (!g.empty() || (k.flags & RSG_OTHER)) {
            ed().lastInput = g.empty() ? a : g;
            return RTKWORD;
        }
        print("\nRequires an integer between -32768 and 32767.");
    }
}

int acedGetReal(const ACHAR* prompt, ads_real* result) {
    KeywordSet k = takeKeywords();
    std::string p = toUtf8(prompt);
    for (;;) {
        std::string a;
        int rc = readAnswer(p, a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.empty() && !(k.flags & RSG_NONULL)) return RTNONE;
        double v = 0;
        if (parseNumber(a, v)) {
            if (result) *result = v;
            return RTNORM;
        }
        std::string g = matchKeyword(k, a);
        if (!g.empty() || (k.flags & RSG_OTHER)) {
            ed().lastInput = g.empty() ? a : g;
            return RTKWORD;
        }
        print("\nRequires a number.");
    }
}

int acedGetString(int allowSpaces, const ACHAR* prompt, ACHAR* result, std::size_t size) {
    takeKeywords();
    std::string a;
    int rc = readAnswer(toUtf8(prompt), a);
    if (rc != RTNORM) return rc;
    if (!allowSpaces) {
        auto sp = a.find(' ');
        if (sp != std::string::npos) a = a.substr(0, sp);
    }
    copyOut(a, result, size);
    return RTNORM;
}

// --- files ---------------------------------------------------------------------
// Modules name the drawing format of their host, "dwg"; this host reads and
// writes drawings as DXF, so a prompt for a drawing offers the host's own
// extension ("deleted.dwg" is offered as "deleted.dxf"). Typed names are kept.
// The file prompts and the file-open dialog share it.
void arxed::offerHostDrawingFormat(std::string& defaultName, std::string& extension) {
    if (fold(extension) == "dwg") extension = "dxf";
    std::size_t n = defaultName.size();
    if (n >= 4 && fold(defaultName.substr(n - 4)) == ".dwg") defaultName.replace(n - 3, 3, "dxf");
}

namespace {

bool fileExists(const std::string& p) {
    return access(p.c_str(), F_OK) == 0;
}

std::string folderOf(const std::string& p) {
    auto s = p.find_last_of('/');
    return s == std::string::npos ? "." : s == 0 ? "/" : p.substr(0, s);
}

int fileNav(const std::string& title, std::string def, std::string ext, int flags, std::string& out) {
    offerHostDrawingFormat(def, ext);
    bool create = flags & FND_NEWFILE;
    std::string prompt = "\n" + title + (def.empty() ? std::string(" ") : " <" + def + ">") + ": ";
    for (;;) {
        std::string a;
        int rc = readAnswer(prompt, a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.size() >= 2 && a.front() == '"' && a.back() == '"') a = a.substr(1, a.size() - 2);
        if (a.empty()) a = def;
        if (a.empty()) {
            print("\nA file name is required.");
            continue;
        }
        if (a == "~") {
            print("\nThere is no file dialog on this host; type the file name.");
            continue;
        }
        std::string last = a.substr(a.find_last_of('/') == std::string::npos ? 0 : a.find_last_of('/') + 1);
        if (!ext.empty() && last.find('.') == std::string::npos && !fileExists(a)) a += "." + ext;
        if (create) {
            if (!fileExists(folderOf(a))) {
                print("\nThe folder " + folderOf(a) + " does not exist.");
                continue;
            }
            if (fileExists(a) && !(flags & FND_NOOVERWRITEWARN)) {
                std::string yn;
                int r2 = readAnswer("\n" + a + " already exists. Replace it? [Yes/No] <No>: ", yn);
                if (r2 != RTNORM) return r2;
                std::string f = fold(trim(yn));
                if (f.empty() || !(std::string("yes").compare(0, f.size(), f) == 0 || f == fold(u8s(u8"Да")) || f == fold(u8s(u8"Д"))))
                    continue;
            }
        } else if (!fileExists(a)) {
            print("\nFile not found: " + a);
            continue;
        }
        out = a;
        return RTNORM;
    }
}

void setResultString(resbuf* rb, const std::string& utf8) {
    if (rb->restype == RTSTR && rb->resval.rstring) acutDelString(rb->resval.rstring);
    rb->restype = RTSTR;
    HostString h = fromUtf8(utf8);
    rb->resval.rstring = acutNewString(h.c_str());
}

}  // namespace

int acedGetFileNavDialog(const ACHAR* title, const ACHAR* defaultName, const ACHAR* extension, const ACHAR*,
                         int flags, resbuf** result) {
    if (!result) return RTERROR;
    std::string path;
    int rc = fileNav(toUtf8(title), toUtf8(defaultName), toUtf8(extension), flags, path);
    if (rc != RTNORM) return rc;
    // The caller may hand over a string buffer of its own to be filled.
    if (!*result) *result = acutNewRb(RTSTR);
    setResultString(*result, path);
    return RTNORM;
}

int acedGetFileD(const ACHAR* title, const ACHAR* defaultName, const ACHAR* extension, int flags, resbuf* result) {
    if (!result) return RTERROR;
    std::string path;
    int rc = fileNav(toUtf8(title), toUtf8(defaultName), toUtf8(extension), flags, path);
    if (rc != RTNORM) return rc;
    setResultString(result, path);
    return RTNORM;
}

// --- messages ------------------------------------------------------------------
namespace {

int messageBox(const std::string& text, const std::string& caption, unsigned type) {
    std::string kind = (type & 0xF0) == MB_ICONERROR     ? "Error"
                       : (type & 0xF0) == MB_ICONWARNING ? "Warning"
                                                          : "Message";
    print("\n** " + kind + (caption.empty() ? std::string() : " (" + caption + ")") + ": " + text + " **");
    unsigned buttons = type & 0xF;
    if (buttons != MB_OKCANCEL && buttons != MB_YESNO) return IDOK;
    bool yesNo = buttons == MB_YESNO;
    for (;;) {
        std::string a;
        int rc = readAnswer(yesNo ? "\n[Yes/No] <Yes>: " : "\n[OK/Cancel] <OK>: ", a);
        if (rc != RTNORM) return yesNo ? IDNO : IDCANCEL;
        std::string f = fold(trim(a));
        if (f.empty()) return yesNo ? IDYES : IDOK;
        if (yesNo && (f == "y" || f == "yes" || f == fold(u8s(u8"Да")))) return IDYES;
        if (yesNo && (f == "n" || f == "no" || f == fold(u8s(u8"Нет")))) return IDNO;
        if (!yesNo && (f == "ok" || f == "o")) return IDOK;
        if (!yesNo && (f == "c" || f == "cancel" || f == fold(u8s(u8"Отмена")))) return IDCANCEL;
        print("\nInvalid option keyword.");
    }
}

char mainWindow;

}  // namespace

int MessageBoxW(HWND, const char16_t* text, const char16_t* caption, unsigned type) {
    return messageBox(text ? utf16ToUtf8(text) : "", caption ? utf16ToUtf8(caption) : "", type);
}

int MessageBoxA(HWND, const char* text, const char* caption, unsigned type) {
#ifdef ARX_NARROW
    return messageBox(toUtf8(text), toUtf8(caption), type);
#else
    auto conv = [](const char* s) {
        std::string out;
        if (!s) return out;
        std::u16string w;
        for (; *s; ++s) {
            char16_t u = 0;
            MultiByteToWideChar(CP_ACP, 0, s, 1, &u, 1);
            w += u;
        }
        return utf16ToUtf8(w);
    };
    return messageBox(conv(text), conv(caption), type);
#endif
}

int AfxMessageBox(const ACHAR* text, unsigned type, unsigned) {
    return messageBox(toUtf8(text), "cadhost", type);
}

int acedAlert(const ACHAR* message) {
    messageBox(toUtf8(message), "", MB_OK);
    return RTNORM;
}

HWND adsw_acadMainWnd() {
    return reinterpret_cast<HWND>(&mainWindow);
}
