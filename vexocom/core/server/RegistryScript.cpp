#include "server/RegistryScript.h"

#include <cwctype>

#include "RegistryKey.h"

namespace vexo::registry {

std::optional<std::wstring> Substitute(const std::wstring& text,
                                       const std::map<std::wstring, std::wstring>& variables) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        size_t end = text.find(L'%', i + 1);
        if (end == std::wstring::npos) return std::nullopt;
        if (end == i + 1) {
            out += L'%';
        } else {
            auto it = variables.find(text.substr(i + 1, end - i - 1));
            if (it == variables.end()) return std::nullopt;
            // Values go inside quoted text: their quotes are doubled.
            for (wchar_t c : it->second) {
                out += c;
                if (c == L'\'') out += L'\'';
            }
        }
        i = end;
    }
    return out;
}

namespace {

struct Token {
    enum class Kind { Word, Quoted, Equals, Open, Close, End } kind;
    std::wstring text;
    size_t at;
};

class Lexer {
public:
    explicit Lexer(const std::wstring& t) : t_(t) {}

    std::optional<Token> Next() {
        while (i_ < t_.size() && std::iswspace(t_[i_])) ++i_;
        size_t at = i_;
        if (i_ >= t_.size()) return Token{Token::Kind::End, {}, at};
        wchar_t c = t_[i_];
        if (c == L'=') return ++i_, Token{Token::Kind::Equals, L"=", at};
        if (c == L'{' && IsGuidAt(i_)) {
            i_ += 38;
            return Token{Token::Kind::Word, t_.substr(at, 38), at};
        }
        if (c == L'{') return ++i_, Token{Token::Kind::Open, L"{", at};
        if (c == L'}') return ++i_, Token{Token::Kind::Close, L"}", at};
        if (c == L'\'') {
            std::wstring s;
            ++i_;
            for (;;) {
                if (i_ >= t_.size()) return std::nullopt;
                if (t_[i_] == L'\'') {
                    if (i_ + 1 < t_.size() && t_[i_ + 1] == L'\'') {
                        s += L'\'';
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                s += t_[i_++];
            }
            return Token{Token::Kind::Quoted, s, at};
        }
        std::wstring w;
        while (i_ < t_.size() && !std::iswspace(t_[i_]) && t_[i_] != L'=' && t_[i_] != L'{' &&
               t_[i_] != L'}' && t_[i_] != L'\'')
            w += t_[i_++];
        return Token{Token::Kind::Word, w, at};
    }

private:
    // A key name may be a GUID in braces: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
    bool IsGuidAt(size_t i) const {
        if (i + 38 > t_.size() || t_[i + 37] != L'}') return false;
        for (size_t k = 1; k < 37; ++k) {
            wchar_t ch = t_[i + k];
            bool dash = k == 9 || k == 14 || k == 19 || k == 24;
            if (dash ? ch != L'-' : !std::iswxdigit(ch)) return false;
        }
        return true;
    }

    const std::wstring& t_;
    size_t i_ = 0;
};

bool Same(const std::wstring& a, const wchar_t* b) { return ::lstrcmpiW(a.c_str(), b) == 0; }

HKEY HiveOf(const std::wstring& name) {
    if (Same(name, L"HKCR") || Same(name, L"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
    if (Same(name, L"HKLM") || Same(name, L"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
    if (Same(name, L"HKCU") || Same(name, L"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
    if (Same(name, L"HKU") || Same(name, L"HKEY_USERS")) return HKEY_USERS;
    return nullptr;
}

class Parser {
public:
    explicit Parser(const std::wstring& t) : lex_(t) {}

    std::optional<Script> Run(size_t* errorAt) {
        Script script;
        if (!Advance()) return Fail(errorAt);
        while (tok_.kind != Token::Kind::End) {
            if (tok_.kind != Token::Kind::Word) return Fail(errorAt);
            Root root;
            root.name = tok_.text;
            root.hive = HiveOf(tok_.text);
            if (!root.hive || !Advance() || tok_.kind != Token::Kind::Open || !Advance()) return Fail(errorAt);
            if (!Block(root.keys, nullptr)) return Fail(errorAt);
            script.roots.push_back(std::move(root));
        }
        return script;
    }

private:
    bool Advance() {
        auto t = lex_.Next();
        if (!t) return false;
        tok_ = *t;
        return true;
    }
    std::optional<Script> Fail(size_t* errorAt) {
        if (errorAt) *errorAt = tok_.at;
        return std::nullopt;
    }
    bool IsName() const { return tok_.kind == Token::Kind::Word || tok_.kind == Token::Kind::Quoted; }

    // After '{': keys and values up to the matching '}', which is consumed.
    bool Block(std::vector<Key>& keys, Key* owner) {
        for (;;) {
            if (tok_.kind == Token::Kind::Close) return Advance();
            if (!IsName()) return false;
            if (tok_.kind == Token::Kind::Word && Same(tok_.text, L"val")) {
                if (!owner || !Advance() || !IsName()) return false;
                std::wstring name = tok_.text;
                Value v;
                if (!Advance() || tok_.kind != Token::Kind::Equals || !Advance() || !ParseValue(v)) return false;
                owner->values.emplace_back(std::move(name), std::move(v));
                continue;
            }
            Key key;
            for (;;) {
                if (tok_.kind != Token::Kind::Word) break;
                if (Same(tok_.text, L"ForceRemove"))
                    key.forceRemove = true;
                else if (Same(tok_.text, L"NoRemove"))
                    key.noRemove = true;
                else if (Same(tok_.text, L"Delete"))
                    key.deleteKey = true;
                else
                    break;
                if (!Advance()) return false;
            }
            if (!IsName()) return false;
            key.name = tok_.text;
            if (key.name.empty() || !Advance()) return false;
            if (tok_.kind == Token::Kind::Equals) {
                Value v;
                if (!Advance() || !ParseValue(v)) return false;
                key.defaultValue = std::move(v);
            }
            if (tok_.kind == Token::Kind::Open) {
                if (!Advance() || !Block(key.subkeys, &key)) return false;
            }
            keys.push_back(std::move(key));
        }
    }

    // At the type letter: s 'text' or d 'number'.
    bool ParseValue(Value& v) {
        if (tok_.kind != Token::Kind::Word) return false;
        if (Same(tok_.text, L"s"))
            v.kind = Value::Kind::String;
        else if (Same(tok_.text, L"d"))
            v.kind = Value::Kind::Dword;
        else
            return false;
        if (!Advance() || tok_.kind != Token::Kind::Quoted) return false;
        if (v.kind == Value::Kind::String) {
            v.text = tok_.text;
        } else {
            wchar_t* end = nullptr;
            unsigned long n = std::wcstoul(tok_.text.c_str(), &end, 0);
            if (tok_.text.empty() || !end || *end) return false;
            v.number = static_cast<uint32_t>(n);
        }
        return Advance();
    }

    Lexer lex_;
    Token tok_{Token::Kind::End, {}, 0};
};

LSTATUS SetValue(HKEY key, const wchar_t* name, const Value& v) {
    if (v.kind == Value::Kind::Dword) {
        DWORD n = v.number;
        return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    }
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                            static_cast<DWORD>((v.text.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterKey(HKEY parent, const Key& key) {
    if (key.deleteKey) {
        ::RegDeleteTreeW(parent, key.name.c_str());
        ::RegDeleteKeyW(parent, key.name.c_str());
        return S_OK;
    }
    if (key.forceRemove) {
        ::RegDeleteTreeW(parent, key.name.c_str());
        ::RegDeleteKeyW(parent, key.name.c_str());
    }
    win::unique_regkey k;
    LSTATUS st = ::RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                   k.put(), nullptr);
    if (st != ERROR_SUCCESS) return HRESULT_FROM_WIN32(st);
    if (key.defaultValue && (st = SetValue(k.get(), nullptr, *key.defaultValue)) != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(st);
    for (const auto& [name, v] : key.values)
        if ((st = SetValue(k.get(), name.c_str(), v)) != ERROR_SUCCESS) return HRESULT_FROM_WIN32(st);
    for (const Key& sub : key.subkeys) {
        HRESULT hr = RegisterKey(k.get(), sub);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

bool IsEmptyKey(HKEY key) {
    DWORD subkeys = 0, values = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subkeys == 0 && values == 0;
}

void UnregisterKey(HKEY parent, const Key& key) {
    if (key.deleteKey) return;
    if (key.forceRemove && !key.noRemove) {
        ::RegDeleteTreeW(parent, key.name.c_str());
        ::RegDeleteKeyW(parent, key.name.c_str());
        return;
    }
    bool empty = false;
    {
        win::unique_regkey k;
        if (::RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, k.put()) != ERROR_SUCCESS) return;
        for (const Key& sub : key.subkeys) UnregisterKey(k.get(), sub);
        if (key.noRemove) return;
        for (const auto& [name, v] : key.values) ::RegDeleteValueW(k.get(), name.c_str());
        if (key.defaultValue) ::RegDeleteValueW(k.get(), nullptr);
        empty = IsEmptyKey(k.get());
    }
    if (empty) ::RegDeleteKeyW(parent, key.name.c_str());
}

}  // namespace

std::optional<Script> Parse(const std::wstring& text, size_t* errorAt) {
    try {
        return Parser(text).Run(errorAt);
    } catch (...) {
        return std::nullopt;
    }
}

HRESULT Register(const Script& script) {
    for (const Root& root : script.roots)
        for (const Key& key : root.keys) {
            HRESULT hr = RegisterKey(root.hive, key);
            if (FAILED(hr)) return hr;
        }
    return S_OK;
}

HRESULT Unregister(const Script& script) {
    for (const Root& root : script.roots)
        for (const Key& key : root.keys) UnregisterKey(root.hive, key);
    return S_OK;
}

HRESULT RunResource(HMODULE module, UINT id, const std::map<std::wstring, std::wstring>& variables,
                    bool registering) {
    try {
        HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
        if (!res) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
        HGLOBAL data = ::LoadResource(module, res);
        DWORD size = ::SizeofResource(module, res);
        const char* bytes = data ? static_cast<const char*>(::LockResource(data)) : nullptr;
        if (!bytes) return E_FAIL;
        std::wstring text;
        if (size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
            text.assign(reinterpret_cast<const wchar_t*>(bytes + 2), (size - 2) / sizeof(wchar_t));
        } else {
            int n = ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
            text.resize(static_cast<size_t>(n));
            if (n) ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text.data(), n);
        }
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        auto substituted = Substitute(text, variables);
        if (!substituted) return E_FAIL;
        auto script = Parse(*substituted);
        if (!script) return E_FAIL;
        return registering ? Register(*script) : Unregister(*script);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vexo::registry
