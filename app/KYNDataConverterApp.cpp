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

    // Boxes a writer raises itself appear on the user-interface thread; the worker waits for them.
    previousNoticeHandler_ = SetNoticeHandler([this](const Notice& n) {
        const auto show = [n] {
            Boxes().Show(QApplication::activeModalWidget(), NoticeIcon(n.style), QString::fromStdString(n.caption),
                         QString::fromStdString(n.text), QMessageBox::Ok, QMessageBox::Ok);
        };
        noticeCall_.Run([&show] {
            show();
            return 0;
        });
    });

    mainFrame_ = std::make_unique<CMainFrame>(settings_);
    CMainFrame* frame = mainFrame_.get();
    connect(frame->Action(ID_FILE_OPEN), &QAction::triggered, this, &CKYNDataConverterApp::OnFileConvert);
    connect(frame->Action(ID_VIEW_OPTIONS), &QAction::triggered, this, &CKYNDataConverterApp::OnViewOptions);
    connect(frame->Action(ID_APP_ABOUT), &QAction::triggered, this, &CKYNDataConverterApp::OnAppAbout);
    connect(frame->Action(ID_VIEW_ALWAYSONTOP), &QAction::triggered, this, &CKYNDataConverterApp::OnViewAlwaysOnTop);

    // The window is sized from the picture it shows.
    const QImage picture = ClientPicture();
    frame->resize(picture.width() + 16, picture.height() + 116);
    frame->move(100, 100);
    frame->setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    frame->show();

    frame->SetTopmost(alwaysOnTop_);
    frame->Action(ID_VIEW_ALWAYSONTOP)->setChecked(alwaysOnTop_ == 1);
    frame->repaint();

    if (settings_.Configured == 0) ShowInformation(frame, QString::fromLatin1(kFirstRunMessage));
    return true;
}

void CKYNDataConverterApp::ExitInstance() {
    SaveConversionSettings(*store_, settings_);
    store_->WriteInt(kSettingsSection, kAlwaysOnTopValue, alwaysOnTop_);
    if (auto* qs = dynamic_cast<QtSettingsStore*>(store_)) qs->Flush();
}

QString CKYNDataConverterApp::ChooseFile(QWidget* parent) {
    if (chooser_) return chooser_(parent);
    QFileDialog dialog(parent, QStringLiteral("Open"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(OpenDialogFilters());
    dialog.setDefaultSuffix(QString::fromLatin1(kOpenDefaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void CKYNDataConverterApp::OnFileConvert() {
    const QString path = ChooseFile(mainFrame_.get());
    if (path.isEmpty() || !mainFrame_) return;
    mainFrame_->View()->ConvertFile(path);
}

void CKYNDataConverterApp::OnViewOptions() {
    COptionsDlg dialog(settings_, mainFrame_.get());
    if (dialog.exec() != QDialog::Accepted) return;
    dialog.ApplyTo(settings_);
    settings_.Configured = 1;
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
