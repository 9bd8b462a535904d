// Cadrel: the program's main window, caption "Velmora Cadrel", with the tabs
// "Audio CD Ripper" (CdTab), "Audio Converter" (ConverterTab) and "About".
// It owns the frame: start-up (Form_Load), the settings kept between runs,
// the status bar, the maker's links and the shutdown (Form_Unload); each tab
// has its controls and handlers in a class of its own.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "CadrelIds.h"
#include "GdiObjects.h"
#include "RipJobState.h"
#include "WindowObject.h"

namespace controls {
class CandyButton;
}  // namespace controls
class CdTab;
class ConverterTab;

class Cadrel : public CadrelIds, public controls::WindowObject<Cadrel> {
public:
    static constexpr UINT_PTR Timer1 = 1;  // borrowed by the converter instance AVC1
    static constexpr UINT_PTR Timer3 = 3;
    static constexpr UINT Timer3Interval = 1000;

    Cadrel();
    ~Cadrel() override;

    // Creates the window, runs Form_Load and shows it. False when the window
    // could not be made.
    bool Create(int showCommand);

    HWND Control(int id) const;
    controls::CandyButton* Button(int id) const;
    // The CD tab (null until the window exists) and its rip job's state.
    CdTab* Cd() const noexcept { return cd_.get(); }
    const std::vector<std::string>& TrackListRows() const;
    const std::vector<bool>& TrackListSelected() const;
    bool JobRunning() const noexcept;
    RipJobState& JobState() noexcept;
    // The converter tab (null until the window exists).
    ConverterTab* Converter() const noexcept { return converter_.get(); }

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // Handlers, in the order the window runs them.
    void Form_Load();
    void Form_Unload();
    void OpenWebPage(const std::string& query);

    // Shows tab `index` (0 CD, 1 converter, 2 About) as a click on it does.
    void ShowPage(int index);

private:
    void CreateFrame();
    void CreateCdTab(HWND page);
    void CreateConverterTab(HWND page);
    void CreateAboutTab(HWND page);
    void SetStatus(int panel, const std::string& text);

    HWND pages_[3] = {};
    win::unique_font font_;
    win::unique_font boldFont_;
    win::unique_font titleFont_;
    win::unique_imagelist images_;
    std::vector<win::unique_icon> icons_;
    bool unloaded_ = false;
    std::unique_ptr<CdTab> cd_;
    std::unique_ptr<ConverterTab> converter_;
};
