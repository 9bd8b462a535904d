// Registry scripts as text: variable substitution and parsing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "server/RegistryScript.h"

namespace reg = vexo::registry;

namespace {

const std::map<std::wstring, std::wstring> kVars = {
    {L"MODULE", L"C:\\Program Files\\Vexo\\VexoCOM.dll"},
    {L"CLSID", L"{F3FBC8E5-93A3-11D4-8217-A85459000000}"},
    {L"LIBID", L"{C6E033E3-925F-11D4-8214-420BF9000000}"},
    {L"LIBNAME", L"Vexo"},
};

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring ClassScript(const std::string& className) {
    std::ifstream in(VEXO_CLASS_SCRIPT_TEMPLATE);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    for (size_t at; (at = text.find("@CLASS@")) != std::string::npos;) text.replace(at, 7, className);
    return Widen(text);
}

const reg::Key* Child(const std::vector<reg::Key>& keys, const std::wstring& name) {
    for (const reg::Key& k : keys)
        if (k.name == name) return &k;
    return nullptr;
}

}  // namespace

TEST(RegistrySubstitution, ReplacesEveryVariableAndKeepsOtherText) {
    auto out = reg::Substitute(L"a %LIBNAME%.x %CLSID% b", kVars);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, L"a Vexo.x {F3FBC8E5-93A3-11D4-8217-A85459000000} b");
}

TEST(RegistrySubstitution, DoublePercentIsAPercentSign) {
    EXPECT_EQ(reg::Substitute(L"100%% sure", kVars).value(), L"100% sure");
}

TEST(RegistrySubstitution, UnknownOrUnclosedVariableFails) {
    EXPECT_FALSE(reg::Substitute(L"%NOPE%", kVars));
    EXPECT_FALSE(reg::Substitute(L"50% off", kVars));
}

TEST(RegistrySubstitution, QuotesInValuesAreDoubledSoQuotedTextSurvives) {
    std::map<std::wstring, std::wstring> vars = {{L"MODULE", L"C:\\Bob's\\VexoCOM.dll"}};
    auto text = reg::Substitute(L"HKCR { K = s '%MODULE%' }", vars);
    ASSERT_TRUE(text);
    auto script = reg::Parse(*text);
    ASSERT_TRUE(script);
    EXPECT_EQ(script->roots[0].keys[0].defaultValue->text, L"C:\\Bob's\\VexoCOM.dll");
}

TEST(RegistryParse, ClassScriptHasBothProgIdsAndTheClassKey) {
    auto text = reg::Substitute(ClassScript("Vexo"), kVars);
    ASSERT_TRUE(text);
    size_t at = 0;
    auto script = reg::Parse(*text, &at);
    ASSERT_TRUE(script) << "fault at " << at;
    ASSERT_EQ(script->roots.size(), 1u);
    EXPECT_EQ(script->roots[0].hive, HKEY_CLASSES_ROOT);
    const auto& keys = script->roots[0].keys;

    const reg::Key* versioned = Child(keys, L"Vexo.Vexo.1");
    ASSERT_TRUE(versioned);
    EXPECT_EQ(versioned->defaultValue->text, L"Vexo Class");
    EXPECT_EQ(Child(versioned->subkeys, L"CLSID")->defaultValue->text, kVars.at(L"CLSID"));

    const reg::Key* independent = Child(keys, L"Vexo.Vexo");
    ASSERT_TRUE(independent);
    EXPECT_EQ(Child(independent->subkeys, L"CurVer")->defaultValue->text, L"Vexo.Vexo.1");

    const reg::Key* clsidRoot = Child(keys, L"CLSID");
    ASSERT_TRUE(clsidRoot);
    EXPECT_TRUE(clsidRoot->noRemove);
    const reg::Key* cls = Child(clsidRoot->subkeys, kVars.at(L"CLSID"));
    ASSERT_TRUE(cls);
    EXPECT_TRUE(cls->forceRemove);
    EXPECT_EQ(Child(cls->subkeys, L"ProgID")->defaultValue->text, L"Vexo.Vexo.1");
    EXPECT_EQ(Child(cls->subkeys, L"VersionIndependentProgID")->defaultValue->text, L"Vexo.Vexo");
    ASSERT_TRUE(Child(cls->subkeys, L"Programmable"));
    const reg::Key* inproc = Child(cls->subkeys, L"InprocServer32");
    ASSERT_TRUE(inproc);
    EXPECT_EQ(inproc->defaultValue->text, kVars.at(L"MODULE"));
    EXPECT_TRUE(inproc->values.empty()) << "no threading model is registered";
    EXPECT_EQ(Child(cls->subkeys, L"TypeLib")->defaultValue->text, kVars.at(L"LIBID"));
}

TEST(RegistryParse, NamedValuesAndNumbers) {
    auto script = reg::Parse(L"HKLM { NoRemove Software { K { val A = s 'x' val B = d '0x10' } } }");
    ASSERT_TRUE(script);
    const reg::Key& k = script->roots[0].keys[0].subkeys[0];
    ASSERT_EQ(k.values.size(), 2u);
    EXPECT_EQ(k.values[0].first, L"A");
    EXPECT_EQ(k.values[0].second.text, L"x");
    EXPECT_EQ(k.values[1].second.kind, reg::Value::Kind::Dword);
    EXPECT_EQ(k.values[1].second.number, 16u);
}

TEST(RegistryParse, GuidKeyNamesAreNamesNotBlocks) {
    auto script = reg::Parse(L"HKCR { NoRemove CLSID { {F3FBC8E5-93A3-11D4-8217-A85459000000} { X = s 'y' } } }");
    ASSERT_TRUE(script);
    const reg::Key& k = script->roots[0].keys[0].subkeys[0];
    EXPECT_EQ(k.name, L"{F3FBC8E5-93A3-11D4-8217-A85459000000}");
    ASSERT_EQ(k.subkeys.size(), 1u);
    EXPECT_EQ(k.subkeys[0].name, L"X");
}

TEST(RegistryParse, MalformedScriptsAreRejected) {
    EXPECT_FALSE(reg::Parse(L"HKXX { }"));                   // unknown hive
    EXPECT_FALSE(reg::Parse(L"HKCR { A = s 'open }"));       // unclosed text
    EXPECT_FALSE(reg::Parse(L"HKCR { A = x 'y' }"));         // unknown value type
    EXPECT_FALSE(reg::Parse(L"HKCR { A { B }"));             // missing brace
    EXPECT_FALSE(reg::Parse(L"HKCR { val A = s 'top' }"));  // a value needs a key
    EXPECT_FALSE(reg::Parse(L"HKCR { A = d 'ten' }"));       // not a number
}
