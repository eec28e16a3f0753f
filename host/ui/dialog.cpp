// Dialogs as command-line forms, and the file-open dialog.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "host/acdocman.h"
#include "host/ed/editor.h"
#include "host/ui/afxwin.h"

using namespace arxed;

HINSTANCE AfxGetResourceHandle() {
    return acedCurrentResourceHandle();
}

void AfxSetResourceHandle(HINSTANCE resources) {
    acedSetCurrentResourceHandle(resources);
}

CAcModuleResourceOverride::CAcModuleResourceOverride(HINSTANCE resources) : previous_(AfxGetResourceHandle()) {
    AfxSetResourceHandle(resources);
}

CAcModuleResourceOverride::~CAcModuleResourceOverride() {
    AfxSetResourceHandle(previous_);
}

CWnd::~CWnd() = default;

CWnd* CWnd::FromHandle(HWND hwnd) {
    static std::map<HWND, std::unique_ptr<CWnd>> windows;  // live for the session
    if (!hwnd) return nullptr;
    std::unique_ptr<CWnd>& w = windows[hwnd];
    if (!w) {
        w = std::make_unique<CWnd>();
        w->m_hWnd = hwnd;
    }
    return w.get();
}

namespace {

std::string label(const ACHAR* text) {
    std::string s = toUtf8(text);
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += s[i];
    }
    return out;
}

const ArxDialogControl* control(const ArxDialogTemplate* t, int id) {
    for (int i = 0; i < t->controlCount; ++i)
        if (t->controls[i].id == id) return &t->controls[i];
    return nullptr;
}

int itemCount(const ArxDialogControl* c) {
    int n = 0;
    if (c && c->items)
        while (c->items[n]) ++n;
    return n;
}

// The label of a drop-down: the group box around it, else its own text.
std::string dropDownLabel(const ArxDialogTemplate* t, const ArxDialogControl* c) {
    const ArxDialogControl* best = nullptr;
    for (int i = 0; i < t->controlCount; ++i) {
        const ArxDialogControl& g = t->controls[i];
        if (g.kind != kArxGroupBox) continue;
        if (c->x >= g.x && c->y >= g.y && c->x < g.x + g.w && c->y < g.y + g.h)
            if (!best || g.w * g.h < best->w * best->h) best = &g;
    }
    if (best) return label(best->text);
    return c->text ? label(c->text) : "List";
}

const ArxDialogTemplate* findTemplate(unsigned id) {
    HINSTANCE res = AfxGetResourceHandle();
    if (!res) return nullptr;
    FARPROC p = GetProcAddress(res, ARX_DIALOG_RESOURCES_NAME);
    if (!p) return nullptr;
    auto table = reinterpret_cast<const ArxDialogTemplate* const*>(p);
    for (; *table; ++table)
        if (static_cast<unsigned>((*table)->id) == id) return *table;
    return nullptr;
}

// --- drawing the form on a terminal ------------------------------------------------
struct Canvas {
    int cols, rows;
    std::vector<std::u16string> cells;
    Canvas(int c, int r) : cols(c), rows(r), cells(static_cast<std::size_t>(r), std::u16string(static_cast<std::size_t>(c), u' ')) {}
    void put(int x, int y, char16_t ch) {
        if (x >= 0 && y >= 0 && x < cols && y < rows) cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = ch;
    }
    void text(int x, int y, const std::string& utf8, int maxLen) {
        std::u16string w = utf8ToUtf16(utf8);
        for (int i = 0; i < static_cast<int>(w.size()) && i < maxLen; ++i) put(x + i, y, w[static_cast<std::size_t>(i)]);
    }
    void box(int x, int y, int w, int h) {
        if (w < 2 || h < 2) return;
        for (int i = 1; i < w - 1; ++i) {
            put(x + i, y, u'─');
            put(x + i, y + h - 1, u'─');
        }
        for (int j = 1; j < h - 1; ++j) {
            put(x, y + j, u'│');
            put(x + w - 1, y + j, u'│');
        }
        put(x, y, u'┌');
        put(x + w - 1, y, u'┐');
        put(x, y + h - 1, u'└');
        put(x + w - 1, y + h - 1, u'┘');
    }
};

// Dialog units to character cells: about four units across and eight down.
int cx(int units) { return (units + 2) / 4; }
int cy(int units) { return (units + 4) / 8; }

void drawForm(const CDialog& d) {
    const ArxDialogTemplate* t = d.template_;
    Canvas c(cx(t->w) + 2, cy(t->h) + 3);
    c.box(0, 0, c.cols, c.rows);
    c.text(2, 0, " " + toUtf8(t->caption) + " ", c.cols - 4);
    for (int i = 0; i < t->controlCount; ++i) {
        const ArxDialogControl& k = t->controls[i];
        int x = cx(k.x) + 1, y = cy(k.y) + 1, w = std::max(cx(k.w), 4);
        auto it = d.controls_.find(k.id);
        int value = it == d.controls_.end() ? 0 : it->second.value;
        switch (k.kind) {
        case kArxGroupBox:
            c.box(x, y, w, std::max(cy(k.h), 2));
            c.text(x + 2, y, " " + label(k.text) + " ", w - 4);
            break;
        case kArxDropDownList: {
            std::string shown = value >= 0 && value < itemCount(&k) ? toUtf8(k.items[value]) : "";
            c.text(x, y, "[" + shown, w - 2);
            c.text(x + w - 2, y, u8s(u8"▼]"), 2);
            break;
        }
        case kArxCheckBox:
            c.text(x, y, std::string(value ? "[x] " : "[ ] ") + label(k.text), w + 4);
            break;
        case kArxPushButton:
        case kArxDefPushButton:
            c.text(x, y, (k.kind == kArxDefPushButton ? "<[" : "< ") + label(k.text) + (k.kind == kArxDefPushButton ? "]>" : " >"), w + 2);
            break;
        case kArxStatic:
            c.text(x, y, label(k.text), w);
            break;
        }
    }
    std::string out;
    for (auto& row : c.cells) out += "\n" + utf16ToUtf8(row);
    print(out);
}

bool yesWord(const std::string& f) {
    return f == "1" || f == fold(u8s(u8"Да")) || f == fold(u8s(u8"Д")) || f == "y" || f == "yes";
}

bool noWord(const std::string& f) {
    return f == "0" || f == fold(u8s(u8"Нет")) || f == fold(u8s(u8"Н")) || f == "n" || f == "no";
}

}  // namespace

void DDX_CBIndex(CDataExchange* dx, int controlId, int& index) {
    if (!dx || !dx->m_pDlgWnd) return;
    CDialog::ControlState& s = dx->m_pDlgWnd->controls_[controlId];
    if (!s.exchanged) {
        s.exchanged = true;
        dx->m_pDlgWnd->exchangeOrder_.push_back(controlId);
    }
    if (dx->m_bSaveAndValidate) index = s.value;
    else s.value = index;
}

void DDX_Check(CDataExchange* dx, int controlId, int& value) {
    if (!dx || !dx->m_pDlgWnd) return;
    CDialog::ControlState& s = dx->m_pDlgWnd->controls_[controlId];
    if (!s.exchanged) {
        s.exchanged = true;
        dx->m_pDlgWnd->exchangeOrder_.push_back(controlId);
    }
    if (dx->m_bSaveAndValidate) value = s.value;
    else s.value = value < 0 ? 0 : value > 2 ? 2 : value;
}

CDialog::CDialog(unsigned templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}
CDialog::~CDialog() = default;

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate != 0);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::EndDialog(int result) {
    result_ = result;
}

INT_PTR CDialog::DoModal() {
    template_ = findTemplate(templateId_);
    if (!template_) {
        print("\nDialog " + std::to_string(templateId_) + " is not among the current resources.");
        return -1;
    }
    const ArxDialogTemplate* t = template_;
    controls_.clear();
    exchangeOrder_.clear();
    result_ = 0;
    OnInitDialog();
    if (ed().interactive || std::getenv("CADHOST_DRAW_DIALOGS")) drawForm(*this);
    print("\n" + toUtf8(t->caption) + ":");
    bool cancelled = false;
    for (int id : exchangeOrder_) {
        const ArxDialogControl* c = control(t, id);
        if (!c) continue;
        ControlState& s = controls_[id];
        for (;;) {
            std::string a;
            std::string prompt;
            if (c->kind == kArxDropDownList) {
                int n = itemCount(c);
                prompt = "\n" + dropDownLabel(t, c) + " [";
                for (int i = 0; i < n; ++i) prompt += (i ? "/" : "") + std::to_string(i) + " " + toUtf8(c->items[i]);
                prompt += "] <" + (s.value >= 0 && s.value < n ? toUtf8(c->items[s.value]) : std::string()) + ">: ";
            } else {
                prompt = "\n" + label(c->text) + u8s(u8" [Да/Нет] <") + u8s(s.value ? u8"Да" : u8"Нет") + ">: ";
            }
            if (readAnswer(prompt, a) != RTNORM) {
                cancelled = true;
                break;
            }
            a = trim(a);
            if (a.empty()) break;
            std::string f = fold(a);
            if (c->kind == kArxDropDownList) {
                int n = itemCount(c);
                char* end = nullptr;
                long v = std::strtol(a.c_str(), &end, 10);
                int chosen = -1;
                if (end && *end == 0 && v >= 0 && v < n) chosen = static_cast<int>(v);
                for (int i = 0; i < n && chosen < 0; ++i)
                    if (fold(toUtf8(c->items[i])) == f) chosen = i;
                if (chosen < 0) {
                    print("\nChoose an item by its number or its text.");
                    continue;
                }
                s.value = chosen;
                break;
            }
            if (yesWord(f)) s.value = 1;
            else if (noWord(f)) s.value = 0;
            else {
                print(u8s(u8"\nAnswer Да or Нет (1 or 0)."));
                continue;
            }
            break;
        }
        if (cancelled) break;
    }
    if (!cancelled) {
        const ArxDialogControl* ok = control(t, IDOK);
        const ArxDialogControl* cancel = control(t, IDCANCEL);
        std::string okText = ok ? label(ok->text) : "OK", cancelText = cancel ? label(cancel->text) : "Cancel";
        for (;;) {
            std::string a;
            if (readAnswer("\n[" + okText + "/" + cancelText + "] <" + okText + ">: ", a) != RTNORM) {
                cancelled = true;
                break;
            }
            std::string f = fold(trim(a));
            if (f.empty() || f == fold(okText) || f == "ok" || f == "1") break;
            if (f == fold(cancelText) || f == "cancel" || f == "2") {
                cancelled = true;
                break;
            }
            print("\nAnswer " + okText + " or " + cancelText + ".");
        }
    }
    if (cancelled) OnCancel();
    else OnOK();
    int r = result_ ? result_ : IDCANCEL;
    template_ = nullptr;
    return r;
}

// --- the file-open dialog ------------------------------------------------------------
CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defExt, LPCTSTR fileName, DWORD flags, LPCTSTR filter,
                         CWnd*, DWORD, BOOL)
    : open_(openFileDialog != 0) {
    ownBuffer_.assign(260, 0);
    if (fileName) {
        std::basic_string<ACHAR> f(fileName);
        for (std::size_t i = 0; i < f.size() && i < 259; ++i) ownBuffer_[i] = f[i];
    }
    m_ofn.lStructSize = sizeof(OPENFILENAME);
    m_ofn.lpstrFile = ownBuffer_.data();
    m_ofn.nMaxFile = 260;
    m_ofn.Flags = flags;
    m_ofn.lpstrDefExt = defExt;
    m_ofn.lpstrFilter = filter;
}

CFileDialog::~CFileDialog() = default;

namespace {

bool exists(const std::string& p) {
    struct stat st{};
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A file nobody may write: no write permission for anyone, or none for us.
bool readOnly(const std::string& p) {
    struct stat st{};
    return stat(p.c_str(), &st) == 0 && ((st.st_mode & 0222) == 0 || access(p.c_str(), W_OK) != 0);
}

// A DWG drawing: "AC10" and a version number at its start. This host reads DXF only.
bool isDwgFile(const std::string& p) {
    char head[6] = {};
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return false;
    std::size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return got == sizeof head && std::memcmp(head, "AC10", 4) == 0 && head[4] >= '0' && head[4] <= '9' &&
           head[5] >= '0' && head[5] <= '9';
}

// Whether an existing file may be handed out by an open dialog; says why not.
bool acceptable(const std::string& path, DWORD flags) {
    if (isDwgFile(path)) {
        print("\n" + path + " is a DWG file; this host reads drawings in DXF format only.");
        return false;
    }
    if ((flags & OFN_NOREADONLYRETURN) && readOnly(path)) {
        print("\n" + path + " is read-only; choose files that can be written.");
        return false;
    }
    return true;
}

// The default extension a module gives, in this host's terms: its drawings
// are DXF, so "dwg" completes names with "dxf".
std::string hostExtension(const ACHAR* defExt) {
    std::string ext = toUtf8(defExt), noName;
    offerHostDrawingFormat(noName, ext);
    return ext;
}

bool isPattern(const std::string& p) {
    return p.find_first_of("*?[") != std::string::npos;
}

// The files a pattern names: '*', '?' and '[...]' within one name, "**" for any
// number of folders (none included). Regular files only, hidden names only
// when the pattern spells the dot; sorted by path, so that the order is the
// same on every run.
std::vector<std::string> expandPattern(const std::string& pattern) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t slash = pattern.find('/', start);
        if (slash == std::string::npos) slash = pattern.size();
        if (slash > start) parts.push_back(pattern.substr(start, slash - start));
        start = slash + 1;
    }
    std::vector<std::string> found;
    std::string root = pattern.empty() || pattern[0] != '/' ? "" : "/";
    // Depth-first over the parts; `dir` is "" for the current folder.
    std::function<void(const std::string&, std::size_t)> walk = [&](const std::string& dir, std::size_t i) {
        if (i == parts.size()) return;
        const std::string& part = parts[i];
        const bool last = i + 1 == parts.size();
        std::string open = dir.empty() ? "." : dir;
        auto join = [&](const std::string& name) { return dir.empty() ? name : dir == "/" ? "/" + name : dir + "/" + name; };
        if (part == "**") {
            walk(dir, i + 1);  // no folder at all
            DIR* d = opendir(open.c_str());
            if (!d) return;
            std::vector<std::string> subs;
            while (dirent* e = readdir(d)) {
                std::string name = e->d_name;
                if (name[0] == '.') continue;
                struct stat st{};
                if (lstat(join(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) subs.push_back(name);
            }
            closedir(d);
            for (const std::string& sub : subs) walk(join(sub), i);  // folders, not links to them: no loops
            return;
        }
        if (!isPattern(part)) {
            std::string next = join(part);
            if (last) {
                if (exists(next)) found.push_back(next);
            } else {
                walk(next, i + 1);
            }
            return;
        }
        DIR* d = opendir(open.c_str());
        if (!d) return;
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == ".." || fnmatch(part.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
            std::string next = join(name);
            if (last) {
                if (exists(next)) found.push_back(next);
            } else {
                walk(next, i + 1);
            }
        }
        closedir(d);
    };
    walk(root, 0);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::string absolute(const std::string& p) {
    char* real = realpath(p.c_str(), nullptr);
    if (!real) return p;
    std::string r = real;
    free(real);
    return r;
}

}  // namespace

INT_PTR CFileDialog::DoModal() {
    chosen_.clear();
    bool multi = m_ofn.Flags & OFN_ALLOWMULTISELECT;
    bool mustExist = open_ || (m_ofn.Flags & OFN_FILEMUSTEXIST);
    std::string ext = hostExtension(m_ofn.lpstrDefExt);
    std::vector<std::string> paths;
    // A file is handed out once, however often it is named: a batch must not
    // work on it twice.
    auto add = [&](const std::string& path) {
        if (std::find(paths.begin(), paths.end(), path) != paths.end()) {
            print("\n" + path + " is chosen already.");
            return false;
        }
        paths.push_back(path);
        return true;
    };
    std::string prompt = multi ? "\nFile to open (one per line, Enter ends): " : open_ ? "\nFile to open: " : "\nFile to save: ";
    for (;;) {
        std::string a;
        if (readAnswer(prompt, a) != RTNORM) return IDCANCEL;
        a = trim(a);
        if (a.size() >= 2 && a.front() == '"' && a.back() == '"') a = a.substr(1, a.size() - 2);
        if (a.empty()) {
            if (!paths.empty() || !multi) break;
            return IDCANCEL;  // Enter before any file: nothing chosen
        }
        // Several files at once: a pattern stands for the files it matches.
        if (multi && open_ && isPattern(a) && !exists(a)) {
            std::vector<std::string> matches = expandPattern(a);
            std::size_t taken = 0;
            for (const std::string& m : matches)
                if (acceptable(m, m_ofn.Flags) && add(absolute(m))) ++taken;
            if (matches.empty()) print("\nNo file matches " + a);
            else print("\n" + std::to_string(taken) + (taken == 1 ? " file" : " files") + " of " + a);
            continue;
        }
        std::string base = a.substr(a.find_last_of('/') == std::string::npos ? 0 : a.find_last_of('/') + 1);
        if (!ext.empty() && base.find('.') == std::string::npos && !exists(a)) a += "." + ext;
        if (mustExist && !exists(a)) {
            print("\nFile not found: " + a);
            continue;
        }
        if (open_ && exists(a) && !acceptable(a, m_ofn.Flags)) continue;
        if (!open_ && exists(a) && (m_ofn.Flags & OFN_OVERWRITEPROMPT)) {
            std::string yn;
            if (readAnswer("\n" + a + " already exists. Replace it? [Yes/No] <No>: ", yn) != RTNORM) return IDCANCEL;
            std::string f = fold(trim(yn));
            if (!(f == "y" || f == "yes" || f == fold(u8s(u8"Да")))) continue;
        }
        if (!add(mustExist ? absolute(a) : a)) continue;
        if (!multi) break;
    }
    if (paths.empty()) return IDCANCEL;
    // Fill the caller's buffer the way the platform does: one path, or the
    // common folder followed by the names, each ended by NUL, then NUL.
    std::vector<std::basic_string<ACHAR>> host;
    for (const std::string& p : paths) host.push_back(fromUtf8(p));
    std::basic_string<ACHAR> block;
    if (host.size() == 1) {
        block = host[0];
        block += ACHAR(0);
    } else {
        std::string dir = paths[0].substr(0, paths[0].find_last_of('/'));
        for (const std::string& p : paths)
            while (!dir.empty() && p.compare(0, dir.size() + 1, dir + "/") != 0)
                dir = dir.substr(0, dir.find_last_of('/') == std::string::npos ? 0 : dir.find_last_of('/'));
        block = fromUtf8(dir.empty() ? "/" : dir);
        block += ACHAR(0);
        for (const std::string& p : paths) {
            block += fromUtf8(p.substr(dir.size() + 1));
            block += ACHAR(0);
        }
    }
    block += ACHAR(0);
    if (!m_ofn.lpstrFile || block.size() > m_ofn.nMaxFile) {
        print("\nThe chosen names do not fit the dialog's buffer.");
        return IDCANCEL;
    }
    std::memcpy(m_ofn.lpstrFile, block.data(), block.size() * sizeof(ACHAR));
    chosen_ = host;
    return IDOK;
}

POSITION CFileDialog::GetStartPosition() const {
    return chosen_.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
}

CString CFileDialog::GetNextPathName(POSITION& pos) const {
    uintptr_t i = reinterpret_cast<uintptr_t>(pos);
    if (i == 0 || i > chosen_.size()) {
        pos = nullptr;
        return CString();
    }
    CString r(chosen_[i - 1].c_str());
    pos = i < chosen_.size() ? reinterpret_cast<POSITION>(i + 1) : nullptr;
    return r;
}

CString CFileDialog::GetPathName() const {
    return chosen_.empty() ? CString() : CString(chosen_[0].c_str());
}
