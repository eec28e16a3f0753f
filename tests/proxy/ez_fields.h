// What the ezdxf helper scripts print of one entity: its type and key=value fields. Points are
// "x,y,z" separated by ';', texts are hex of UTF-8.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/dxf/hex.h"
#include "host/gepnt3d.h"

struct EzFields {
    std::string type;
    std::map<std::string, std::string> f;

    double num(const std::string& key) const {
        auto it = f.find(key);
        return it == f.end() ? NAN : std::strtod(it->second.c_str(), nullptr);
    }
    // Numbers separated by commas.
    std::vector<double> nums(const std::string& key) const {
        std::vector<double> out;
        auto it = f.find(key);
        if (it == f.end()) return out;
        std::stringstream ss(it->second);
        std::string item;
        while (std::getline(ss, item, ',')) out.push_back(std::strtod(item.c_str(), nullptr));
        return out;
    }
    std::string str(const std::string& key) const {
        auto it = f.find(key);
        return it == f.end() ? std::string() : it->second;
    }
    std::vector<AcGePoint3d> pts(const std::string& key) const {
        std::vector<AcGePoint3d> out;
        auto it = f.find(key);
        if (it == f.end() || it->second.empty()) return out;
        std::stringstream ss(it->second);
        std::string item;
        while (std::getline(ss, item, ';')) {
            AcGePoint3d p;
            std::sscanf(item.c_str(), "%lf,%lf,%lf", &p.x, &p.y, &p.z);
            out.push_back(p);
        }
        return out;
    }
    AcGePoint3d pt(const std::string& key) const {
        auto v = pts(key);
        return v.empty() ? AcGePoint3d() : v[0];
    }
    // A hex-of-UTF-8 field as its text.
    std::string text(const std::string& key) const {
        auto it = f.find(key);
        std::string out, err;
        if (it != f.end()) dxf::hexDecode(it->second, out, err);
        return out;
    }
};
