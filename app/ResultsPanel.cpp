#include "app/ResultsPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ChildView.h"

namespace kyn::app {

namespace {

enum Role { kGenerationRole = Qt::UserRole, kInputRole, kOutputRole, kStateRole, kReasonRole };

QString FromLocal(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

ResultsPanel::State StateOfOutcome(FileResult::Outcome outcome) {
    switch (outcome) {
        case FileResult::Outcome::Converted: return ResultsPanel::State::Converted;
        case FileResult::Outcome::ConvertedWithWarnings: return ResultsPanel::State::ConvertedWithWarnings;
        case FileResult::Outcome::Skipped: return ResultsPanel::State::Skipped;
        case FileResult::Outcome::Failed: return ResultsPanel::State::Failed;
        case FileResult::Outcome::PassedOver: return ResultsPanel::State::PassedOver;
    }
    return ResultsPanel::State::Failed;
}

bool Ended(ResultsPanel::State s) {
    return s != ResultsPanel::State::Waiting && s != ResultsPanel::State::Converting;
}

QIcon IconOf(ResultsPanel::State s) {
    QStyle* style = QApplication::style();
    switch (s) {
        case ResultsPanel::State::Waiting: return style->standardIcon(QStyle::SP_BrowserReload);
        case ResultsPanel::State::Converting: return style->standardIcon(QStyle::SP_MediaPlay);
        case ResultsPanel::State::Converted: return style->standardIcon(QStyle::SP_DialogApplyButton);
        case ResultsPanel::State::ConvertedWithWarnings: return style->standardIcon(QStyle::SP_MessageBoxWarning);
        case ResultsPanel::State::Skipped: return style->standardIcon(QStyle::SP_DialogNoButton);
        case ResultsPanel::State::Failed: return style->standardIcon(QStyle::SP_MessageBoxCritical);
        case ResultsPanel::State::PassedOver: return style->standardIcon(QStyle::SP_MessageBoxInformation);
        case ResultsPanel::State::NotReached: return style->standardIcon(QStyle::SP_MediaStop);
    }
    return {};
}

}  // namespace

QString ResultsPanel::StateName(State s) {
    switch (s) {
        case State::Waiting: return QStringLiteral("waiting");
        case State::Converting: return QStringLiteral("converting");
        case State::Converted: return QStringLiteral("converted");
        case State::ConvertedWithWarnings: return QStringLiteral("converted with warnings");
        case State::Skipped: return QStringLiteral("skipped");
        case State::Failed: return QStringLiteral("failed");
        case State::PassedOver: return QStringLiteral("passed over");
        case State::NotReached: return QStringLiteral("not reached");
    }
    return {};
}

ResultsPanel::ResultsPanel(QWidget* parent) : QWidget(parent), opener_([](const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}) {
    setObjectName(QStringLiteral("ResultsPanel"));
    // Once the list is shown the picture is small: files dropped on the list are taken too.
    setAcceptDrops(true);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("Results"));
    tree_->setColumnCount(kColumns);
    tree_->setHeaderLabels({tr("File"), tr("State"), tr("Output"), tr("Reason"), tr("Warnings")});
    tree_->setRootIsDecorated(false);
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->header()->setStretchLastSection(true);
    tree_->setColumnWidth(kFile, 160);
    tree_->setColumnWidth(kState, 150);
    tree_->setColumnWidth(kOutput, 160);
    tree_->setColumnWidth(kReason, 220);
    tree_->setWhatsThis(tr("<b>Results</b><p>Every file of every conversion since the program started, with what "
                           "became of it and why. Double-click a row to open the folder of its output; the "
                           "context menu copies the paths or the reason.</p>"));

    auto* title = new QLabel(tr("Results"), this);
    clear_ = new QPushButton(tr("C&lear"), this);
    clear_->setObjectName(QStringLiteral("ClearResults"));
    clear_->setToolTip(tr("Remove the rows of conversions that have ended"));
    connect(clear_, &QPushButton::clicked, this, &ResultsPanel::ClearFinished);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(title);
    top->addStretch(1);
    top->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(tree_);

    connect(tree_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenFolderOf(tree_->indexOfTopLevelItem(item)); });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = tree_->itemAt(at);
        if (!item) return;
        QMenu* menu = MenuFor(tree_->indexOfTopLevelItem(item));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(tree_->viewport()->mapToGlobal(at));
    });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        // What was measured: the input, or the output when the input is gone (deleted after its
        // conversion); many outputs are exports that cannot be read back.
        const QString input = item->data(kFile, kInputRole).toString();
        const QString output = item->data(kFile, kOutputRole).toString();
        emit FileSelected(QFileInfo::exists(input) || output.isEmpty() ? input : output);
    });
}

void ResultsPanel::dragEnterEvent(QDragEnterEvent* event) {
    if (accepting_ && !CChildView::LocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void ResultsPanel::dragMoveEvent(QDragMoveEvent* event) {
    if (accepting_ && !CChildView::LocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void ResultsPanel::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> paths = CChildView::LocalPaths(event->mimeData());
    if (!accepting_ || paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The job starts after the drop has been completed, as on the picture.
    QTimer::singleShot(0, this, [this, paths = std::move(paths)] { emit FilesDropped(paths); });
}

void ResultsPanel::AddJob(quint64 generation, const std::vector<std::filesystem::path>& inputs) {
    QTreeWidgetItem* last = nullptr;
    for (const std::filesystem::path& p : inputs) {
        const QString path = FromLocal(p.string());
        auto* item = new QTreeWidgetItem(tree_);
        item->setText(kFile, QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName());
        item->setToolTip(kFile, path);
        item->setData(kFile, kGenerationRole, generation);
        item->setData(kFile, kInputRole, path);
        SetState(item, State::Waiting);
        last = item;
    }
    if (last) tree_->scrollToItem(last);
}

QTreeWidgetItem* ResultsPanel::FindRow(quint64 generation, const QString& input, bool byName) const {
    // The job takes its inputs from the last to the first: the last open row of that name is next.
    for (int i = tree_->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        if (item->data(kFile, kGenerationRole).toULongLong() != generation) continue;
        if (Ended(static_cast<State>(item->data(kFile, kStateRole).toInt()))) continue;
        const QString path = item->data(kFile, kInputRole).toString();
        if (byName ? QFileInfo(path).fileName() == input : path == input) return item;
    }
    return nullptr;
}

void ResultsPanel::SetState(QTreeWidgetItem* item, State state) {
    item->setData(kFile, kStateRole, static_cast<int>(state));
    item->setIcon(kState, IconOf(state));
    item->setText(kState, StateName(state));
}

void ResultsPanel::ShowStatus(quint64 generation, const JobStatus& status) {
    if (status.action != JobStatus::Action::Converting) return;
    if (QTreeWidgetItem* item = FindRow(generation, QString::fromStdString(status.input), true)) {
        SetState(item, State::Converting);
        tree_->scrollToItem(item);
    }
}

void ResultsPanel::AddResult(quint64 generation, const FileResult& r) {
    QTreeWidgetItem* item = FindRow(generation, FromLocal(r.input), false);
    if (!item) return;  // cleared meanwhile
    SetState(item, StateOfOutcome(r.outcome));
    const QString output = FromLocal(r.output);
    item->setData(kFile, kOutputRole, output);
    item->setText(kOutput, QFileInfo(output).fileName());
    item->setToolTip(kOutput, output);
    const QString reason = QString::fromStdString(r.reason);
    item->setData(kFile, kReasonRole, reason);
    item->setText(kReason, reason);
    item->setToolTip(kReason, reason);
    QStringList warnings;
    for (const std::string& w : r.warnings) warnings << QString::fromStdString(w);
    item->setText(kWarnings, warnings.join(QStringLiteral("; ")));
    item->setToolTip(kWarnings, warnings.join(QLatin1Char('\n')));
}

void ResultsPanel::EndJob(quint64 generation) {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        if (item->data(kFile, kGenerationRole).toULongLong() != generation) continue;
        if (Ended(static_cast<State>(item->data(kFile, kStateRole).toInt()))) continue;
        SetState(item, State::NotReached);
        const QString reason = tr("the job ended before this file");
        item->setData(kFile, kReasonRole, reason);
        item->setText(kReason, reason);
    }
}

void ResultsPanel::ClearFinished() {
    for (int i = tree_->topLevelItemCount() - 1; i >= 0; --i)
        if (Ended(StateOf(i))) delete tree_->takeTopLevelItem(i);
}

int ResultsPanel::RowCount() const { return tree_->topLevelItemCount(); }

ResultsPanel::State ResultsPanel::StateOf(int row) const {
    return static_cast<State>(tree_->topLevelItem(row)->data(kFile, kStateRole).toInt());
}

QString ResultsPanel::Text(int row, Column column) const { return tree_->topLevelItem(row)->text(column); }
QString ResultsPanel::InputPath(int row) const { return tree_->topLevelItem(row)->data(kFile, kInputRole).toString(); }
QString ResultsPanel::OutputPath(int row) const { return tree_->topLevelItem(row)->data(kFile, kOutputRole).toString(); }

void ResultsPanel::OpenFolderOf(int row) {
    if (row < 0 || row >= RowCount()) return;
    const QString output = OutputPath(row);
    const QString path = output.isEmpty() || !QFileInfo::exists(output) ? InputPath(row) : output;
    if (opener_) opener_(QFileInfo(path).absolutePath());
}

QMenu* ResultsPanel::MenuFor(int row) {
    auto* menu = new QMenu(this);
    const QString input = InputPath(row), output = OutputPath(row);
    const QString reason = tree_->topLevelItem(row)->data(kFile, kReasonRole).toString();
    const auto add = [menu](const char* name, const QString& text, bool enabled, auto&& action) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, menu, action);
        return a;
    };
    const auto copy = [](const QString& text) { return [text] { QApplication::clipboard()->setText(text); }; };
    add("copyInput", tr("Copy &Input Path"), true, copy(input));
    add("copyOutput", tr("Copy &Output Path"), !output.isEmpty(), copy(output));
    add("copyReason", tr("Copy &Reason"), !reason.isEmpty(), copy(reason));
    menu->addSeparator();
    add("openFolder", tr("Open Containing &Folder"), true, [this, row] { OpenFolderOf(row); });
    add("clear", tr("C&lear Finished Rows"), true, [this] { ClearFinished(); });
    return menu;
}

}  // namespace kyn::app
