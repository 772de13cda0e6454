#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

#include <QCloseEvent>
#include <QFileInfo>
#include <QSplitter>

#include "app/Artwork.h"
#include "app/ChildView.h"
#include "app/MessageBoxes.h"
#include "app/PreviewPane.h"
#include "app/ResultsPanel.h"
#include "conversion/TargetFormat.h"
#include "app/HelpViewer.h"
#include "app/Resources.h"

#if defined(KYN_HAVE_X11)
#include <X11/XKBlib.h>
#endif

namespace kyn::app {

namespace {

struct Prompt {
    int id;
    const char* text;  // status-bar text, then "\n" and the tool tip
};

constexpr Prompt kPrompts[] = {
    {ID_FILE_OPEN, "Open and convert a DataStore...\nOpen and convert..."},
    {ID_FILE_PREVIEW, "Show what a file holds without converting it\nOpen for preview..."},
    {ID_VIEW_OPTIONS, "Set application defaults and conversion options.\nOptions..."},
    {ID_VIEW_ALWAYSONTOP, "Ensure KYNDataConvert is always on top"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_HELP_FINDER, "List Help topics\nHelp Topics"},
    {ID_HELP, "Display help for current task or command\nHelp"},
    {ID_CONTEXT_HELP, "Display help for clicked on buttons, menus and windows\nContextual Help"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
};

QString PromptOf(int id) {
    for (const Prompt& p : kPrompts)
        if (p.id == id) return QString::fromLatin1(p.text);
    return {};
}

// Which lock keys are on; false where the windowing system cannot tell.
struct LockState {
    bool caps = false, num = false, scroll = false;
};

LockState QueryLocks() {
    LockState s;
#if defined(KYN_HAVE_X11)
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* d = x11 && QGuiApplication::platformName() == QLatin1String("xcb") ? x11->display() : nullptr;
    if (d) {
        const auto on = [d](const char* name) {
            Bool state = False;
            const Atom atom = XInternAtom(d, name, True);
            if (atom != None) XkbGetNamedIndicator(d, atom, nullptr, &state, nullptr, nullptr);
            return state == True;
        };
        s.caps = on("Caps Lock");
        s.num = on("Num Lock");
        s.scroll = on("Scroll Lock");
    }
#endif
    return s;
}

}  // namespace

CMainFrame::CMainFrame(const ConversionSettings& settings, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(AppIcon());
    setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    setDockOptions(QMainWindow::AnimatedDocks);

    CreateStatusBar();
    // On the left the drop picture with the results below it, on the right the preview; the
    // results and the preview appear with the first job.
    auto* columns = new QSplitter(Qt::Horizontal, this);
    columns->setObjectName(QStringLiteral("MainSplitter"));
    auto* rows = new QSplitter(Qt::Vertical, columns);
    view_ = new CChildView(settings, rows);
    results_ = new ResultsPanel(rows);
    results_->hide();
    rows->setStretchFactor(0, 0);
    rows->setStretchFactor(1, 1);
    rows->setChildrenCollapsible(false);
    preview_ = new PreviewPane(columns);
    preview_->hide();
    columns->setStretchFactor(0, 3);
    columns->setStretchFactor(1, 2);
    columns->setChildrenCollapsible(false);
    setCentralWidget(columns);
    CreateMenus();
    CreateToolBar();

    connect(view_, &CChildView::JobQueued, this, [this](int waiting) {
        if (waiting == 1)
            statusBar()->showMessage(tr("A conversion is queued: it starts when the current one has finished its last file."));
        else if (waiting > 1)
            statusBar()->showMessage(
                tr("%1 conversions are queued: they start when the current one has finished its last file.").arg(waiting));
        else
            statusBar()->clearMessage();
    });
    connect(view_, &CChildView::JobStarted, this, [this](quint64 generation, const std::vector<std::filesystem::path>& inputs) {
        if (results_->isHidden()) {
            // Shown together, so that selecting a row does not move the list.
            results_->show();
            preview_->show();
            // Room for the list under the picture and the preview beside them.
            if (width() < 960 || height() < 600) resize(std::max(width(), 960), std::max(height(), 600));
            if (auto* columns = findChild<QSplitter*>(QStringLiteral("MainSplitter"))) {
                const int w = columns->width() > 0 ? columns->width() : width();
                columns->setSizes({w * 11 / 20, w * 9 / 20});
                if (auto* rows = qobject_cast<QSplitter*>(columns->widget(0)))
                    rows->setSizes({view_->Picture().height() + 16, std::max(200, rows->height() - view_->Picture().height())});
            }
        }
        results_->AddJob(generation, inputs);
    });
    connect(view_, &CChildView::JobStatusChanged, results_, &ResultsPanel::ShowStatus);
    connect(view_, &CChildView::FileFinished, results_, &ResultsPanel::AddResult);
    connect(view_, &CChildView::JobEnded, results_, &ResultsPanel::EndJob);
    connect(view_, &CChildView::BusyChanged, this, [this](bool busy) {
        // While a job is up nothing may start another one or change the settings it copied.
        Action(ID_FILE_OPEN)->setEnabled(!busy);
        Action(ID_VIEW_OPTIONS)->setEnabled(!busy);
        results_->SetAcceptingFiles(!busy);
    });
    connect(results_, &ResultsPanel::FileSelected, preview_, &PreviewPane::ShowFile);
    connect(results_, &ResultsPanel::FilesDropped, view_, &CChildView::ConvertFiles);
    setFocusProxy(view_);
}

QAction* CMainFrame::AddCommand(int id, const QString& text, const QString& prompt) {
    auto* a = new QAction(text, this);
    a->setData(id);
    const QString statusText = prompt.section(QLatin1Char('\n'), 0, 0);
    const QString tip = prompt.section(QLatin1Char('\n'), 1);
    a->setStatusTip(statusText);
    a->setToolTip(tip.isEmpty() ? QString(text).remove(QLatin1Char('&')) : tip);
    a->setWhatsThis(statusText);
    actions_[id] = a;
    return a;
}

QAction* CMainFrame::Action(int commandId) const {
    const auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenus() {
    QAction* convert = AddCommand(ID_FILE_OPEN, QStringLiteral("C&onvert..."), PromptOf(ID_FILE_OPEN));
    convert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    convert->setIcon(QIcon(QPixmap::fromImage(ToolbarImage(0))));
    QAction* preview = AddCommand(ID_FILE_PREVIEW, QStringLiteral("Open for &Preview..."), PromptOf(ID_FILE_PREVIEW));
    preview->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    QAction* exit = AddCommand(ID_APP_EXIT, QStringLiteral("E&xit"), PromptOf(ID_APP_EXIT));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Also from the progress window: closing asks about the running job.
    exit->setShortcutContext(Qt::ApplicationShortcut);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QAction* toolbar = AddCommand(ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"), PromptOf(ID_VIEW_TOOLBAR));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* statusBarAction = AddCommand(ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), PromptOf(ID_VIEW_STATUS_BAR));
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    connect(statusBarAction, &QAction::toggled, statusBar(), &QWidget::setVisible);
    QAction* onTop = AddCommand(ID_VIEW_ALWAYSONTOP, QStringLiteral("&Always on Top"), PromptOf(ID_VIEW_ALWAYSONTOP));
    onTop->setCheckable(true);
    QAction* options = AddCommand(ID_VIEW_OPTIONS, QStringLiteral("Options..."), PromptOf(ID_VIEW_OPTIONS));
    options->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    options->setIcon(QIcon(QPixmap::fromImage(ToolbarImage(1))));

    QAction* topics = AddCommand(ID_HELP_FINDER, QStringLiteral("&Help Topics"), PromptOf(ID_HELP_FINDER));
    connect(topics, &QAction::triggered, this, [this] { ShowHelp(this, QStringLiteral("index.html")); });
    QAction* about = AddCommand(ID_APP_ABOUT, QStringLiteral("&About KYN Varnix Converter..."), PromptOf(ID_APP_ABOUT));
    about->setIcon(QIcon(QPixmap::fromImage(ToolbarImage(3))));

    // Accelerators and toolbar buttons without a menu item.
    QAction* help = AddCommand(ID_HELP, QStringLiteral("Help"), PromptOf(ID_HELP));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setIcon(QIcon(QPixmap::fromImage(ToolbarImage(2))));
    connect(help, &QAction::triggered, this, [this] { ShowHelp(this, QStringLiteral("window.html")); });
    QAction* context = AddCommand(ID_CONTEXT_HELP, QStringLiteral("Contextual Help"), PromptOf(ID_CONTEXT_HELP));
    context->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    context->setIcon(QIcon(QPixmap::fromImage(ToolbarImage(4))));
    connect(context, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(help);
    addAction(context);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(convert);
    file->addAction(preview);
    file->addSeparator();
    file->addAction(exit);
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(toolbar);
    view->addAction(statusBarAction);
    view->addAction(onTop);
    view->addSeparator();
    view->addAction(options);
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->addAction(topics);
    helpMenu->addSeparator();
    helpMenu->addAction(about);
}

void CMainFrame::CreateToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Standard"), this);
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setIconSize(QSize(kToolbarButtonWidth, kToolbarButtonHeight));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->addAction(Action(ID_FILE_OPEN));
    toolBar_->addAction(Action(ID_VIEW_OPTIONS));
    toolBar_->addAction(Action(ID_HELP));
    toolBar_->addSeparator();
    toolBar_->addAction(Action(ID_APP_ABOUT));
    toolBar_->addAction(Action(ID_CONTEXT_HELP));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    QAction* toggle = Action(ID_VIEW_TOOLBAR);
    connect(toggle, &QAction::toggled, toolBar_, &QWidget::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    idle_ = new QLabel(QStringLiteral("For Help, press F1"), bar);
    bar->addWidget(idle_, 1);
    const auto indicator = [bar](const char* text) {
        auto* l = new QLabel(bar);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QString::fromLatin1(text)) + 6);
        l->setProperty("indicatorText", QString::fromLatin1(text));
        bar->addPermanentWidget(l);
        return l;
    };
    target_ = new QLabel(bar);
    target_->setObjectName(QStringLiteral("TargetLabel"));
    bar->addPermanentWidget(target_);
    caps_ = indicator("CAP");
    num_ = indicator("NUM");
    scroll_ = indicator("SCRL");
    indicatorTimer_ = new QTimer(this);
    indicatorTimer_->setInterval(250);
    connect(indicatorTimer_, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
    indicatorTimer_->start();
    UpdateIndicators();
}

void CMainFrame::UpdateIndicators() {
    const LockState s = QueryLocks();
    const auto set = [](QLabel* l, bool on) { l->setText(on ? l->property("indicatorText").toString() : QString()); };
    set(caps_, s.caps);
    set(num_, s.num);
    set(scroll_, s.scroll);
}

QString CMainFrame::IdleText() const { return idle_->text(); }

void CMainFrame::SetTopmost(int topmost) {
    const QRect geometry = this->geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost == 1);
    // Changing the flags hides the window; it comes back where it was.
    setGeometry(geometry);
    show();
}

bool CMainFrame::IsTopmost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

QString TargetDisplayName(const ConversionSettings& settings) {
    for (const FormatInfo* f : TargetRows()) {
        if (f->target.index != settings.DefaultFileType) continue;
        if (f == &kVarnixCsvFormat && settings.StripHeaderInformation == 1) return QStringLiteral("SimpleCSV");
        // One target, two formats: the spectrakinetic one when the store holds spectra over time.
        if (f->target.index == 4) return QStringLiteral("KYN-ASCII");
        return QString::fromLatin1(f->name);
    }
    return {};
}

void CMainFrame::ShowTarget(const ConversionSettings& settings) {
    const TargetFormat* target = FindTarget(TargetFormats(), settings.DefaultFileType);
    if (!target) {
        target_->setText(tr("No target"));
        view_->SetTargetExtension({});
        return;
    }
    const QString extension = QString::fromStdString(TargetExtension(*target, settings.UseSensibleExtensions));
    const QString name = TargetDisplayName(settings);
    // Short, so that it fits beside the idle text in the narrow window.
    target_->setText(tr("%1 (%2)").arg(name, extension));
    target_->setToolTip(tr("Dropped files are converted into %1; change it under View > Options...").arg(name));
    view_->SetTargetExtension(extension);
}

QString CMainFrame::TargetText() const { return target_->text(); }

void CMainFrame::PreviewFile(const QString& path) {
    if (preview_->isHidden()) {
        preview_->show();
        if (width() < 960 || height() < 600) resize(std::max(width(), 960), std::max(height(), 600));
    }
    preview_->ShowFile(path);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (view_->IsBusy()) {
        BoxRequest r;
        r.parent = this;
        r.icon = QMessageBox::Question;
        r.caption = QString::fromLatin1(kAppTitle);
        r.text = tr("A conversion is running.\n\nStop it after the current file and quit?");
        r.buttons = QMessageBox::Yes | QMessageBox::No;
        r.defaultButton = QMessageBox::No;
        r.buttonTexts = {{QMessageBox::Yes, tr("&Stop and Quit")}, {QMessageBox::No, tr("&Keep Converting")}};
        r.jobQuestion = true;
        const QMessageBox::StandardButton answer = Boxes().Ask(r).button;
        // Closed unanswered: the job ended while the question was up, so nothing is left to stop.
        const bool quit = answer == QMessageBox::Yes || (answer == QMessageBox::NoButton && !view_->IsBusy());
        if (!quit) {
            event->ignore();
            return;
        }
        view_->StopForQuit();
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::focusInEvent(QFocusEvent* event) {
    QMainWindow::focusInEvent(event);
    view_->setFocus();
}

}  // namespace kyn::app
