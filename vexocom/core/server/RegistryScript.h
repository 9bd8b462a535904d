// Registry scripts: the text resources (type REGISTRY) that describe what
// the server writes into the registry for one class.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove %CLSID% = s 'Vexo Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               val Name = d '5'
//           }
//       }
//   }
//
// A key is a name (bare or in single quotes) with an optional default value
// (`= s 'text'` or `= d 'number'`) and an optional block of subkeys and
// named values (`val name = s '...'`). `ForceRemove` replaces the key when
// registering; `NoRemove` keeps it when unregistering; `Delete` removes it
// when registering. Variables %NAME% are replaced before parsing (%% is a
// percent sign); quotes inside quoted text are doubled ('').
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexo::registry {

struct Value {
    enum class Kind { String, Dword };
    Kind kind = Kind::String;
    std::wstring text;
    uint32_t number = 0;
};

struct Key {
    std::wstring name;
    bool forceRemove = false;
    bool noRemove = false;
    bool deleteKey = false;
    std::optional<Value> defaultValue;
    std::vector<std::pair<std::wstring, Value>> values;
    std::vector<Key> subkeys;
};

// A root block: HKCR, HKLM, HKCU, HKU (or their long names).
struct Root {
    HKEY hive = nullptr;
    std::wstring name;
    std::vector<Key> keys;
};

struct Script {
    std::vector<Root> roots;
};

// The text with every %NAME% replaced by its value; nothing when a name has
// no value or a % is not closed.
std::optional<std::wstring> Substitute(const std::wstring& text,
                                       const std::map<std::wstring, std::wstring>& variables);

// Parses a substituted script; nothing (and the position of the fault in
// *errorAt) when the text is not a valid script.
std::optional<Script> Parse(const std::wstring& text, size_t* errorAt = nullptr);

// Writes the script into the registry.
HRESULT Register(const Script& script);
// Removes what the script wrote: keys marked NoRemove stay (only what is
// inside them goes), ForceRemove keys go with everything below them, other
// keys lose the values and subkeys of the script and go when nothing else is
// left in them.
HRESULT Unregister(const Script& script);

// Reads REGISTRY resource `id` of `module` (ANSI or UTF-16 text), substitutes
// and runs it.
HRESULT RunResource(HMODULE module, UINT id, const std::map<std::wstring, std::wstring>& variables,
                    bool registering);

}  // namespace vexo::registry
