// The control identifiers of the main window and its tabs (the window's
// control names in comments), shared by Cadrel and its CD tab.
#pragma once

struct CadrelIds {
    // The maker's home page address.
    static constexpr const char* WebSite = "http://www.velmora-cadrel.example/";

    // Control identifiers (the window's control names in comments).
    enum : int {
        IdTabs = 1000,       // the outer tab strip
        IdCdPage,            // the CD tab's page
        IdConverterPage,     // the converter tab's page
        IdAboutPage,         // the About tab's page
        IdDriveList,         // DriveList
        IdListView1,         // ListView1
        IdCandyButton1,      // Select All / Select None
        IdCandyButton2,      // "...." folder picker
        IdCandyButton3,      // "Rip CD"
        IdCandyButton4,      // re-read the disc
        IdCandyButton5,      // the maker's home page
        IdCandyButton6,      // page ?q=node/12
        IdCandyButton7,      // open the drawer
        IdCandyButton8,      // page ?q=node/8
        IdLabel9,            // product name with version
        IdLabel11,           // the maker's web address
        IdLabel7,            // About: the maker's name
        IdLabel10,           // About: the web address
        IdStatus,            // Status
        IdXTab2,             // the inner tab strip "Output" / "DCP"
        IdCmbOutFormat,      // cmboutformat
        IdCmbBitrate,        // cmbBitrate
        IdCmbQuality,        // cmbQuality
        IdTxtOutPath,        // txtOutPath
        IdCmbAction,         // cmbaction (hidden)
        IdText1,             // Text1 (hidden)
        IdListView3,         // the converter's file list
        IdLblDevice,
        IdLblOutFormat,
        IdLblBitrate,
        IdLblQuality,
        IdLblOutPath,
        IdAboutPicture,
        IdLabelProduct,
    };
};
