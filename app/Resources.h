// Command ids, control ids and the fixed texts of the desktop program.
//
// The command ids are carried as the data of each QAction and the control ids as the "controlId"
// property of each dialog control, so that help contexts, tests and the status-bar prompts can
// refer to a control by one number.
#pragma once

namespace kyn::app {

// Commands (menu items, toolbar buttons, accelerators).
enum CommandId : int {
    ID_FILE_OPEN = 57601,          // Convert...
    ID_FILE_PREVIEW = 32800,       // Open for Preview...: shows a file without converting it
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_ALWAYSONTOP = 32779,
    ID_VIEW_OPTIONS = 32774,
    ID_HELP_FINDER = 57667,        // Help Topics
    ID_APP_ABOUT = 57664,
    ID_HELP = 57670,               // help for the current context (F1)
    ID_CONTEXT_HELP = 57669,       // What's This mode (Shift+F1)
};

// Options dialog controls.
enum OptionsControlId : int {
    IDC_SAVE_VARNIXBINARYX = 1024,
    IDC_SAVE_VARNIXBINARY = 1001,
    IDC_SAVE_VARNIXSTORE = 1002,
    IDC_SAVE_VARNIXCSV = 1003,
    IDC_SAVE_THALEN = 1019,
    IDC_SAVE_TSV = 1020,
    IDC_SAVE_JCAMP = 1025,
    IDC_EXTRA = 1000,
    IDC_EURO_LOCALE = 1021,
    IDC_SENSIBLE_EXTENSIONS = 1018,
    IDC_STRIP_ACORN = 1008,
    IDC_IN_PLACE = 1006,
    IDC_DELETE_ORIGINALS = 1010,
    IDC_SILENT_OVERWRITE = 1014,
    IDC_SKIP_BAD = 1007,
    IDC_STRIP_HEADER = 1004,
    IDC_USE_OUTPUT_FOLDER = 1030,
    IDC_OUTPUT_FOLDER = 1031,
    IDC_BROWSE_OUTPUT_FOLDER = 1032,
    IDOK = 1,
    IDCANCEL = 2,
};

// Progress dialog controls.
enum ProgressControlId : int {
    IDC_PROGRESS_STATUS = 1011,
    IDC_PROGRESS_BAR = 1005,
    IDC_PROGRESS_PERCENT = 1013,
    IDC_PROGRESS_STOP = 1012,
};

// About box controls.
enum AboutControlId : int {
    IDC_ABOUT_VERSION = 1022,
    IDC_ABOUT_LEGAL = 1023,
    IDC_ABOUT_EMAIL = 1015,
    IDC_ABOUT_WEB = 1016,
};

// The application's title: caption of its message boxes and the name its settings live under.
inline constexpr const char* kAppTitle = "KYNDataConverter";
inline constexpr const char* kOrganisation = "Velorant Ltd";
inline constexpr const char* kMainWindowTitle = "KYN Varnix Converter";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kAlwaysOnTopValue = "AlwaysOnTop";
// One folder for all outputs: the switch (an integer, section "Options") and the folder (text).
inline constexpr const char* kUseOutputFolderValue = "UseOutputFolder";
inline constexpr const char* kOutputFolderValue = "OutputFolder";
// The folders files were last picked from, the latest first (a list of texts, section "Settings"):
// File > Convert... starts in the first.
inline constexpr const char* kRecentFoldersValue = "RecentFolders";

inline constexpr const char* kFirstRunMessage =
    "This is the first time you have run KYNDataConverter.\n\nPlease choose your preferred configuration "
    "settings.\nSelect \"Options\" from the \"View\" menu.\n";

// The open dialog's filter in its original '|'-separated form; OpenDialogFilters() turns it into
// Qt's list.
inline constexpr const char* kOpenFilter =
    "DataStore Files (*.dsa;*.dsb;*.dsx)|*.dsa; *.dsb; *.dsx|"
    "VarnixBinary DataStore Files (*.dsb;*.dsx)|*.dsb; *.dsx|"
    "VarnixStore ASCII (*.dsa)|*.dsa|"
    "Text Files (*.txt)|*.txt|"
    "All Files (*.*)|*.*||";
inline constexpr const char* kOpenDefaultSuffix = "dsx";

// The client-area picture's size: the main window is sized from it.
inline constexpr int kClientPictureWidth = 345;
inline constexpr int kClientPictureHeight = 144;
// Toolbar buttons and their strip.
inline constexpr int kToolbarButtonWidth = 36;
inline constexpr int kToolbarButtonHeight = 31;
inline constexpr int kToolbarStripImages = 5;
// The About box picture.
inline constexpr int kAboutPictureWidth = 408;
inline constexpr int kAboutPictureHeight = 100;

// Web and support addresses shown in the About box.
inline constexpr const char* kWebUrl = "https://www.example.org/";
inline constexpr const char* kWebText = "www.example.org";
inline constexpr const char* kSupportAddress = "support@example.org";
inline constexpr const char* kSupportSubject = "Request for technical support.";

}  // namespace kyn::app
