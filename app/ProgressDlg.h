// CProgressDlg: the modal window shown while a conversion job runs. It turns the job's messages
// into its title, status text, bar and percentage, shows the summary when the job ends and then
// closes itself; Stop and closing while busy set the job's stop signal.
#pragma once

#include <QDialog>
#include <QFontMetrics>
#include <QStringList>
#include <mutex>

#include "conversion/JobPlatform.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kyn::app {

// What a job had to say about single files beyond its counts: the files it wrote, those written
// without all of their data and why, and why the others were not converted. Written by the
// worker, read by the dialog for its summary.
class JobNotes {
public:
    void Clear();
    void AddWarning(const QString& line);
    // One input's end: a written output is named, a file not converted is named with its reason.
    void AddResult(const FileResult& result);
    int WithWarnings() const;
    // The written files, then the warnings, then the files not converted, a line each; in the
    // order of the job's inputs (which it takes from the last to the first).
    QStringList Lines() const;

private:
    mutable std::mutex mutex_;
    QStringList written_;
    QStringList warnings_;
    QStringList problems_;
    int withWarnings_ = 0;
};

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    // `status` is the job's status text, read when a progress message arrives; `stop` is the
    // job's stop signal; `notes`, when given, are added to the summary.
    CProgressDlg(SharedStatus& status, StopSignal& stop, QWidget* parent = nullptr, const JobNotes* notes = nullptr);

    // Handles one job message (called on the user-interface thread by the relay).
    void OnJobMessage(JobMessage message, qint64 wParam, qint64 lParam);

    // Enter and Escape (and the close box) close the dialog; while busy only after the user
    // confirmed, and then the job is told to stop.
    void accept() override;
    void reject() override;
    // Sets the stop signal and closes at once, without the question (the user already chose to
    // stop, for instance when quitting the program).
    void CloseWithoutAsking();

    // What the dialog shows, for tests.
    bool IsBusy() const { return busy_ != 0; }
    QString StatusShown() const { return statusText_; }
    int BarValue() const;
    QString PercentShown() const;
    bool StopEnabled() const;
    QPushButton* StopButton() const { return stop_; }

    // The summary texts.
    static QString StartedText(qint64 files);
    // With notes: how many files were written with warnings, then the notes, a line each.
    static QString DoneText(qint64 processed, qint64 skipped, int withWarnings = 0, const QStringList& notes = {});
    static QString AbortedText(qint64 processed, const QStringList& notes = {});
    // `text` with each line shortened in the middle to `width` pixels of `metrics`.
    static QString ElideLines(const QString& text, const QFontMetrics& metrics, int width);

signals:
    // The job's status as the dialog has just shown it.
    void StatusChanged(const JobStatus& status);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetStatus(const QString& text);
    void CloseAs(bool ok);

    // Controls, then the state.
    QPushButton* stop_ = nullptr;
    QLabel* percent_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    int lastPercent_ = 0;
    int busy_ = 1;
    SharedStatus& jobStatus_;
    StopSignal& stopSignal_;
    const JobNotes* notes_;
    QString statusText_;
};

}  // namespace kyn::app
