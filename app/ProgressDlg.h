// CProgressDlg: the modal window shown while a conversion job runs. It turns the job's messages
// into its title, status text, bar and percentage, shows the summary when the job ends and then
// closes itself; Stop and closing while busy set the job's stop signal.
#pragma once

#include <QDialog>

#include "conversion/JobPlatform.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kyn::app {

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    // `status` is the job's status text, read when a progress message arrives; `stop` is the
    // job's stop signal.
    CProgressDlg(StatusText& status, StopSignal& stop, QWidget* parent = nullptr);

    // Handles one job message (called on the user-interface thread by the relay).
    void OnJobMessage(JobMessage message, qint64 wParam, qint64 lParam);

    // Enter and Escape (and the close box) close the dialog; while busy only after the user
    // confirmed, and then the job is told to stop.
    void accept() override;
    void reject() override;

    // What the dialog shows, for tests.
    bool IsBusy() const { return busy_ != 0; }
    QString StatusShown() const { return statusText_; }
    int BarValue() const;
    QString PercentShown() const;
    bool StopEnabled() const;
    QPushButton* StopButton() const { return stop_; }

    // The summary texts.
    static QString StartedText(qint64 files);
    static QString DoneText(qint64 processed, qint64 skipped);
    static QString AbortedText(qint64 processed);

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
    StatusText& jobStatus_;
    StopSignal& stopSignal_;
    QString statusText_;
};

}  // namespace kyn::app
