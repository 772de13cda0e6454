// CKYNDataConverterApp: the application object. It owns the conversion settings and the
// Always on Top option for the whole run, reads them at start-up and writes them back at a
// normal end, creates and places the main window, shows the first-run message and handles
// Convert..., Options..., About... and Always on Top.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

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
    void OnViewOptions();
    void OnAppAbout();
    void OnViewAlwaysOnTop();

    // Picks the file for Convert...; an empty string is Cancel. Tests replace the dialog.
    using FileChooser = std::function<QString(QWidget* parent)>;
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    ConversionSettings& Settings() { return settings_; }
    int AlwaysOnTop() const { return alwaysOnTop_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }

private:
    QString ChooseFile(QWidget* parent);

    // The ConversionSettings fields, then the window option.
    ConversionSettings settings_;
    int alwaysOnTop_ = 0;
    std::unique_ptr<SettingsStore> ownStore_;
    SettingsStore* store_;
    std::unique_ptr<CMainFrame> mainFrame_;
    FileChooser chooser_;
    // The handler the program's notices replaced, given back when the program ends.
    NoticeHandler previousNoticeHandler_;
    UiThreadCall noticeCall_;  // notices from a worker wait for their box
};

}  // namespace kyn::app
