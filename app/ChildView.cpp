#include "app/ChildView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "app/Artwork.h"
#include "app/ProgressDlg.h"

namespace kyn::app {

CChildView::CChildView(const ConversionSettings& settings, QWidget* parent)
    : QFrame(parent), settings_(settings), formats_(DefaultJobFormats()) {
    setObjectName(QStringLiteral("ChildView"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    picture_ = ClientPicture();
    setWhatsThis(tr("<b>Drop area</b><p>Drop DataStore files here to convert them into the format chosen "
                    "under View &gt; Options.... Several files dropped together make one job; folders are "
                    "passed over.</p>"));
}

CChildView::~CChildView() {
    // A worker told to stop may still be finishing its file; it uses members of this view.
    WaitForWorker();
}

QPoint CChildView::PictureOrigin() const {
    const QRect r = contentsRect();
    // Integer division: a client area smaller than the picture shows its middle part.
    return {r.left() + (r.width() - picture_.width()) / 2, r.top() + (r.height() - picture_.height()) / 2};
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

void CChildView::WaitForWorker() {
    if (workerRunning_.load()) {
        emit WaitingForPreviousJob(true);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The worker may still ask a question or post messages: keep serving them, but take no
        // user input meanwhile (a question box has its own loop and still gets its answer).
        while (workerRunning_.load()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
            QThread::msleep(5);
        }
        QApplication::restoreOverrideCursor();
        emit WaitingForPreviousJob(false);
    }
    if (worker_.joinable()) worker_.join();
    // Messages the worker queued last are delivered (and dropped) now, not into the next job.
    QCoreApplication::sendPostedEvents(&relay_);
}

void CChildView::ConvertFiles(const std::vector<std::filesystem::path>& paths) {
    if (HasProgressDialog()) return;  // one job at a time
    WaitForWorker();

    ConversionJob job = ConversionJob::FromSettings(settings_, paths);
    job_ = std::move(job);

    auto* dialog = new CProgressDlg(status_, stop_, window(), &notes_);
    dialog_ = dialog;
    const quint64 generation = ++generation_;
    relay_.Attach(dialog, generation);
    stop_.Reset();
    status_.Set({});
    notes_.Clear();
    ++jobsStarted_;

    QWidget* boxParent = window();
    workerRunning_.store(true);
    worker_ = std::thread([this, generation, boxParent] {
        QtJobPlatform platform(relay_, generation, status_, stop_, boxParent, &notes_);
        try {
            RunConversionJob(job_, platform, formats_);
        } catch (...) {
            // The job reports every per-file failure itself; nothing else may end the program.
        }
        workerRunning_.store(false);
    });

    dialog->exec();
    relay_.Detach();
    dialog_ = nullptr;
    delete dialog;
}

}  // namespace kyn::app
