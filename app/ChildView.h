// CChildView: the client window of the main frame. It shows the program's picture centred (with
// the current target's extension), accepts files dropped on it, and runs one conversion job at a
// time: it fills the job record from the current settings, starts the worker thread and shows the
// progress dialog until the job has ended.
//
// Everything a worker touches (the job record, the status text, the stop signal, the notes and
// the message relay) lives in a WorkerState that the worker shares: a worker still finishing its
// last file after the user quit its progress dialog never uses anything that has gone, even when
// the program ends before that worker does.
//
// The user-interface thread never waits for a worker without a bound. A job asked for while the
// previous worker is still finishing its last file is queued and starts when that worker returns;
// at the program's end the view waits a short while for a worker told to stop, then leaves it.
#pragma once

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <atomic>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

class QMimeData;

#include "app/JobBridge.h"
#include "conversion/ConversionJob.h"
#include "util/Notifier.h"

namespace kyn::app {

class CProgressDlg;

// What one worker uses; shared between the view and its workers.
struct WorkerState {
    ConversionJob job;
    SharedStatus status;
    StopSignal stop;
    JobNotes notes;
    JobFormats formats;
    std::atomic<bool> running{false};
};

class CChildView : public QFrame {
    Q_OBJECT
public:
    // `settings` are the application's; each job takes a copy of them when it starts.
    explicit CChildView(const ConversionSettings& settings, QWidget* parent = nullptr);
    ~CChildView() override;

    // Starts a job over one file, or over every path of a drop (in the drop's order; the job
    // takes them from the last to the first). While a job is up or its worker is still finishing,
    // the new job is queued and starts after it.
    void ConvertFile(const QString& path);
    void ConvertFiles(const std::vector<std::filesystem::path>& paths);

    // Replaces the loader and the target table the jobs use (tests drive jobs without the
    // real formats this way).
    void SetJobFormats(const JobFormats& formats) { state_->formats = formats; }
    // The folder every output goes to; empty puts each next to its input.
    void SetOutputDirectory(const QString& folder) { outputDirectory_ = folder; }

    bool HasProgressDialog() const { return !dialog_.isNull(); }
    CProgressDlg* ProgressDialog() const { return dialog_.data(); }
    // A job is up: its progress dialog is shown and it has not ended.
    bool IsBusy() const;
    bool WorkerRunning() const { return state_->running.load(); }
    int JobsStarted() const { return jobsStarted_; }
    int JobsQueued() const { return static_cast<int>(queued_.size()); }
    quint64 CurrentGeneration() const { return generation_; }
    const JobMessageRelay& Relay() const { return *relay_; }
    const QImage& Picture() const { return picture_; }
    // Where the picture is drawn in the current size.
    QPoint PictureOrigin() const;
    // Redraws the picture for a target's extension (".dsa"); empty for a target not known.
    void SetTargetExtension(const QString& extension);
    QString TargetExtension() const { return targetExtension_; }

    // Stops the running job and closes its dialog without asking (the program is closing).
    void StopForQuit();
    // Waits at most `timeoutMs` (serving the worker's questions and messages) until no worker
    // runs; true when none runs.
    bool WaitForWorker(int timeoutMs = 30000);

    // A box a writer raises on the worker thread (called on the user-interface thread). In a job
    // of several files it names the file and offers to be left out for the rest of the job; a
    // job whose dialog has gone shows nothing more.
    void ShowNotice(const Notice& notice);

    // Workers left running at the program's end (their state is kept alive for them).
    static int AbandonedWorkers();
    // The local files of a drag (other URLs are left out).
    static std::vector<std::filesystem::path> LocalPaths(const QMimeData* mime);

signals:
    // A job of these inputs is queued (waiting for the previous worker) or started.
    void JobQueued(int waiting);
    void JobStarted(quint64 generation, const std::vector<std::filesystem::path>& inputs);
    // The job's status changed (the file being converted, when converting).
    void JobStatusChanged(quint64 generation, const JobStatus& status);
    void FileFinished(quint64 generation, const FileResult& result);
    // The job's worker has returned; inputs without a result were never reached.
    void JobEnded(quint64 generation);
    void BusyChanged(bool busy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void StartJob(const std::vector<std::filesystem::path>& paths);
    void StartNextQueued();
    void OnWorkerEnded(quint64 generation);

    const ConversionSettings& settings_;
    std::shared_ptr<WorkerState> state_;
    QImage picture_;
    QString targetExtension_;
    std::thread worker_;
    JobMessageRelay* relay_;  // deleted with the view unless a worker still uses it
    QPointer<CProgressDlg> dialog_;
    QString outputDirectory_;
    std::deque<std::vector<std::filesystem::path>> queued_;
    quint64 generation_ = 0;
    int jobsStarted_ = 0;
    bool severalFiles_ = false;                       // the current job has more than one input
    std::set<std::pair<quint64, std::string>> quietNotices_;  // left out for the rest of a job
};

}  // namespace kyn::app
