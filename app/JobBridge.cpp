#include "app/JobBridge.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <thread>

#include "app/MessageBoxes.h"
#include "app/ProgressDlg.h"
#include "app/Resources.h"

namespace kyn::app {

void JobMessageRelay::Attach(CProgressDlg* dialog, quint64 generation) {
    dialog_ = dialog;
    generation_ = generation;
}

void JobMessageRelay::Detach() { dialog_ = nullptr; }

void JobMessageRelay::Enqueue(Queued queued) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = queue_.empty();  // a wake-up is already on its way otherwise
        queue_.push_back(std::move(queued));
    }
    if (wake) QMetaObject::invokeMethod(this, "DeliverQueued", Qt::QueuedConnection);
}

void JobMessageRelay::Post(quint64 generation, JobMessage message, qint64 wParam, qint64 lParam) {
    Enqueue({generation, message, wParam, lParam, std::nullopt, false});
}

void JobMessageRelay::PostResult(quint64 generation, const FileResult& result) {
    Enqueue({generation, WM_JOB_PROGRESS, 0, 0, result, false});
}

void JobMessageRelay::PostWorkerEnded(quint64 generation) { Enqueue({generation, WM_JOB_PROGRESS, 0, 0, std::nullopt, true}); }

void JobMessageRelay::DeliverQueued() {
    std::deque<Queued> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    // Delivered outside the lock: a dialog may open a nested event loop while handling one.
    for (const Queued& queued : batch) Deliver(queued);
}

void JobMessageRelay::Deliver(const Queued& queued) {
    if (queued.workerEnded) {
        emit WorkerEnded(queued.generation);
        return;
    }
    if (queued.result) {
        if (sink_) sink_(queued.generation, *queued.result);
        return;
    }
    if (!dialog_ || queued.generation != generation_) {
        ++dropped_;
        return;
    }
    ++delivered_;
    dialog_->OnJobMessage(queued.message, queued.wParam, queued.lParam);
}

int JobMessageRelay::Ask(const std::function<int()>& question) { return questions_.Run(question); }

QtJobPlatform::QtJobPlatform(JobMessageRelay& relay, quint64 generation, SharedStatus& status, StopSignal& stop,
                             QWidget* boxParent, JobNotes* notes, int files)
    : relay_(relay),
      generation_(generation),
      status_(status),
      stop_(stop),
      boxParent_(boxParent),
      notes_(notes),
      severalFiles_(files > 1) {}

namespace {
QString FileNameOf(const std::string& path) { return QFileInfo(QFile::decodeName(path.c_str())).fileName(); }

// A reason as one sentence.
QString Sentence(const std::string& reason) {
    QString text = QString::fromStdString(reason).trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return text;
}
}  // namespace

void QtJobPlatform::ConvertedWithWarnings(const std::string& input, const std::string& output,
                                          const std::vector<std::string>& warnings, bool originalKept) {
    if (!notes_) return;
    QStringList lost;
    for (const std::string& w : warnings) lost << QString::fromStdString(w);
    QString line = QStringLiteral("%1 -> %2: %3").arg(FileNameOf(input), FileNameOf(output), lost.join(QStringLiteral("; ")));
    if (originalKept) line += QStringLiteral("; the original was kept");
    notes_->AddWarning(line + QLatin1Char('.'));
}

void QtJobPlatform::FileDone(const FileResult& result) {
    if (notes_) notes_->AddResult(result);
    relay_.PostResult(generation_, result);
}

void QtJobPlatform::Post(JobMessage message, std::int64_t wParam, std::int64_t lParam) {
    relay_.Post(generation_, message, wParam, lParam);
}

OverwriteAnswer QtJobPlatform::AskOverwrite(const std::string& text) {
    if (overwriteAll_) return *overwriteAll_;
    BoxRequest r;
    r.icon = QMessageBox::Question;
    r.caption = QString::fromLatin1(kAppTitle);
    r.text = QString::fromStdString(text);
    r.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    if (severalFiles_) r.buttons |= QMessageBox::YesToAll | QMessageBox::NoToAll;
    r.defaultButton = QMessageBox::Yes;
    QPointer<QWidget> parent = boxParent_;
    JobMessageRelay* relay = &relay_;
    const quint64 generation = generation_;
    const int answer = relay_.Ask([parent, r, relay, generation]() mutable {
        // The job's dialog has gone (the user quit it): nothing more is asked.
        if (!relay->IsAttached(generation)) return static_cast<int>(QMessageBox::Cancel);
        // While the progress dialog is up the question belongs to it.
        r.parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent.data();
        return static_cast<int>(Boxes().Ask(r).button);
    });
    switch (answer) {
        case QMessageBox::Yes: return OverwriteAnswer::Yes;
        case QMessageBox::No: return OverwriteAnswer::No;
        case QMessageBox::YesToAll: return *(overwriteAll_ = OverwriteAnswer::Yes);
        case QMessageBox::NoToAll: return *(overwriteAll_ = OverwriteAnswer::No);
        default: return OverwriteAnswer::Cancel;
    }
}

FailureAnswer QtJobPlatform::AskFailure(const std::string& text, const QString& reason) {
    BoxRequest r;
    r.icon = QMessageBox::Warning;
    r.caption = QString::fromLatin1(kAppTitle);
    r.text = QString::fromStdString(text);
    if (!reason.isEmpty()) r.informative = QStringLiteral("Reason: %1").arg(reason);
    r.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    r.defaultButton = QMessageBox::Ok;
    JobMessageRelay* relay = &relay_;
    const quint64 generation = generation_;
    const int answer = relay_.Ask([r, relay, generation] {
        if (!relay->IsAttached(generation)) return static_cast<int>(QMessageBox::Cancel);
        return static_cast<int>(Boxes().Ask(r).button);
    });
    // Anything but OK aborts the job.
    return answer == QMessageBox::Ok ? FailureAnswer::Ok : FailureAnswer::Cancel;
}

// The read-failure text holds the loader's reason already.
FailureAnswer QtJobPlatform::AskReadFailure(const std::string& text) { return AskFailure(text, {}); }

// The box keeps its wording; the reason (a read-only folder, a target that cannot hold the
// data) is shown under it.
FailureAnswer QtJobPlatform::AskSaveFailure(const std::string& text, const std::string& /*outputPath*/,
                                            const std::string& reason) {
    return AskFailure(text, Sentence(reason));
}

void QtJobPlatform::Sleep(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace kyn::app
