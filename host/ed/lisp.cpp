// LISP functions of the modules, per document, and the command line's
// evaluation of calls with literal arguments.
#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "host/ed/editor.h"
#include "host/ed/format.h"

namespace arxed {

namespace {

bool validLispName(const std::string& n) {
    if (n.empty()) return false;
    for (char c : n)
        if (c == ' ' || c == '(' || c == ')' || c == '"' || c == '\'' || c == ';' || c == '\t' || c == '\n')
            return false;
    return true;
}

// --- reading -------------------------------------------------------------------
struct Node {
    enum Kind { List, Int, Real, Str, Symbol } kind = Symbol;
    std::vector<Node> items;
    int64_t i = 0;
    double r = 0;
    std::string text;
};

struct Reader {
    std::string_view s;
    std::size_t pos = 0;
    std::string error;

    void skip() {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n')) ++pos;
    }
    bool read(Node& out, int depth) {
        skip();
        if (pos >= s.size()) return fail("malformed list on input");
        if (depth > 64) return fail("expressions nested too deeply");
        char c = s[pos];
        if (c == '(') {
            ++pos;
            out.kind = Node::List;
            for (;;) {
                skip();
                if (pos >= s.size()) return fail("malformed list on input");
                if (s[pos] == ')') {
                    ++pos;
                    return true;
                }
                Node n;
                if (!read(n, depth + 1)) return false;
                out.items.push_back(std::move(n));
            }
        }
        if (c == ')') return fail("extra right paren on input");
        if (c == '"') {
            ++pos;
            out.kind = Node::Str;
            while (pos < s.size() && s[pos] != '"') {
                if (s[pos] == '\\' && pos + 1 < s.size()) {
                    char e = s[++pos];
                    out.text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'e' ? '\x1b' : e == 'r' ? '\r' : e;
                    ++pos;
                } else {
                    out.text += s[pos++];
                }
            }
            if (pos >= s.size()) return fail("malformed string on input");
            ++pos;
            return true;
        }
        std::size_t start = pos;
        while (pos < s.size() && s[pos] != ' ' && s[pos] != '\t' && s[pos] != '(' && s[pos] != ')' && s[pos] != '"')
            ++pos;
        std::string atom(s.substr(start, pos - start));
        const char* b = atom.data();
        const char* e = b + atom.size();
        int64_t iv = 0;
        auto ri = std::from_chars(b, e, iv);
        if (ri.ec == std::errc() && ri.ptr == e) {
            out.kind = Node::Int;
            out.i = iv;
            return true;
        }
        double dv = 0;
        auto rd = std::from_chars(b, e, dv);
        if (rd.ec == std::errc() && rd.ptr == e) {
            out.kind = Node::Real;
            out.r = dv;
            return true;
        }
        out.kind = Node::Symbol;
        out.text = atom;
        return true;
    }
    bool fail(const char* why) {
        error = why;
        return false;
    }
};

resbuf* newValue(int type) {
    resbuf* rb = acutNewRb(type);
    return rb;
}

void freeChain(resbuf*& rb) {
    if (rb) acutRelRb(rb);
    rb = nullptr;
}

// --- evaluation ----------------------------------------------------------------
struct Evaluator {
    std::string error;

    // The value of a node as one result buffer (a chain for a list result);
    // null with `error` set on failure. A call without a value gives RTVOID.
    resbuf* eval(const Node& n) {
        switch (n.kind) {
        case Node::Int: {
            resbuf* rb;
            if (n.i >= -32768 && n.i <= 32767) {
                rb = newValue(RTSHORT);
                rb->resval.rint = static_cast<short>(n.i);
            } else if (n.i >= INT32_MIN && n.i <= INT32_MAX) {
                rb = newValue(RTLONG);
                rb->resval.rlong = static_cast<int32_t>(n.i);
            } else {
                rb = newValue(RTREAL);
                rb->resval.rreal = static_cast<double>(n.i);
            }
            return rb;
        }
        case Node::Real: {
            resbuf* rb = newValue(RTREAL);
            rb->resval.rreal = n.r;
            return rb;
        }
        case Node::Str: {
            resbuf* rb = newValue(RTSTR);
            HostString h = fromUtf8(n.text);
            rb->resval.rstring = acutNewString(h.c_str());
            return rb;
        }
        case Node::Symbol: {
            std::string f = fold(n.text);
            if (f == "nil") return newValue(RTNIL);
            if (f == "t") return newValue(RTT);
            error = "bad argument type: " + n.text + " is not a value";
            return nullptr;
        }
        case Node::List:
            return call(n);
        }
        return nullptr;
    }

    resbuf* call(const Node& n) {
        if (n.items.empty()) return newValue(RTNIL);
        if (n.items[0].kind != Node::Symbol) {
            error = "bad function: the first element of a call must be a name";
            return nullptr;
        }
        std::string name = n.items[0].text;
        std::string f = fold(name);
        // Arguments, evaluated first.
        resbuf* head = nullptr;
        resbuf** tail = &head;
        for (std::size_t i = 1; i < n.items.size(); ++i) {
            resbuf* v = eval(n.items[i]);
            if (!v) {
                freeChain(head);
                return nullptr;
            }
            if (v->restype == RTVOID) {
                acutRelRb(v);
                v = newValue(RTNIL);
            }
            *tail = v;
            while (*tail) tail = &(*tail)->rbnext;
        }
        resbuf* result = nullptr;
        if (f == "handent" || f == "entlast") {
            result = builtinEntity(f, head);
        } else {
            result = callModuleFunction(name, head);
        }
        freeChain(head);
        return result;
    }

    resbuf* builtinEntity(const std::string& f, resbuf* args) {
        ads_name en{0, 0};
        int rc;
        if (f == "entlast") {
            if (args) {
                error = "too many arguments";
                return nullptr;
            }
            rc = acdbEntLast(en);
        } else {
            if (!args || args->restype != RTSTR || args->rbnext) {
                error = "bad argument type: handent takes one string";
                return nullptr;
            }
            rc = acdbHandEnt(args->resval.rstring, en);
        }
        if (rc != RTNORM) return newValue(RTNIL);
        resbuf* rb = newValue(RTENAME);
        rb->resval.rlname[0] = en[0];
        rb->resval.rlname[1] = en[1];
        return rb;
    }

    resbuf* callModuleFunction(const std::string& name, resbuf* args) {
        Document* doc = ed().current;
        LispFunction* fn = nullptr;
        if (doc)
            for (LispFunction& l : doc->lisp)
                if (sameName(l.name, name)) fn = &l;
        if (!fn) {
            error = "no function definition: " + name;
            return nullptr;
        }
        LispFunction copy = *fn;  // the function may undefine itself
        short savedCode = ed().funCode;
        resbuf* savedArgs = ed().funArgs;
        resbuf* savedResult = ed().funResult;
        bool savedReturned = ed().funReturned;
        ed().funCode = copy.code;
        ed().funArgs = args;
        ed().funResult = nullptr;
        ed().funReturned = false;
        int status = RSRSLT;
        if (copy.direct) {
            asModule(copy.owner, [&] { status = copy.direct(); });
        } else if (copy.owner) {
            int answer = sendMessage(*copy.owner, AcRx::kInvkSubrMsg);
            status = answer == AcRx::kRetOK ? RSRSLT : RSERR;
        }
        resbuf* result = ed().funResult;
        bool returned = ed().funReturned;
        ed().funCode = savedCode;
        ed().funArgs = savedArgs;
        ed().funResult = savedResult;
        ed().funReturned = savedReturned;
        if (status == RSERR) {
            freeChain(result);
            error = "function " + name + " failed";
            return nullptr;
        }
        if (!returned) return newValue(RTNIL);
        return result ? result : newValue(RTVOID);
    }
};

void setResult(resbuf* rb) {
    if (ed().funResult) acutRelRb(ed().funResult);
    ed().funResult = rb;
    ed().funReturned = true;
}

}  // namespace

// The editor's printed form of a value ("" for no value).
std::string valueText(const resbuf* rb) {
    if (!rb) return "nil";
    switch (rb->restype) {
    case RTVOID: return "";
    case RTNIL: return "nil";
    case RTT: return "T";
    case RTSHORT: return std::to_string(rb->resval.rint);
    case RTLONG: return std::to_string(rb->resval.rlong);
    case RTREAL: {
        ACHAR buf[64];
        acutSPrintf(buf, 64, ACRX_T("%g"), rb->resval.rreal);
        std::string s = toUtf8(buf);
        if (s.find_first_of(".e") == std::string::npos) s += ".0";
        return s;
    }
    case RTSTR: return "\"" + toUtf8(rb->resval.rstring) + "\"";
    case RTENAME: {
        ACHAR buf[64];
        acutSPrintf(buf, 64, ACRX_T("<Entity name: %I64x>"), rb->resval.rlname[0]);
        return toUtf8(buf);
    }
    case RTPOINT:
    case RT3DPOINT: {
        ACHAR buf[128];
        acutSPrintf(buf, 128, ACRX_T("(%g %g %g)"), rb->resval.rpoint[0], rb->resval.rpoint[1],
                    rb->resval.rpoint[2]);
        return toUtf8(buf);
    }
    default: return "<value of type " + std::to_string(rb->restype) + ">";
    }
}

bool evaluateLisp(const std::string& line, std::string* resultText) {
    Reader r;
    r.s = line;
    Node n;
    if (!r.read(n, 0)) {
        print("\n; error: " + r.error);
        return false;
    }
    r.skip();
    if (r.pos < line.size()) {
        print("\n; error: extra input after the expression");
        return false;
    }
    Evaluator ev;
    resbuf* v = ev.eval(n);
    if (!v) {
        print("\n; error: " + ev.error);
        return false;
    }
    std::string text = valueText(v);
    acutRelRb(v);
    if (resultText) *resultText = text;
    else if (!text.empty()) print("\n" + text);
    return true;
}

void removeLispOf(Module* m) {
    for (auto& d : ed().documents) {
        auto& l = d->lisp;
        l.erase(std::remove_if(l.begin(), l.end(), [&](const LispFunction& f) { return f.owner == m; }), l.end());
    }
}

}  // namespace arxed

using namespace arxed;

int acedDefun(const ACHAR* name, short fcode) {
    std::string n = toUtf8(name);
    Document* doc = ed().current;
    if (!doc || !validLispName(n) || fcode < 0) return RTERROR;
    for (LispFunction& f : doc->lisp)
        if (sameName(f.name, n)) {
            f = LispFunction{n, fcode, ed().running, nullptr};
            return RTNORM;
        }
    doc->lisp.push_back(LispFunction{n, fcode, ed().running, nullptr});
    return RTNORM;
}

int acedRegFunc(int (*fhdl)(), int fcode) {
    Document* doc = ed().current;
    if (!doc) return RTERROR;
    Module* owner = ed().running ? ed().running : moduleOfAddress(reinterpret_cast<const void*>(fhdl));
    int found = RTERROR;
    for (LispFunction& f : doc->lisp)
        if (f.code == fcode && f.owner == owner) {
            f.direct = fhdl;
            found = RTNORM;
        }
    return found;
}

int acedUndef(const ACHAR* name, short fcode) {
    std::string n = toUtf8(name);
    Document* doc = ed().current;
    if (!doc) return RTERROR;
    auto& l = doc->lisp;
    auto it = std::find_if(l.begin(), l.end(),
                           [&](const LispFunction& f) { return sameName(f.name, n) && f.code == fcode; });
    if (it == l.end()) return RTERROR;
    l.erase(it);
    return RTNORM;
}

int acedGetFunCode() {
    return ed().funCode;
}

resbuf* acedGetArgs() {
    return ed().funArgs;
}

int acedRetInt(int value) {
    resbuf* rb;
    if (value >= -32768 && value <= 32767) {
        rb = acutNewRb(RTSHORT);
        rb->resval.rint = static_cast<short>(value);
    } else {
        rb = acutNewRb(RTLONG);
        rb->resval.rlong = value;
    }
    setResult(rb);
    return RTNORM;
}

int acedRetReal(ads_real value) {
    resbuf* rb = acutNewRb(RTREAL);
    rb->resval.rreal = value;
    setResult(rb);
    return RTNORM;
}

int acedRetStr(const ACHAR* value) {
    resbuf* rb = acutNewRb(RTSTR);
    rb->resval.rstring = acutNewString(value ? value : ACRX_T(""));
    setResult(rb);
    return RTNORM;
}

int acedRetVoid() {
    setResult(acutNewRb(RTVOID));
    return RTNORM;
}

int acedRetNil() {
    setResult(acutNewRb(RTNIL));
    return RTNORM;
}

int acedRetT() {
    setResult(acutNewRb(RTT));
    return RTNORM;
}

int acedRetName(const ads_name name, int type) {
    if (!name || (type != RTENAME && type != 5007)) return RTERROR;
    resbuf* rb = acutNewRb(RTENAME);
    rb->resval.rlname[0] = name[0];
    rb->resval.rlname[1] = name[1];
    setResult(rb);
    return RTNORM;
}
