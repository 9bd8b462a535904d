// PropertyBag: how a window describes the initial properties of the controls
// it places, and how a control says which of its properties it has changed.
//
// A window fills a bag with key/text pairs ("Max" = "100", "Color" =
// "&H8000000D", "Caption" = "Rip CD") and hands it to the control when it is
// created; the control reads each of its properties by its persistence key,
// falling back to the property's default when the key is absent or its text
// does not parse. Setters that persist mark their key in the control's
// ChangedProperties; WriteProperties of a control writes its current values
// back into a bag, so a window can save what the user or the program changed.
//
// Numbers are decimal ("-10") or hexadecimal in the "&H" form ("&HFF00",
// "&H8000000D"); flags are "True"/"False" (also "1"/"0", any case).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace controls {

class PropertyBag {
public:
    PropertyBag() = default;
    PropertyBag(std::initializer_list<std::pair<const std::string, std::string>> items)
        : items_(items) {}

    void Write(const std::string& key, const std::string& text) { items_[key] = text; }
    void WriteInt(const std::string& key, int32_t value);
    void WriteColor(const std::string& key, uint32_t value);  // "&HXXXXXXXX"
    void WriteBool(const std::string& key, bool value);

    bool Has(const std::string& key) const { return items_.count(key) != 0; }
    std::optional<std::string> Read(const std::string& key) const;
    std::string ReadText(const std::string& key, const std::string& fallback) const;
    int32_t ReadInt(const std::string& key, int32_t fallback) const;
    uint32_t ReadColor(const std::string& key, uint32_t fallback) const;
    bool ReadBool(const std::string& key, bool fallback) const;

    const std::map<std::string, std::string>& Items() const { return items_; }

private:
    std::map<std::string, std::string> items_;
};

// Parses the number forms of a bag: decimal with optional sign, or "&H" hex
// (32 bits, so "&HFFFFFFFF" is -1 as a signed value). Nothing else.
std::optional<int64_t> ParseBagNumber(const std::string& text);
std::optional<bool> ParseBagBool(const std::string& text);

// The set of persistence keys a control has marked as changed, in the order
// they were first marked.
class ChangedProperties {
public:
    void Mark(const std::string& key);
    bool Has(const std::string& key) const;
    const std::vector<std::string>& Keys() const { return keys_; }
    void Clear() { keys_.clear(); }

private:
    std::vector<std::string> keys_;
};

}  // namespace controls
