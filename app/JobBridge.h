// The meeting point of a conversion worker and the user-interface thread.
//
// JobMessageRelay lives as long as the client window (longer, when a worker still runs at the
// program's end) and so outlives every job. A worker puts its job messages and its per-file
// results into the relay's queue and wakes the user-interface thread with a queued call; there
// the relay hands each message to the progress dialog that is attached at that moment, and only
// if the message comes from the job that dialog belongs to. Messages of a job whose dialog has
// gone (the user quit while it was busy) are dropped, so they never reach a destroyed dialog.
// Results go to the result sink whatever became of the dialog: the results list shows every
// input of every job.
//
// Queued messages and questions cross between the threads under std mutexes; Qt's event queue
// only carries the wake-up, a call by name without data (see UiThreadCall.h for why).
//
// QtJobPlatform is the JobPlatform the worker runs on: posts through the relay, asks its
// questions as modal boxes on the user-interface thread (the worker waits for the answer), and
// shares the status text and the stop signal with the client window. A question of a job whose
// progress dialog has gone is not asked: it is answered Cancel at once, so no box outlives the
// job it is about.
#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "app/ProgressDlg.h"
#include "app/UiThreadCall.h"
#include "conversion/JobPlatform.h"

class QWidget;

namespace kyn::app {

class CProgressDlg;

class JobMessageRelay : public QObject {
    Q_OBJECT
public:
    explicit JobMessageRelay(QObject* parent = nullptr) : QObject(parent) {}

    // User-interface thread: the dialog that receives the messages of job `generation` from now on.
    void Attach(CProgressDlg* dialog, quint64 generation);
    // User-interface thread: no dialog; later messages are dropped and questions not asked.
    void Detach();
    // User-interface thread: whether job `generation` still has its dialog.
    bool IsAttached(quint64 generation) const { return dialog_ && generation == generation_; }

    using ResultSink = std::function<void(quint64 generation, const FileResult& result)>;
    // User-interface thread: where the per-file results go (empty: nowhere).
    void SetResultSink(ResultSink sink) { sink_ = std::move(sink); }

    // Any thread: queues the message for the user-interface thread.
    void Post(quint64 generation, JobMessage message, qint64 wParam, qint64 lParam);
    // Any thread: queues one input's result for the result sink.
    void PostResult(quint64 generation, const FileResult& result);
    // Worker thread: after its last message; the user-interface thread is told with WorkerEnded.
    void PostWorkerEnded(quint64 generation);
    // Worker thread: runs `question` on the user-interface thread and waits for it to return.
    int Ask(const std::function<int()>& question);

    // Messages dropped because no dialog of their job was attached (for tests and diagnostics).
    int Dropped() const { return dropped_; }
    int Delivered() const { return delivered_; }

signals:
    // The worker of job `generation` has returned; everything it queued was delivered before.
    void WorkerEnded(quint64 generation);

private slots:
    // User-interface thread: delivers every queued message.
    void DeliverQueued();

private:
    struct Queued {
        quint64 generation;
        JobMessage message;
        qint64 wParam;
        qint64 lParam;
        std::optional<FileResult> result;  // a result instead of a message
        bool workerEnded = false;          // the worker's last word
    };
    void Enqueue(Queued queued);
    void Deliver(const Queued& queued);

    // User-interface thread only.
    QPointer<CProgressDlg> dialog_;
    quint64 generation_ = 0;
    int dropped_ = 0;
    int delivered_ = 0;
    ResultSink sink_;

    std::mutex mutex_;
    std::deque<Queued> queue_;  // shared with the workers, under mutex_
    UiThreadCall questions_;
};

class QtJobPlatform : public JobPlatform {
public:
    // `boxParent` is the window the overwrite question belongs to; the read and save failure
    // boxes have no owner. `files` is the job's number of inputs: a job of several files offers
    // Yes to All and No to All on the overwrite question.
    QtJobPlatform(JobMessageRelay& relay, quint64 generation, SharedStatus& status, StopSignal& stop,
                  QWidget* boxParent, JobNotes* notes = nullptr, int files = 1);

    void Post(JobMessage message, std::int64_t wParam, std::int64_t lParam) override;
    bool PollStop() override { return stop_.Poll(); }
    OverwriteAnswer AskOverwrite(const std::string& text) override;
    FailureAnswer AskReadFailure(const std::string& text) override;
    FailureAnswer AskSaveFailure(const std::string& text, const std::string& outputPath,
                                 const std::string& reason) override;
    void SetStatus(const JobStatus& status) override { status_.Set(status); }
    void Sleep(std::chrono::milliseconds duration) override;
    void ConvertedWithWarnings(const std::string& input, const std::string& output,
                               const std::vector<std::string>& warnings, bool originalKept) override;
    void FileDone(const FileResult& result) override;

private:
    FailureAnswer AskFailure(const std::string& text, const QString& reason);

    JobMessageRelay& relay_;
    quint64 generation_;
    SharedStatus& status_;
    StopSignal& stop_;
    QPointer<QWidget> boxParent_;
    JobNotes* notes_;
    const bool severalFiles_;
    // The answer given with "to All" on the overwrite question, for the rest of the job.
    std::optional<OverwriteAnswer> overwriteAll_;
};

}  // namespace kyn::app
