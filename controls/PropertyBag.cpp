#include "PropertyBag.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace controls {

namespace {
std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

std::optional<int64_t> ParseBagNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    if (text.size() > 2 && (text[0] == '&') && (text[1] == 'H' || text[1] == 'h')) {
        if (text.size() > 10) return std::nullopt;
        uint32_t v = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            char c = text[i];
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else return std::nullopt;
            v = (v << 4) | static_cast<uint32_t>(d);
        }
        return static_cast<int64_t>(static_cast<int32_t>(v));
    }
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 0xFFFFFFFFLL) return std::nullopt;
    }
    return negative ? -v : v;
}

std::optional<bool> ParseBagBool(const std::string& text) {
    const std::string t = Lower(text);
    if (t == "true" || t == "1" || t == "-1") return true;
    if (t == "false" || t == "0") return false;
    return std::nullopt;
}

void PropertyBag::WriteInt(const std::string& key, int32_t value) { items_[key] = std::to_string(value); }

void PropertyBag::WriteColor(const std::string& key, uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%08X", static_cast<unsigned>(value));
    items_[key] = buf;
}

void PropertyBag::WriteBool(const std::string& key, bool value) { items_[key] = value ? "True" : "False"; }

std::optional<std::string> PropertyBag::Read(const std::string& key) const {
    auto it = items_.find(key);
    if (it == items_.end()) return std::nullopt;
    return it->second;
}

std::string PropertyBag::ReadText(const std::string& key, const std::string& fallback) const {
    auto v = Read(key);
    return v ? *v : fallback;
}

int32_t PropertyBag::ReadInt(const std::string& key, int32_t fallback) const {
    auto v = Read(key);
    if (!v) return fallback;
    auto n = ParseBagNumber(*v);
    if (!n || *n < INT32_MIN || *n > INT32_MAX) return fallback;
    return static_cast<int32_t>(*n);
}

uint32_t PropertyBag::ReadColor(const std::string& key, uint32_t fallback) const {
    auto v = Read(key);
    if (!v) return fallback;
    auto n = ParseBagNumber(*v);
    if (!n || *n < INT32_MIN || *n > 0xFFFFFFFFLL) return fallback;
    return static_cast<uint32_t>(*n);
}

bool PropertyBag::ReadBool(const std::string& key, bool fallback) const {
    auto v = Read(key);
    if (!v) return fallback;
    auto b = ParseBagBool(*v);
    return b ? *b : fallback;
}

void ChangedProperties::Mark(const std::string& key) {
    if (!Has(key)) keys_.push_back(key);
}

bool ChangedProperties::Has(const std::string& key) const {
    return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
}

}  // namespace controls
