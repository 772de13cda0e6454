// The progress dialog's reaction to each job message, its summaries, Stop, and the question
// before quitting a busy job.
#include <QLabel>
#include <QPushButton>

#include "AppTestSupport.h"
#include "app/ProgressDlg.h"

namespace kyn::app::test {

namespace {

struct Shown {
    SharedStatus status;
    StopSignal stop;
    CProgressDlg dialog{status, stop};
    Shown() {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    // The job converting `input` in /d into `input` with ".dsb".
    void Progress(const std::string& input, int percent) {
        status.Set({JobStatus::Action::Converting, "/d", input, input + ".dsb", {}});
        dialog.OnJobMessage(WM_JOB_PROGRESS, 0, percent);
    }
};

}  // namespace

class ProgressDlgTest : public QObject {
    Q_OBJECT
private slots:
    void oneFileJobEndsWithItsSummary() {
        ScriptedBoxes boxes;
        Shown s;
        CProgressDlg& d = s.dialog;
        d.OnJobMessage(WM_JOB_STARTED, 0, 1);
        QVERIFY(d.StopEnabled());

        s.Progress("a", 42);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting... (42%)"));
        QCOMPARE(d.PercentShown(), QStringLiteral("42%"));
        // A progress message of 0 percent carries only a new status text.
        s.Progress("b", 0);
        QCOMPARE(d.StatusShown(), QStringLiteral("Working in directory: /d/\r\n\r\nConverting:\r\nFrom: 'b' into 'b.dsb'.\r\n"));
        QCOMPARE(d.BarValue(), 42);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting... (42%)"));

        s.Progress("a", 100);
        QCOMPARE(d.BarValue(), 100);
        QVERIFY(d.findChild<QLabel*>()->text().contains(QStringLiteral("Converting:\nFrom: 'a' into 'a.dsb'")));

        d.OnJobMessage(WM_JOB_ENABLE_STOP, 0, 0);
        QVERIFY(!d.StopEnabled());
        bool stopEnabledDuringBox = true;
        boxes.onShow = [&](const BoxCall&) { stopEnabledDuringBox = d.StopEnabled(); };
        d.OnJobMessage(WM_JOB_DONE, 1, 0);
        const QString done = QStringLiteral("Done.\r\n\r\nProcessed 1 file.\r\n");
        QCOMPARE(boxes.Texts(), QStringList{done});
        QVERIFY(!stopEnabledDuringBox);
        QCOMPARE(d.StatusShown(), done);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!s.stop.Poll());  // closing an idle dialog stops nothing
    }

    // Files and skips counted in the plural (the one-file summary is above, "0 files, skipped 1
    // file" and "2 files" come from the drop tests).
    void summaryCountsFilesAndSkips() {
        ScriptedBoxes boxes;
        Shown s;
        s.dialog.OnJobMessage(WM_JOB_STARTED, 0, 3);
        QCOMPARE(s.dialog.StatusShown(), QStringLiteral("Done.\r\n\r\nProcessing 3 files....\r\n"));
        s.dialog.OnJobMessage(WM_JOB_DONE, 1, 2);
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("Done.\r\n\r\nProcessed 1 file, skipped 2 files.\r\n")});
    }

    void stoppedJobShowsWhereItStopped() {
        ScriptedBoxes boxes;
        Shown s;
        CProgressDlg& d = s.dialog;
        d.OnJobMessage(WM_JOB_STARTED, 0, 5);
        d.OnJobMessage(WM_JOB_ENABLE_STOP, 0, 1);
        s.Progress("converting", 40);
        QTest::mouseClick(d.StopButton(), Qt::LeftButton);
        QVERIFY(d.isVisible());  // nothing changes until the job answers
        s.Progress("converting", 60);
        bool stopEnabledDuringBox = true;
        boxes.onShow = [&](const BoxCall&) { stopEnabledDuringBox = d.StopEnabled(); };
        d.OnJobMessage(WM_JOB_ABORTED, 3, 60);
        QCOMPARE(d.windowTitle(), QStringLiteral("Aborted (60% completed)"));
        const QString text = QStringLiteral("Data conversion stopped by user.\r\n\r\nProcessed 3 files");
        QCOMPARE(boxes.Texts(), QStringList{text});
        QVERIFY(!stopEnabledDuringBox);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(s.stop.Poll());   // Stop set the signal once...
        QVERIFY(!s.stop.Poll());  // ...and one poll consumed it
    }

    // Escape and Enter while a job runs ask first; No keeps the dialog and the job going.
    void closingWhileBusyAsksFirst_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
        QTest::newRow("enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
    }
    void closingWhileBusyAsksFirst() {
        QFETCH(int, key);
        QFETCH(int, result);
        ScriptedBoxes boxes;
        boxes.answers = {QMessageBox::No, QMessageBox::Yes};
        Shown s;
        CProgressDlg& d = s.dialog;
        d.OnJobMessage(WM_JOB_STARTED, 0, 5);
        QTest::keyClick(&d, Qt::Key(key));
        QCOMPARE(boxes.Texts(),
                 QStringList{QStringLiteral("Warning!  KYNDataConverter is currently busy.\n\nAre you sure you want to quit?")});
        QCOMPARE(boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(d.isVisible());
        QVERIFY(!s.stop.Poll());

        QTest::keyClick(&d, Qt::Key(key));
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), result);
        QVERIFY(s.stop.Poll());
    }
};

KYN_APP_TEST(ProgressDlgTest);

}  // namespace kyn::app::test

#include "ProgressDlgTest.moc"
