#pragma once

// Command, control and string ids of the main window. Each command is one QAction carrying
// its id; the numbers are kept so menus, toolbar, accelerators and prompts stay in step.
namespace Cmd {
enum : int {
    FileNew = 57600,     // Ctrl+N: re-initialise the one document
    FileOpen = 57601,    // load a settings file
    FileSave = 57603,    // Ctrl+S: save a settings file
    FileSaveAs = 57604,  // menu / toolbar save
    AppAbout = 57664,
    AppExit = 57665,
    LiveVideo = 32771,
    FormatDialog = 32772,
    SourceDialog = 32774,
    DisplayDialog = 32775,
    ConfigPanel = 32801,
    ChangeDevice = 32802,
    ViewColours = 32803,    // shows or hides the "Colors" pane
    ViewMarks = 32804,      // shows or hides the "Marques" pane
    ViewToolBar = 59392,    // also the toolbar's control id
    ViewStatusBar = 59393,  // also the status bar's control id
};
}  // namespace Cmd

// The rate panes' indicator: its string gives both panes their initial text and width.
inline constexpr int RateIndicatorId = 32770;
