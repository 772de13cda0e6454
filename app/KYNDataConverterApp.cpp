#include "app/KYNDataConverterApp.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QRegularExpression>

#include "app/AboutDlg.h"
#include "app/Artwork.h"
#include "app/ChildView.h"
#include "app/MainFrame.h"
#include "app/MessageBoxes.h"
#include "app/OptionsDlg.h"
#include "app/QtSettingsStore.h"
#include "app/Resources.h"
#include "conversion/TargetFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace kyn::app {

QStringList OpenDialogFilters() {
    // "Description|patterns|" pairs; the patterns are separated by ';' (and blanks).
    const QStringList parts = QString::fromLatin1(kOpenFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString description = parts[i];
        // Qt reads the patterns from the last parenthesis, separated by blanks.
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

CKYNDataConverterApp::CKYNDataConverterApp(SettingsStore* store, QObject* parent) : QObject(parent), store_(store) {
    if (!store_) {
        ownStore_ = std::make_unique<QtSettingsStore>();
        store_ = ownStore_.get();
    }
}

CKYNDataConverterApp::~CKYNDataConverterApp() {
    // The main frame waits for a worker that may still notify; then the notices go back.
    mainFrame_.reset();
    SetNoticeHandler(previousNoticeHandler_);
}

namespace {

QMessageBox::Icon NoticeIcon(unsigned style) {
    switch (style & 0xF0) {
        case notice::kIconStop: return QMessageBox::Critical;
        case notice::kIconExclamation: return QMessageBox::Warning;
        default: return QMessageBox::Information;
    }
}

}  // namespace

bool CKYNDataConverterApp::InitInstance() {
    settings_ = LoadConversionSettings(*store_);
    alwaysOnTop_ = store_->ReadInt(kSettingsSection, kAlwaysOnTopValue).value_or(0);
    useOutputFolder_ = store_->ReadInt(kOptionsSection, kUseOutputFolderValue).value_or(0);
    {
        // Folder names are text, which the integer store does not hold; they live beside it.
        QSettings text(QString::fromLatin1(kOrganisation), QString::fromLatin1(kAppTitle));
        outputFolder_ = text.value(QStringLiteral("Options/%1").arg(QLatin1String(kOutputFolderValue))).toString();
        recentFolders_ =
            text.value(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection), QLatin1String(kRecentFoldersValue))).toStringList();
    }
    if (!FindTarget(TargetFormats(), settings_.DefaultFileType)) {
        unknownTarget_ = settings_.DefaultFileType;
        settings_.DefaultFileType = ConversionSettings{}.DefaultFileType;
    }

    // Boxes a writer raises itself appear on the user-interface thread; the worker waits for them.
    previousNoticeHandler_ = SetNoticeHandler([this](const Notice& n) {
        const auto show = [n] {
            Boxes().Show(QApplication::activeModalWidget(), NoticeIcon(n.style), QString::fromStdString(n.caption),
                         QString::fromStdString(n.text), QMessageBox::Ok, QMessageBox::Ok);
        };
        noticeCall_.Run([&show, this, &n] {
            // During a job the view knows which file the notice is about.
            if (mainFrame_)
                mainFrame_->View()->ShowNotice(n);
            else
                show();
            return 0;
        });
    });

    mainFrame_ = std::make_unique<CMainFrame>(settings_);
    CMainFrame* frame = mainFrame_.get();
    connect(frame->Action(ID_FILE_OPEN), &QAction::triggered, this, &CKYNDataConverterApp::OnFileConvert);
    connect(frame->Action(ID_FILE_PREVIEW), &QAction::triggered, this, &CKYNDataConverterApp::OnFilePreview);
    connect(frame->Action(ID_VIEW_OPTIONS), &QAction::triggered, this, &CKYNDataConverterApp::OnViewOptions);
    connect(frame->Action(ID_APP_ABOUT), &QAction::triggered, this, &CKYNDataConverterApp::OnAppAbout);
    connect(frame->Action(ID_VIEW_ALWAYSONTOP), &QAction::triggered, this, &CKYNDataConverterApp::OnViewAlwaysOnTop);

    // The window is sized from the picture it shows.
    const QImage picture = ClientPicture();
    frame->resize(picture.width() + 16, picture.height() + 116);
    frame->move(100, 100);
    frame->setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    frame->show();

    frame->ShowTarget(settings_);
    frame->View()->SetOutputDirectory(useOutputFolder_ == 1 ? outputFolder_ : QString());
    frame->SetTopmost(alwaysOnTop_);
    frame->Action(ID_VIEW_ALWAYSONTOP)->setChecked(alwaysOnTop_ == 1);
    frame->repaint();

    if (settings_.Configured == 0) ShowInformation(frame, QString::fromLatin1(kFirstRunMessage));
    CheckStoredTarget();
    return true;
}

void CKYNDataConverterApp::CheckStoredTarget() {
    if (!unknownTarget_) return;
    const TargetFormat* fallback = FindTarget(TargetFormats(), settings_.DefaultFileType);
    // Said once: the default is stored at the end, so the next start has nothing to say.
    ShowInformation(mainFrame_.get(),
                    QStringLiteral("The stored target format (%1) is not one this program knows.\n\n"
                                   "Files will be converted to %2 (%3) instead; choose another under View > Options....")
                        .arg(*unknownTarget_)
                        .arg(TargetDisplayName(settings_), QString::fromLatin1(fallback->extension)));
    unknownTarget_.reset();
}

void CKYNDataConverterApp::ExitInstance() {
    SaveConversionSettings(*store_, settings_);
    store_->WriteInt(kSettingsSection, kAlwaysOnTopValue, alwaysOnTop_);
    store_->WriteInt(kOptionsSection, kUseOutputFolderValue, useOutputFolder_);
    {
        QSettings text(QString::fromLatin1(kOrganisation), QString::fromLatin1(kAppTitle));
        text.setValue(QStringLiteral("Options/%1").arg(QLatin1String(kOutputFolderValue)), outputFolder_);
        text.setValue(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection), QLatin1String(kRecentFoldersValue)),
                      recentFolders_);
    }
    if (auto* qs = dynamic_cast<QtSettingsStore*>(store_)) qs->Flush();
}

QStringList CKYNDataConverterApp::ChooseFiles(QWidget* parent) {
    const QString last = LastFolder();
    const QString start = QFileInfo(last).isDir() ? last : QString();
    if (chooser_) return chooser_(parent, start);
    QFileDialog dialog(parent, QStringLiteral("Open"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(OpenDialogFilters());
    dialog.setDefaultSuffix(QString::fromLatin1(kOpenDefaultSuffix));
    if (!start.isEmpty()) dialog.setDirectory(start);
    dialog.setHistory(recentFolders_);
    QList<QUrl> places = dialog.sidebarUrls();
    for (const QString& folder : recentFolders_)
        if (QFileInfo(folder).isDir() && !places.contains(QUrl::fromLocalFile(folder))) places << QUrl::fromLocalFile(folder);
    dialog.setSidebarUrls(places);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

void CKYNDataConverterApp::OnFileConvert() {
    const QStringList paths = ChooseFiles(mainFrame_.get());
    if (paths.isEmpty() || !mainFrame_) return;
    RememberFolder(QFileInfo(paths.front()).absolutePath());
    std::vector<std::filesystem::path> files;
    for (const QString& p : paths) {
        const QByteArray local = QFile::encodeName(p);
        files.emplace_back(std::string(local.constData(), static_cast<std::size_t>(local.size())));
    }
    mainFrame_->View()->ConvertFiles(files);
}

void CKYNDataConverterApp::RememberFolder(const QString& folder) {
    recentFolders_.removeAll(folder);
    recentFolders_.prepend(folder);
    while (recentFolders_.size() > kRecentFolders) recentFolders_.removeLast();
}

void CKYNDataConverterApp::OnFilePreview() {
    const QStringList paths = ChooseFiles(mainFrame_.get());
    if (paths.isEmpty() || !mainFrame_) return;
    RememberFolder(QFileInfo(paths.front()).absolutePath());
    mainFrame_->PreviewFile(paths.front());
}

void CKYNDataConverterApp::SetOutputFolder(int use, const QString& folder) {
    useOutputFolder_ = use;
    outputFolder_ = folder;
    if (mainFrame_) mainFrame_->View()->SetOutputDirectory(use == 1 ? folder : QString());
}

void CKYNDataConverterApp::OnViewOptions() {
    COptionsDlg dialog(settings_, mainFrame_.get());
    dialog.SetOutputFolder(useOutputFolder_, outputFolder_);
    if (dialog.exec() != QDialog::Accepted) return;
    dialog.ApplyTo(settings_);
    settings_.Configured = 1;
    SetOutputFolder(dialog.UseOutputFolder(), dialog.OutputFolder());
    if (mainFrame_) mainFrame_->ShowTarget(settings_);
}

void CKYNDataConverterApp::OnAppAbout() {
    CAboutDlg dialog(mainFrame_.get());
    dialog.exec();
}

void CKYNDataConverterApp::OnViewAlwaysOnTop() {
    alwaysOnTop_ = alwaysOnTop_ != 1 ? 1 : 0;
    if (mainFrame_) {
        mainFrame_->SetTopmost(alwaysOnTop_);
        mainFrame_->Action(ID_VIEW_ALWAYSONTOP)->setChecked(alwaysOnTop_ == 1);
    }
}

}  // namespace kyn::app
