// The meeting point of a conversion worker and the user-interface thread.
//
// JobMessageRelay lives in the client window and so outlives every job. A worker puts its job
// messages into the relay's queue and wakes the user-interface thread with a queued call; there
// the relay hands each one to the progress dialog that is attached at that moment, and only if
// the message comes from the job that dialog belongs to. Messages of a job whose dialog has gone
// (the user quit while it was busy) are dropped, so they never reach a destroyed dialog.
//
// Queued messages and questions cross between the threads under std mutexes; Qt's event queue
// only carries the wake-up, a call by name without data (see UiThreadCall.h for why).
//
// QtJobPlatform is the JobPlatform the worker runs on: posts through the relay, asks its
// questions as modal boxes on the user-interface thread (the worker waits for the answer), and
// shares the status text and the stop signal with the client window.
#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <mutex>

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
    // User-interface thread: no dialog; later messages are dropped.
    void Detach();

    // Any thread: queues the message for the user-interface thread.
    void Post(quint64 generation, JobMessage message, qint64 wParam, qint64 lParam);
    // Worker thread: runs `question` on the user-interface thread and waits for it to return.
    int Ask(const std::function<int()>& question);

    // Messages dropped because no dialog of their job was attached (for tests and diagnostics).
    int Dropped() const { return dropped_; }
    int Delivered() const { return delivered_; }

private slots:
    // User-interface thread: delivers every queued message.
    void DeliverQueued();

private:
    struct Queued {
        quint64 generation;
        JobMessage message;
        qint64 wParam;
        qint64 lParam;
    };
    void Deliver(const Queued& queued);

    // User-interface thread only.
    QPointer<CProgressDlg> dialog_;
    quint64 generation_ = 0;
    int dropped_ = 0;
    int delivered_ = 0;

    std::mutex mutex_;
    std::deque<Queued> queue_;  // shared with the workers, under mutex_
    UiThreadCall questions_;
};

class QtJobPlatform : public JobPlatform {
public:
    // `boxParent` is the window the overwrite question belongs to; the read and save failure
    // boxes have no owner.
    QtJobPlatform(JobMessageRelay& relay, quint64 generation, SharedStatus& status, StopSignal& stop,
                  QWidget* boxParent, JobNotes* notes = nullptr);

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

private:
    FailureAnswer AskFailure(const std::string& text);

    JobMessageRelay& relay_;
    quint64 generation_;
    SharedStatus& status_;
    StopSignal& stop_;
    QPointer<QWidget> boxParent_;
    JobNotes* notes_;
};

}  // namespace kyn::app
