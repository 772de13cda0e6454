#include "app/ChildView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "app/Artwork.h"
#include "app/MessageBoxes.h"
#include "app/ProgressDlg.h"

namespace kyn::app {

namespace {
std::atomic<int> g_abandoned{0};
// The relays of workers left running at the end: still in use by them, so never deleted.
std::vector<JobMessageRelay*>& AbandonedRelays() {
    static auto* relays = new std::vector<JobMessageRelay*>;
    return *relays;
}
// How long the program's end waits for a worker told to stop before leaving it.
constexpr int kExitWaitMs = 3000;
}  // namespace

int CChildView::AbandonedWorkers() { return g_abandoned.load(); }

CChildView::CChildView(const ConversionSettings& settings, QWidget* parent)
    : QFrame(parent), settings_(settings), state_(std::make_shared<WorkerState>()), relay_(new JobMessageRelay) {
    state_->formats = DefaultJobFormats();
    setObjectName(QStringLiteral("ChildView"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    targetExtension_ = QStringLiteral(".csv");
    picture_ = ClientPicture(targetExtension_);
    setWhatsThis(tr("<b>Drop area</b><p>Drop DataStore files here to convert them into the format chosen "
                    "under View &gt; Options.... Several files dropped together make one job; folders are "
                    "passed over.</p>"));
    relay_->SetResultSink([this](quint64 generation, const FileResult& r) { emit FileFinished(generation, r); });
    connect(relay_, &JobMessageRelay::WorkerEnded, this, &CChildView::OnWorkerEnded);
}

CChildView::~CChildView() {
    relay_->SetResultSink({});
    disconnect(relay_, nullptr, this, nullptr);
    queued_.clear();
    // A worker told to stop may still be finishing its file. It is waited for a short while; one
    // that does not return (a file on a drive that stopped answering) is left with its state,
    // which it shares, and the relay, which it posts to.
    state_->stop.Set();
    if (WaitForWorker(kExitWaitMs)) {
        delete relay_;
    } else {
        ++g_abandoned;
        AbandonedRelays().push_back(relay_);
        std::fprintf(stderr, "kyndataconverter: a conversion was still finishing its last file at the end\n");
        worker_.detach();
    }
}

bool CChildView::IsBusy() const { return dialog_ && dialog_->IsBusy(); }

QPoint CChildView::PictureOrigin() const {
    const QRect r = contentsRect();
    // Integer division: a client area smaller than the picture shows its middle part.
    return {r.left() + (r.width() - picture_.width()) / 2, r.top() + (r.height() - picture_.height()) / 2};
}

void CChildView::SetTargetExtension(const QString& extension) {
    if (extension == targetExtension_) return;
    targetExtension_ = extension;
    picture_ = ClientPicture(extension);
    update();
}

void CChildView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setClipRect(contentsRect());
    p.drawImage(PictureOrigin(), picture_);
}

std::vector<std::filesystem::path> CChildView::LocalPaths(const QMimeData* mime) {
    std::vector<std::filesystem::path> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QByteArray local = QFile::encodeName(url.toLocalFile());
        paths.emplace_back(std::string(local.constData(), static_cast<std::size_t>(local.size())));
    }
    return paths;
}

void CChildView::dragEnterEvent(QDragEnterEvent* event) {
    if (!HasProgressDialog() && !LocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void CChildView::dragMoveEvent(QDragMoveEvent* event) {
    if (!HasProgressDialog() && !LocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void CChildView::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> paths = LocalPaths(event->mimeData());
    if (HasProgressDialog() || paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The job runs after the drop has been completed, so the program the files came from is
    // not kept waiting for the whole conversion.
    QTimer::singleShot(0, this, [this, paths = std::move(paths)] { ConvertFiles(paths); });
}

void CChildView::ConvertFile(const QString& path) {
    const QByteArray local = QFile::encodeName(path);
    ConvertFiles({std::filesystem::path(std::string(local.constData(), static_cast<std::size_t>(local.size())))});
}

bool CChildView::WaitForWorker(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    // The worker may still ask a question (answered Cancel once its dialog has gone) or post
    // messages: keep serving them, but take no user input meanwhile.
    while (state_->running.load() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(5);
    }
    if (state_->running.load()) return false;
    if (worker_.joinable()) worker_.join();
    // Messages the worker queued last are delivered (and dropped) now, not into the next job.
    QCoreApplication::sendPostedEvents(relay_);
    return true;
}

void CChildView::ConvertFiles(const std::vector<std::filesystem::path>& paths) {
    // One job at a time: a job asked for meanwhile waits its turn without keeping the window
    // waiting.
    if (HasProgressDialog() || state_->running.load()) {
        queued_.push_back(paths);
        emit JobQueued(static_cast<int>(queued_.size()));
        return;
    }
    StartJob(paths);
}

void CChildView::StartJob(const std::vector<std::filesystem::path>& paths) {
    if (worker_.joinable()) worker_.join();  // returned already: `running` is false
    QCoreApplication::sendPostedEvents(relay_);

    WorkerState& s = *state_;
    s.job = ConversionJob::FromSettings(settings_, paths);
    const QByteArray folder = QFile::encodeName(outputDirectory_);
    s.job.OutputDirectory = std::string(folder.constData(), static_cast<std::size_t>(folder.size()));

    auto* dialog = new CProgressDlg(s.status, s.stop, window(), &s.notes);
    dialog_ = dialog;
    const quint64 generation = ++generation_;
    relay_->Attach(dialog, generation);
    s.stop.Reset();
    s.status.Set({});
    s.notes.Clear();
    ++jobsStarted_;
    severalFiles_ = paths.size() > 1;
    emit JobStarted(generation, paths);
    emit BusyChanged(true);

    QWidget* boxParent = window();
    const int files = static_cast<int>(paths.size());
    std::shared_ptr<WorkerState> shared = state_;
    JobMessageRelay* relay = relay_;
    shared->running.store(true);
    worker_ = std::thread([shared, relay, generation, boxParent, files] {
        QtJobPlatform platform(*relay, generation, shared->status, shared->stop, boxParent, &shared->notes, files);
        try {
            RunConversionJob(shared->job, platform, shared->formats);
        } catch (...) {
            // The job reports every per-file failure itself; nothing else may end the program.
        }
        shared->running.store(false);
        relay->PostWorkerEnded(generation);
    });

    // The dialog is not modal: the main window stays responsive (its results list, closing the
    // window), while the frame disables what must not start during a job. The job's status
    // reaches the results list with each progress message.
    connect(dialog, &CProgressDlg::StatusChanged, this,
            [this, generation](const JobStatus& status) { emit JobStatusChanged(generation, status); });
    QEventLoop loop;
    connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog->show();
    if (dialog->isVisible()) loop.exec();
    // The program may end while the dialog is still up: a job without its dialog is stopped.
    if (dialog->IsBusy()) s.stop.Set();
    relay_->Detach();
    dialog_ = nullptr;
    delete dialog;
    emit BusyChanged(false);
    if (!queued_.empty()) QTimer::singleShot(0, this, &CChildView::StartNextQueued);
}

void CChildView::StartNextQueued() {
    if (queued_.empty() || HasProgressDialog() || state_->running.load()) return;
    std::vector<std::filesystem::path> next = std::move(queued_.front());
    queued_.pop_front();
    emit JobQueued(static_cast<int>(queued_.size()));
    StartJob(next);
}

void CChildView::OnWorkerEnded(quint64 generation) {
    emit JobEnded(generation);
    if (!queued_.empty()) QTimer::singleShot(0, this, &CChildView::StartNextQueued);
}

void CChildView::StopForQuit() {
    queued_.clear();
    state_->stop.Set();
    if (dialog_) dialog_->CloseWithoutAsking();
}

void CChildView::ShowNotice(const Notice& n) {
    const quint64 generation = generation_;
    const bool inJob = relay_->IsAttached(generation);
    // A job whose dialog has gone asks nothing more; its notices go to the error stream.
    if (!inJob && state_->running.load()) {
        std::fprintf(stderr, "%s: %s\n", n.caption.c_str(), n.text.c_str());
        return;
    }
    if (inJob && quietNotices_.count({generation, n.text})) return;
    BoxRequest r;
    r.parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : dialog_.data();
    switch (n.style & 0xF0) {
        case notice::kIconStop: r.icon = QMessageBox::Critical; break;
        case notice::kIconExclamation: r.icon = QMessageBox::Warning; break;
        default: r.icon = QMessageBox::Information; break;
    }
    r.caption = QString::fromStdString(n.caption);
    r.text = QString::fromStdString(n.text);
    const JobStatus status = state_->status.Get();
    if (inJob && severalFiles_ && !status.input.empty()) r.informative = QStringLiteral("File: %1").arg(QString::fromStdString(status.input));
    // A job of one file shows the box as it always was.
    if (inJob && severalFiles_) r.checkBox = QStringLiteral("Don't show again during this job");
    const BoxAnswer answer = Boxes().Ask(r);
    if (answer.checked) quietNotices_.insert({generation, n.text});
}

}  // namespace kyn::app
