// The module-wide engine state: one engine per process, shared by every
// engine object and every other object that needs the engine.
//
// - VexoFilesPath (and the engine directory derived from it), the language
//   file and the EngineInitRecord given to VexoInit;
// - the loaded/initialised flags and the stored VexoInit result;
// - EngineUseCount: each holder (engine objects, drive collections, drives,
//   progress records, temporary lists) takes one use; when the last use is
//   dropped the engine is shut down (VexoDone) and unloaded;
// - AbortFlag, read by the engine's idle callback;
// - the current engine object, the one that receives the engine's questions.
#pragma once

#include <windows.h>
#include <wtypes.h>

#include <cstdint>
#include <optional>
#include <string>

namespace vexo {

class Vexo;

namespace engine {

// ---- pure logic ------------------------------------------------------------

// The directory the engine is loaded from: the VexoFilesPath text with a
// backslash appended unless it already ends in one; empty for an empty text.
std::string EngineDirectoryFor(const std::string& filesPath);

// What LastError/ErrorLog tell while the library is loaded but VexoInit
// failed, by the stored result: 0 gives no text (a null BSTR).
std::optional<std::string> InitResultText(int32_t initResult);

// The fixed text of LastError/ErrorLog while no engine library is loaded.
inline constexpr const char* kNotLoadedText = "VexoAPI.DLL was not loaded!";

// The product and maker texts of the init record.
inline constexpr const char* kProductName = "VexoCOM";
inline constexpr const char* kDefaultLanguageFile = "vexo.txt";

// A client boolean widened with sign into the 32-bit init-record field.
constexpr int32_t WidenBool(VARIANT_BOOL b) noexcept { return static_cast<int32_t>(static_cast<int16_t>(b)); }
// The VARIANT_BOOL answered for the 32-bit field: its low 16 bits.
constexpr VARIANT_BOOL NarrowBool(int32_t field) noexcept {
    return static_cast<VARIANT_BOOL>(static_cast<int16_t>(field & 0xFFFF));
}

// ---- the state ---------------------------------------------------------------

void SetFilesPath(const std::string& path);
std::string FilesPath();
std::string EngineDirectory();

std::string LanguageFile();
void SetLanguageFile(const std::string& file);

int32_t EnableOverburnField();
void SetEnableOverburnField(int32_t value);
int32_t OverburnSizeField();
void SetOverburnSizeField(int32_t value);

bool Loaded() noexcept;
bool Initialized() noexcept;
int32_t InitResult() noexcept;

// The initialisation sequence: loads the engine when it is not loaded
// (VexoFilesPath or the registry copy), then calls VexoInit with the record.
// True when the engine is initialised afterwards.
bool EnsureInitialized();

// EngineUseCount.
void AddUse() noexcept;
void ReleaseUse() noexcept;
LONG UseCount() noexcept;

// Takes one engine use for its lifetime.
class Use {
public:
    Use() noexcept { AddUse(); }
    Use(const Use&) noexcept { AddUse(); }
    Use& operator=(const Use&) noexcept { return *this; }
    ~Use() { ReleaseUse(); }
};

// AbortFlag.
void SetAbort(bool abort) noexcept;
bool AbortRequested() noexcept;

// The non-empty-rewritable counter: raised while the engine's "disc is not
// empty" question is being delivered, so that an erase may start from its
// handler while the burn that asked waits.
void EnterNonEmptyRewritable() noexcept;
void LeaveNonEmptyRewritable() noexcept;
LONG NonEmptyRewritableCount() noexcept;

// The current engine object (not referenced).
void SetCurrentEngineObject(Vexo* object) noexcept;
Vexo* CurrentEngineObject() noexcept;
// Clears the pointer whichever object it points to.
void ClearCurrentEngineObject() noexcept;

// Callbacks given to the engine in the init record.
int32_t WINAPI IdleCallback(void* userData);
int32_t WINAPI UserDialogCallback(void* userData, int32_t request, void* requestData);

}  // namespace engine
}  // namespace vexo
