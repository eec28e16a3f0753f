// A small writer of proxy graphics for the tests: records laid out as the format defines them
// (little-endian, unaligned, strings NUL-terminated and padded to four bytes from the start of
// the payload), and the bit stream of the lightweight-polyline record.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace proxytest {

struct P3 {
    double x = 0, y = 0, z = 0;
};

class Record {
  public:
    explicit Record(uint32_t type) : type_(type) {}
    uint32_t type() const { return type_; }
    const std::string& payload() const { return p_; }

    Record& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    Record& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Record& f64(double d) {
        uint64_t b;
        std::memcpy(&b, &d, sizeof b);
        for (int i = 0; i < 8; ++i)
            p_.push_back(static_cast<char>((b >> (8 * i)) & 0xFF));
        return *this;
    }
    Record& pt(P3 p) { return f64(p.x).f64(p.y).f64(p.z); }
    Record& pt(double x, double y, double z) { return pt(P3{x, y, z}); }
    Record& bytes(std::string_view b) {
        p_.append(b);
        return *this;
    }
    Record& pad() {
        while (p_.size() % 4)
            p_.push_back('\0');
        return *this;
    }
    // 8-bit string, NUL, padding.
    Record& str(std::string_view s) {
        p_.append(s);
        p_.push_back('\0');
        return pad();
    }
    // UTF-16LE string (from UTF-16 code units), two NUL bytes, padding.
    Record& ustr(std::u16string_view s) {
        for (char16_t c : s) {
            p_.push_back(static_cast<char>(c & 0xFF));
            p_.push_back(static_cast<char>(c >> 8));
        }
        p_.push_back('\0');
        p_.push_back('\0');
        return pad();
    }
    Record& matrix(const double m[16]) {
        for (int i = 0; i < 16; ++i)
            f64(m[i]);
        return *this;
    }

  private:
    uint32_t type_;
    std::string p_;
};

// A whole buffer: header (total size, record count) and the records.
class Buffer {
  public:
    Buffer& add(const Record& r) {
        recs_.push_back(r);
        return *this;
    }
    std::string bytes() const {
        std::string body;
        for (const Record& r : recs_) {
            uint32_t size = static_cast<uint32_t>(r.payload().size() + 8);
            appendU32(body, size);
            appendU32(body, r.type());
            body += r.payload();
        }
        std::string out;
        appendU32(out, static_cast<uint32_t>(body.size() + 8));
        appendU32(out, static_cast<uint32_t>(recs_.size()));
        return out + body;
    }
    static void appendU32(std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }

  private:
    std::vector<Record> recs_;
};

// Writes a DWG bit stream, most significant bit first.
class BitWriter {
  public:
    BitWriter& bits(uint64_t v, unsigned n) {
        for (unsigned i = n; i-- > 0;)
            bit((v >> i) & 1);
        return *this;
    }
    BitWriter& byte(uint8_t b) { return bits(b, 8); }
    BitWriter& le(uint64_t v, unsigned bytes) {
        for (unsigned i = 0; i < bytes; ++i)
            byte(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    BitWriter& raw(double d) {
        uint64_t b;
        std::memcpy(&b, &d, sizeof b);
        return le(b, 8);
    }
    // BS in its shortest form.
    BitWriter& bs(int v) {
        if (v == 0) return bits(2, 2);
        if (v == 256) return bits(3, 2);
        if (v > 0 && v < 256) return bits(1, 2).byte(static_cast<uint8_t>(v));
        return bits(0, 2).le(static_cast<uint16_t>(v), 2);
    }
    // BS always as a full 16-bit value.
    BitWriter& bsFull(int v) { return bits(0, 2).le(static_cast<uint16_t>(v), 2); }
    BitWriter& bl(int32_t v) {
        if (v == 0) return bits(2, 2);
        if (v > 0 && v < 256) return bits(1, 2).byte(static_cast<uint8_t>(v));
        return bits(0, 2).le(static_cast<uint32_t>(v), 4);
    }
    BitWriter& bd(double d) {
        if (d == 1.0) return bits(1, 2);
        if (d == 0.0 && !std::signbit(d)) return bits(2, 2);
        return bits(0, 2).raw(d);
    }
    // DD against a default, in the form the mode names: 0 default, 1 low four bytes, 2 six
    // bytes, 3 full double.
    BitWriter& dd(double d, double def, int mode) {
        uint64_t b, db;
        std::memcpy(&b, &d, sizeof b);
        std::memcpy(&db, &def, sizeof db);
        bits(static_cast<unsigned>(mode), 2);
        if (mode == 1) le(b & 0xFFFFFFFF, 4);
        if (mode == 2) {
            le((b >> 32) & 0xFFFF, 2);
            le(b & 0xFFFFFFFF, 4);
        }
        if (mode == 3) raw(d);
        return *this;
    }
    // The smallest DD form that gives d from def.
    BitWriter& ddAuto(double d, double def) {
        uint64_t b, db;
        std::memcpy(&b, &d, sizeof b);
        std::memcpy(&db, &def, sizeof db);
        if (b == db) return dd(d, def, 0);
        if ((b >> 32) == (db >> 32)) return dd(d, def, 1);
        if ((b >> 48) == (db >> 48)) return dd(d, def, 2);
        return dd(d, def, 3);
    }
    std::string bytes() const { return out_; }
    std::size_t bitCount() const { return n_; }

  private:
    void bit(uint64_t b) {
        if (n_ % 8 == 0) out_.push_back('\0');
        if (b) out_.back() = static_cast<char>(out_.back() | (0x80 >> (n_ % 8)));
        ++n_;
    }
    std::string out_;
    std::size_t n_ = 0;
};

}  // namespace proxytest
