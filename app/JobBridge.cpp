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

void JobMessageRelay::Post(quint64 generation, JobMessage message, qint64 wParam, qint64 lParam) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = queue_.empty();  // a wake-up is already on its way otherwise
        queue_.push_back({generation, message, wParam, lParam});
    }
    if (wake) QMetaObject::invokeMethod(this, "DeliverQueued", Qt::QueuedConnection);
}

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
    if (!dialog_ || queued.generation != generation_) {
        ++dropped_;
        return;
    }
    ++delivered_;
    dialog_->OnJobMessage(queued.message, queued.wParam, queued.lParam);
}

int JobMessageRelay::Ask(const std::function<int()>& question) { return questions_.Run(question); }

QtJobPlatform::QtJobPlatform(JobMessageRelay& relay, quint64 generation, SharedStatus& status, StopSignal& stop,
                             QWidget* boxParent, JobNotes* notes)
    : relay_(relay), generation_(generation), status_(status), stop_(stop), boxParent_(boxParent), notes_(notes) {}

namespace {
QString FileNameOf(const std::string& path) { return QFileInfo(QFile::decodeName(path.c_str())).fileName(); }
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

void QtJobPlatform::Post(JobMessage message, std::int64_t wParam, std::int64_t lParam) {
    relay_.Post(generation_, message, wParam, lParam);
}

OverwriteAnswer QtJobPlatform::AskOverwrite(const std::string& text) {
    const QString qtext = QString::fromStdString(text);
    QPointer<QWidget> parent = boxParent_;
    const int answer = relay_.Ask([parent, qtext] {
        // While the progress dialog is up the question belongs to it.
        QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent.data();
        return static_cast<int>(Boxes().Show(owner, QMessageBox::Question, QString::fromLatin1(kAppTitle), qtext,
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                             QMessageBox::Yes));
    });
    if (answer == QMessageBox::Yes) return OverwriteAnswer::Yes;
    if (answer == QMessageBox::No) return OverwriteAnswer::No;
    return OverwriteAnswer::Cancel;
}

FailureAnswer QtJobPlatform::AskFailure(const std::string& text) {
    const QString qtext = QString::fromStdString(text);
    const int answer = relay_.Ask([qtext] {
        return static_cast<int>(Boxes().Show(nullptr, QMessageBox::Warning, QString::fromLatin1(kAppTitle), qtext,
                                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok));
    });
    // Anything but OK aborts the job.
    return answer == QMessageBox::Ok ? FailureAnswer::Ok : FailureAnswer::Cancel;
}

FailureAnswer QtJobPlatform::AskReadFailure(const std::string& text) { return AskFailure(text); }
// The box keeps its wording; the reason is shown with the summary of the job.
FailureAnswer QtJobPlatform::AskSaveFailure(const std::string& text, const std::string& outputPath,
                                            const std::string& reason) {
    if (notes_ && !reason.empty()) {
        QString because = QString::fromStdString(reason).trimmed();
        if (!because.endsWith(QLatin1Char('.'))) because += QLatin1Char('.');
        notes_->AddFailure(QStringLiteral("%1 not saved: %2").arg(FileNameOf(outputPath), because));
    }
    return AskFailure(text);
}

void QtJobPlatform::Sleep(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace kyn::app
