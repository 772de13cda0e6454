// CChildView: the client window of the main frame. It shows the program's picture centred,
// accepts files dropped on it, and runs one conversion job at a time: it fills the job record
// from the current settings, starts the worker thread and runs the progress dialog modally.
//
// The view owns everything a worker touches (the job record, the status text, the stop signal
// and the message relay), so a worker that is still finishing its last file after the user quit
// its progress dialog never uses anything that has gone. A new job started meanwhile waits for
// that worker before the record is filled again.
#pragma once

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

class QMimeData;

#include "app/JobBridge.h"
#include "conversion/ConversionJob.h"

namespace kyn::app {

class CProgressDlg;

class CChildView : public QFrame {
    Q_OBJECT
public:
    // `settings` are the application's; each job takes a copy of them when it starts.
    explicit CChildView(const ConversionSettings& settings, QWidget* parent = nullptr);
    ~CChildView() override;

    // Starts a job over one file, or over every path of a drop (in the drop's order; the job
    // takes them from the last to the first).
    void ConvertFile(const QString& path);
    void ConvertFiles(const std::vector<std::filesystem::path>& paths);

    // Replaces the loader and the target table the jobs use (tests drive jobs without the
    // real formats this way).
    void SetJobFormats(const JobFormats& formats) { formats_ = formats; }

    bool HasProgressDialog() const { return !dialog_.isNull(); }
    CProgressDlg* ProgressDialog() const { return dialog_.data(); }
    bool WorkerRunning() const { return workerRunning_.load(); }
    int JobsStarted() const { return jobsStarted_; }
    const JobMessageRelay& Relay() const { return relay_; }
    const QImage& Picture() const { return picture_; }
    // Where the picture is drawn in the current size.
    QPoint PictureOrigin() const;
    // Waits (serving the worker's questions and messages) until no worker runs.
    void WaitForWorker();

signals:
    // A new job waits for the previous worker to finish its last file.
    void WaitingForPreviousJob(bool waiting);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    static std::vector<std::filesystem::path> LocalPaths(const QMimeData* mime);

    const ConversionSettings& settings_;
    // In the order the job uses them: stop signal, picture, worker, job record, status text.
    StopSignal stop_;
    QImage picture_;
    std::thread worker_;
    ConversionJob job_;
    SharedStatus status_;
    JobNotes notes_;
    JobMessageRelay relay_;
    JobFormats formats_;
    std::atomic<bool> workerRunning_{false};
    QPointer<CProgressDlg> dialog_;
    quint64 generation_ = 0;
    int jobsStarted_ = 0;
};

}  // namespace kyn::app
