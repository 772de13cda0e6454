// CKYNDataConverterApp: the application object. It owns the conversion settings and the
// Always on Top option for the whole run, reads them at start-up and writes them back at a
// normal end, creates and places the main window, shows the first-run message and handles
// Convert..., Options..., About... and Always on Top.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "conversion/ConversionSettings.h"
#include "app/UiThreadCall.h"
#include "util/Notifier.h"

class QWidget;

namespace kyn::app {

class CMainFrame;

// The open dialog's filters, in Qt's form, from the program's filter text.
QStringList OpenDialogFilters();

class CKYNDataConverterApp : public QObject {
    Q_OBJECT
public:
    // `store` holds the settings (not owned); null uses the per-user QSettings store.
    explicit CKYNDataConverterApp(SettingsStore* store = nullptr, QObject* parent = nullptr);
    ~CKYNDataConverterApp() override;

    // Start-up: reads the settings, creates, places and shows the main window, shows the
    // first-run message. False when the main window could not be created.
    bool InitInstance();
    // A normal end: writes the settings.
    void ExitInstance();

    // Commands.
    void OnFileConvert();
    // Open for Preview...: one file shown in the preview, nothing converted.
    void OnFilePreview();
    void OnViewOptions();
    void OnAppAbout();
    void OnViewAlwaysOnTop();

    // Picks the files for Convert... (starting in `folder`); an empty list is Cancel. Tests
    // replace the dialog.
    using FileChooser = std::function<QStringList(QWidget* parent, const QString& folder)>;
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    ConversionSettings& Settings() { return settings_; }
    int AlwaysOnTop() const { return alwaysOnTop_; }
    // One folder for every output (used when UseOutputFolder is 1), and the folder the open
    // dialog starts in; both stored with the settings.
    int UseOutputFolder() const { return useOutputFolder_; }
    QString OutputFolder() const { return outputFolder_; }
    void SetOutputFolder(int use, const QString& folder);
    QString LastFolder() const { return recentFolders_.value(0); }
    // The folders files were last picked from, the latest first; offered by the open dialog.
    QStringList RecentFolders() const { return recentFolders_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }

private:
    QStringList ChooseFiles(QWidget* parent);
    void RememberFolder(const QString& folder);
    // The target of the stored settings, or the default one with a message when it is not known.
    void CheckStoredTarget();

    // The ConversionSettings fields, then the window option.
    ConversionSettings settings_;
    int alwaysOnTop_ = 0;
    int useOutputFolder_ = 0;
    QString outputFolder_;
    QStringList recentFolders_;
    static constexpr int kRecentFolders = 8;
    std::optional<int> unknownTarget_;  // the stored target when it was not known
    std::unique_ptr<SettingsStore> ownStore_;
    SettingsStore* store_;
    std::unique_ptr<CMainFrame> mainFrame_;
    FileChooser chooser_;
    // The handler the program's notices replaced, given back when the program ends.
    NoticeHandler previousNoticeHandler_;
    UiThreadCall noticeCall_;  // notices from a worker wait for their box
};

}  // namespace kyn::app
