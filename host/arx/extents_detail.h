// Pieces of the extents computation that need nothing of the database: numbers read from tag
// values, a box that collects geometry under an affine transform, exact boxes of conic arcs and
// bulged segments, and the estimate of how much room a text takes. Header-only, so that the
// tests check them directly.
#pragma once

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "host/dbextents.h"
#include "host/gegeom3d.h"
#include "host/proxy/conic.h"

namespace arxhost::extents {

// Advance of one character, as a multiple of the text height (times the width factor). The same
// value the proxy-graphics decoder uses for the texts of stored pictures (its `textAdvance`
// default), so a text measures alike whether it comes as an entity or inside a picture.
constexpr double kCharAdvance = 1.0;
// The advance the editor's picks and windows measure with: about that of real letters, so that a
// pick hits the letters and a window fits the text rather than the room around it.
constexpr double kPickCharAdvance = 0.6;
// Distance between the baselines of two lines of a multiline text, as a multiple of the
// character height, at a line-spacing factor of 1 (the "3 on 5" rule: 5/3).
constexpr double kLineSpacing = 5.0 / 3.0;

// A number of type T from a tag value, blanks around it and a leading '+' allowed; `bad` for
// text that is no such number.
template <class T>
T parseNumber(std::string_view s, T bad) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    T v{};
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return bad;
    return v;
}

// A real from a tag value; NaN for text that is no number.
inline double parseReal(std::string_view s) { return parseNumber(s, std::nan("")); }

// An integer from a tag value; `bad` when the text is no integer.
inline long long parseInt(std::string_view s, long long bad = 0) { return parseNumber(s, bad); }

inline bool finitePoint(const AcGePoint3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}
inline bool finiteVector(const AcGeVector3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The distance in the world XY plane from one point to the shapes shown to it: lines, filled
// faces, arcs and boxes, all in world coordinates. What a pick measures.
class Probe {
  public:
    explicit Probe(const AcGePoint3d& at) : at_(at) {}

    // The smallest distance so far; negative while nothing was shown.
    double distance() const { return best_; }

    void point(const AcGePoint3d& w) { take(std::hypot(w.x - at_.x, w.y - at_.y)); }
    void segment(const AcGePoint3d& a, const AcGePoint3d& b) {
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((at_.x - a.x) * dx + (at_.y - a.y) * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        take(std::hypot(a.x + t * dx - at_.x, a.y + t * dy - at_.y));
    }
    // A filled convex quadrilateral (corners in order round it): inside is distance 0.
    void face(const AcGePoint3d (&q)[4]) {
        int sign = 0;
        bool inside = true;
        for (int i = 0; i < 4; ++i) {
            const AcGePoint3d& a = q[i];
            const AcGePoint3d& b = q[(i + 1) % 4];
            segment(a, b);
            const double cross = (b.x - a.x) * (at_.y - a.y) - (b.y - a.y) * (at_.x - a.x);
            const int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
            if (s != 0 && sign != 0 && s != sign) inside = false;
            if (s != 0) sign = s;
        }
        if (inside && sign != 0) take(0.0);
    }
    // The arc c + u cos t + v sin t, t in [t0, t1], as a chain of short chords.
    void conic(const AcGePoint3d& c, const AcGeVector3d& u, const AcGeVector3d& v, double t0, double t1) {
        constexpr int kSteps = 96;
        AcGePoint3d prev = c + u * std::cos(t0) + v * std::sin(t0);
        for (int i = 1; i <= kSteps; ++i) {
            const double t = t0 + (t1 - t0) * i / kSteps;
            const AcGePoint3d q = c + u * std::cos(t) + v * std::sin(t);
            segment(prev, q);
            prev = q;
        }
    }
    // A box whose content is not known in detail: its XY rectangle, filled.
    void box(const AcDbExtents& e) {
        const AcGePoint3d lo = e.minPoint(), hi = e.maxPoint();
        const AcGePoint3d q[4] = {{lo.x, lo.y, 0}, {hi.x, lo.y, 0}, {hi.x, hi.y, 0}, {lo.x, hi.y, 0}};
        face(q);
    }

  private:
    void take(double d) {
        if (std::isfinite(d) && (best_ < 0 || d < best_)) best_ = d;
    }
    AcGePoint3d at_;
    double best_ = -1.0;
};

// A box in world coordinates that collects geometry given in some local coordinate system:
// every point, curve and box added is first taken through `m` (an affine matrix). A value that
// is not a finite number marks the box as bad instead of widening it. With a probe, the shapes
// added (points, segments, faces, arcs) are also shown to it in world coordinates, so that one
// reading of an entity gives both its box and its distance from a point.
class Collector {
  public:
    Collector() = default;
    explicit Collector(const AcGeMatrix3d& m, Probe* probe = nullptr)
        : m_(m), identity_(m == AcGeMatrix3d::kIdentity), probe_(probe) {}
    // A collector for geometry in a coordinate system inside the outer one's (`local` takes it
    // to the outer one's local coordinates); it shows its shapes to the outer one's probe.
    Collector(const Collector& outer, const AcGeMatrix3d& local) : Collector(outer.m_ * local, outer.probe_) {}

    const AcGeMatrix3d& matrix() const { return m_; }
    const AcDbExtents& box() const { return box_; }
    Probe* probe() const { return probe_; }
    bool bad() const { return bad_; }
    bool empty() const { return !box_.isValid(); }
    void markBad() { bad_ = true; }

    void point(const AcGePoint3d& p) {
        AcGePoint3d w = identity_ ? p : m_ * p;
        if (!finitePoint(w)) {
            bad_ = true;
            return;
        }
        box_.addPoint(w);
        if (probe_) probe_->point(w);
    }
    // A straight segment: its ends for the box.
    void segment(const AcGePoint3d& a, const AcGePoint3d& b) {
        AcGePoint3d wa = identity_ ? a : m_ * a, wb = identity_ ? b : m_ * b;
        if (!finitePoint(wa) || !finitePoint(wb)) {
            bad_ = true;
            return;
        }
        box_.addPoint(wa);
        box_.addPoint(wb);
        if (probe_) probe_->segment(wa, wb);
    }
    // A filled convex quadrilateral, corners in order round it (the box of a text).
    void face(const AcGePoint3d (&q)[4]) {
        AcGePoint3d w[4];
        for (int i = 0; i < 4; ++i) {
            w[i] = identity_ ? q[i] : m_ * q[i];
            if (!finitePoint(w[i])) {
                bad_ = true;
                return;
            }
        }
        for (const AcGePoint3d& p : w) box_.addPoint(p);
        if (probe_) probe_->face(w);
    }
    // A box in the local coordinates that stands for a shape not known in detail (a stored
    // picture): added like localBox, and shown to the probe as a filled rectangle.
    void shapeBox(const AcDbExtents& e) {
        localBox(e);
        if (!probe_ || !e.isValid()) return;
        AcDbExtents w = e;
        if (!identity_) w.transformBy(m_);
        if (finitePoint(w.minPoint()) && finitePoint(w.maxPoint())) probe_->box(w);
    }
    // A box already in world coordinates.
    void worldBox(const AcDbExtents& e) {
        if (!e.isValid()) return;
        if (!finitePoint(e.minPoint()) || !finitePoint(e.maxPoint())) {
            bad_ = true;
            return;
        }
        box_.addExt(e);
    }
    // A box in the local coordinates: its eight corners go through the matrix.
    void localBox(const AcDbExtents& e) {
        if (!e.isValid()) return;
        AcDbExtents w = e;
        if (!identity_) w.transformBy(m_);
        worldBox(w);
    }
    // The points c + u cos t + v sin t for t in [t0, t1] (t0 <= t1, at most one turn is
    // needed): an arc of a circle or ellipse, u and v in local coordinates. Exact: the ends and,
    // per world axis, the parameters where that coordinate is extreme.
    void conic(const AcGePoint3d& c, const AcGeVector3d& u, const AcGeVector3d& v, double t0,
               double t1) {
        AcGePoint3d wc = identity_ ? c : m_ * c;
        AcGeVector3d wu = identity_ ? u : m_ * u;
        AcGeVector3d wv = identity_ ? v : m_ * v;
        if (!finitePoint(wc) || !finiteVector(wu) || !finiteVector(wv) || !std::isfinite(t0) ||
            !std::isfinite(t1) || t1 < t0) {
            bad_ = true;
            return;
        }
        if (probe_) probe_->conic(wc, wu, wv, t0, std::min(t1, t0 + 2 * std::numbers::pi));
        proxygfx::conicBounds(wc, wu, wv, t0, t1, [this](const AcGePoint3d& w) { addWorld(w); });
    }
    // The arc from a to b that turns by 4 atan(bulge) about the local z axis (counterclockwise
    // for a positive bulge), both points in a plane z = const of the local system. With a width,
    // the band of that width around the arc (half on each side).
    void bulge(const AcGePoint3d& a, const AcGePoint3d& b, double bulgeValue, double width = 0.0) {
        AcGeVector3d chord = b - a;
        chord.z = 0;
        double d = chord.length();
        if (!std::isfinite(bulgeValue) || !std::isfinite(d)) {
            bad_ = true;
            return;
        }
        if (bulgeValue == 0.0 || !(d > 0)) return;
        proxygfx::BulgeArc arc;
        if (!proxygfx::bulgeArc(a, AcGePoint3d(b.x, b.y, a.z), bulgeValue, AcGeVector3d(0, 0, 1), arc)) return;
        const AcGePoint3d& c = arc.c;
        const AcGeVector3d& u = arc.u;
        const AcGeVector3d& v = arc.v;
        const double t0 = arc.t0, t1 = arc.t1;
        if (width == 0.0) {
            conic(c, u, v, t0, t1);
            return;
        }
        double r = u.length();
        if (!(r > 0)) return;
        // Outer and inner edge of the band; a negative inner radius is the edge reflected
        // through the centre, which is where a band wider than its radius reaches. A probe sees
        // the arc itself.
        Probe* probe = probe_;
        probe_ = nullptr;
        for (double k : {(r + width / 2) / r, (r - width / 2) / r}) conic(c, u * k, v * k, t0, t1);
        probe_ = probe;
        if (probe_) {
            const AcGePoint3d wc = identity_ ? c : m_ * c;
            probe_->conic(wc, identity_ ? u : m_ * u, identity_ ? v : m_ * v, t0, t1);
        }
    }

  private:
    void addWorld(const AcGePoint3d& w) {
        if (!finitePoint(w)) {
            bad_ = true;
            return;
        }
        box_.addPoint(w);
    }

    AcGeMatrix3d m_;
    bool identity_ = true;
    Probe* probe_ = nullptr;
    AcDbExtents box_;
    bool bad_ = false;
};

// --- Text estimates ----------------------------------------------------------------------------

// Characters a single-line text shows: code points, with the control codes of the format
// counted as what they show: %%c, %%d, %%p and %%nnn are one character each, %%% one percent
// sign, %%u, %%o and %%k (underline, overline, strike-through) none; \U+XXXX and \M+NXXXX one
// character.
inline std::size_t textCharacters(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char ch = static_cast<unsigned char>(s[i]);
        if (ch == '%' && i + 2 < s.size() && s[i + 1] == '%') {
            char k = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 2])));
            if (k == 'u' || k == 'o' || k == 'k') {
                i += 3;
                continue;
            }
            if (k >= '0' && k <= '9') {
                std::size_t j = i + 2;
                while (j < s.size() && j < i + 5 && s[j] >= '0' && s[j] <= '9') ++j;
                ++n;
                i = j;
                continue;
            }
            ++n;
            i += 3;
            continue;
        }
        if (ch == '\\' && i + 2 < s.size() && (s[i + 1] == 'U' || s[i + 1] == 'u') && s[i + 2] == '+' &&
            i + 7 <= s.size()) {
            ++n;
            i += 7;
            continue;
        }
        if (ch == '\\' && i + 2 < s.size() && (s[i + 1] == 'M' || s[i + 1] == 'm') && s[i + 2] == '+' &&
            i + 8 <= s.size()) {
            ++n;
            i += 8;
            continue;
        }
        if ((ch & 0xC0) != 0x80) ++n;
        ++i;
    }
    return n;
}

// The characters per paragraph of a multiline text's contents, formatting codes left out:
// \P (and a line feed) ends a paragraph, \N a column; codes with an argument up to ';' (\A, \C,
// \c, \f, \F, \H, \Q, \T, \W, \p) and the switches \L \l \O \o \K \k show nothing; braces group
// and show nothing; \~ is a space; \\, \{ and \} show the character; a stack \Sa^b; shows as
// wide as its wider part; %%-codes and \U+ escapes as in single-line texts.
inline std::vector<std::size_t> mtextParagraphs(std::string_view s) {
    std::vector<std::size_t> out(1, 0);
    std::string run;  // plain text of the current paragraph piece, counted with textCharacters
    auto flush = [&] {
        out.back() += textCharacters(run);
        run.clear();
    };
    for (std::size_t i = 0; i < s.size();) {
        char ch = s[i];
        if (ch == '\n') {
            flush();
            out.push_back(0);
            ++i;
            continue;
        }
        if (ch == '{' || ch == '}') {
            ++i;
            continue;
        }
        if (ch != '\\' || i + 1 >= s.size()) {
            run += ch;
            ++i;
            continue;
        }
        char k = s[i + 1];
        switch (k) {
            case 'P':
            case 'N':
            case 'X':
                flush();
                out.push_back(0);
                i += 2;
                break;
            case '~':
                run += ' ';
                i += 2;
                break;
            case '\\':
            case '{':
            case '}':
                run += k;
                i += 2;
                break;
            case 'L': case 'l': case 'O': case 'o': case 'K': case 'k':
                i += 2;
                break;
            case 'A': case 'C': case 'c': case 'f': case 'F': case 'H': case 'Q': case 'T':
            case 'W': case 'p': {
                std::size_t end = s.find(';', i + 2);
                i = end == std::string_view::npos ? s.size() : end + 1;
                break;
            }
            case 'S': {
                std::size_t end = s.find(';', i + 2);
                std::string_view body = s.substr(i + 2, (end == std::string_view::npos ? s.size() : end) - (i + 2));
                std::size_t cut = body.find_first_of("^/#");
                std::size_t a = textCharacters(body.substr(0, cut));
                std::size_t b = cut == std::string_view::npos ? 0 : textCharacters(body.substr(cut + 1));
                flush();
                out.back() += std::max(a, b);
                i = end == std::string_view::npos ? s.size() : end + 1;
                break;
            }
            default:
                // \U+XXXX, \M+NXXXX and anything unknown: kept for textCharacters.
                run += ch;
                ++i;
                break;
        }
    }
    flush();
    return out;
}

// The size of a multiline text's box: width and height, in drawing units.
struct MTextSize {
    double width = 0.0, height = 0.0;
    std::size_t lines = 0;
};

// Lines: each paragraph is one line as long as its characters times height times the advance;
// with a reference width (> 0) a longer paragraph wraps into as many lines as that width needs
// and the box is the reference width wide. Height: the first line's height plus the line
// distance (5/3 of the height times the spacing factor) for every further line.
// `advance` is the advance of one character as a multiple of the height.
inline MTextSize estimateMText(std::string_view contents, double height, double referenceWidth,
                               double spacingFactor, double advance = kCharAdvance) {
    MTextSize out;
    std::vector<std::size_t> paragraphs = mtextParagraphs(contents);
    bool any = false;
    for (std::size_t n : paragraphs) any = any || n > 0;
    if (!any) return out;
    double widest = 0.0;
    for (std::size_t n : paragraphs) {
        double w = static_cast<double>(n) * height * advance;
        if (referenceWidth > 0 && w > referenceWidth) {
            double pieces = std::ceil(w / referenceWidth);
            out.lines += pieces < 1e9 ? static_cast<std::size_t>(pieces) : std::size_t(1e9);
            widest = referenceWidth;
        } else {
            out.lines += 1;
            widest = std::max(widest, w);
        }
    }
    out.width = referenceWidth > 0 ? referenceWidth : widest;
    if (!(spacingFactor > 0)) spacingFactor = 1.0;
    out.height = height + static_cast<double>(out.lines - 1) * height * kLineSpacing * spacingFactor;
    return out;
}

// Where a box of width w and height h lies relative to a multiline text's insertion point for
// an attachment point 1..9 (top left, top centre, top right, middle ..., bottom ...): the box
// from (x0, y0) to (x0 + w, y0 + h) in the text's own x and y directions.
inline void mtextOrigin(int attachment, double w, double h, double& x0, double& y0) {
    if (attachment < 1 || attachment > 9) attachment = 1;
    int col = (attachment - 1) % 3, row = (attachment - 1) / 3;
    x0 = -w * 0.5 * col;
    y0 = row == 0 ? -h : row == 1 ? -h / 2 : 0.0;
}

}  // namespace arxhost::extents
