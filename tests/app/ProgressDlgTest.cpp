// The progress dialog's reaction to each job message, its summaries, Stop, and the question
// before quitting a busy job.
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include "AppTestSupport.h"
#include "app/ProgressDlg.h"

namespace kyn::app::test {

namespace {

const QString kBusyQuestion =
    QStringLiteral("Warning!  KYNDataConverter is currently busy.\n\nAre you sure you want to quit?");

struct Shown {
    StatusText status;
    StopSignal stop;
    CProgressDlg dialog{status, stop};
    Shown() {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    void Progress(const char* text, int percent) {
        status.Set(text);
        dialog.OnJobMessage(WM_JOB_PROGRESS, 0, percent);
    }
};

}  // namespace

class ProgressDlgTest : public QObject {
    Q_OBJECT
private slots:
    void opensReadyAndBusy() {
        StatusText status;
        StopSignal stop;
        CProgressDlg d(status, stop);
        QCOMPARE(d.windowTitle(), QStringLiteral("Progress"));
        QCOMPARE(d.StatusShown(), QStringLiteral("Ready"));
        QCOMPARE(d.PercentShown(), QStringLiteral("0 %"));
        QCOMPARE(d.StopButton()->text(), QStringLiteral("&Stop"));
        QVERIFY(d.IsBusy());
    }

    void oneFileJobEndsWithItsSummary() {
        ScriptedBoxes boxes;
        Shown s;
        CProgressDlg& d = s.dialog;
        d.OnJobMessage(WM_JOB_STARTED, 0, 1);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting..."));
        QCOMPARE(d.StatusShown(), QStringLiteral("Done.\r\n\r\nProcessing 1 file....\r\n"));
        QVERIFY(d.StopEnabled());

        s.Progress("Working in directory:", 0);
        QCOMPARE(d.StatusShown(), QStringLiteral("Working in directory:"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting..."));  // 0 changes nothing else

        s.Progress("Working in directory: /d/\r\n\r\nConverting:\r\nFrom: 'a.dsa' into 'a.dsb'.\r\n", 100);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting... (100%)"));
        QCOMPARE(d.BarValue(), 100);
        QCOMPARE(d.PercentShown(), QStringLiteral("100%"));
        QVERIFY(d.findChild<QLabel*>()->text().contains(QStringLiteral("Converting:\nFrom: 'a.dsa'")));

        d.OnJobMessage(WM_JOB_ENABLE_STOP, 0, 0);
        QVERIFY(!d.StopEnabled());
        bool stopEnabledDuringBox = true;
        boxes.onShow = [&](const BoxCall&) { stopEnabledDuringBox = d.StopEnabled(); };
        d.OnJobMessage(WM_JOB_DONE, 1, 0);
        const QString done = QStringLiteral("Done.\r\n\r\nProcessed 1 file.\r\n");
        QCOMPARE(boxes.Texts(), QStringList{done});
        QCOMPARE(boxes.calls[0].buttons, QMessageBox::Ok);
        QCOMPARE(boxes.calls[0].caption, QStringLiteral("KYNDataConverter"));
        QVERIFY(!stopEnabledDuringBox);
        QCOMPARE(d.windowTitle(), QStringLiteral("Ready"));
        QCOMPARE(d.StatusShown(), done);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!s.stop.Poll());  // closing an idle dialog stops nothing
    }

    void summariesCountFilesAndSkips_data() {
        QTest::addColumn<int>("processed");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QString>("text");
        QTest::newRow("two and one skipped") << 2 << 1 << "Done.\r\n\r\nProcessed 2 files, skipped 1 file.\r\n";
        QTest::newRow("one and two skipped") << 1 << 2 << "Done.\r\n\r\nProcessed 1 file, skipped 2 files.\r\n";
        QTest::newRow("none") << 0 << 0 << "Done.\r\n\r\nProcessed 0 files.\r\n";
    }
    void summariesCountFilesAndSkips() {
        QFETCH(int, processed);
        QFETCH(int, skipped);
        QFETCH(QString, text);
        ScriptedBoxes boxes;
        Shown s;
        s.dialog.OnJobMessage(WM_JOB_STARTED, 0, 3);
        QCOMPARE(s.dialog.StatusShown(), QStringLiteral("Done.\r\n\r\nProcessing 3 files....\r\n"));
        s.dialog.OnJobMessage(WM_JOB_DONE, processed, skipped);
        QCOMPARE(boxes.Texts(), QStringList{text});
    }

    void startedWithoutFilesShowsNoText() {
        Shown s;
        s.dialog.OnJobMessage(WM_JOB_STARTED, 0, 0);
        QCOMPARE(s.dialog.StatusShown(), QString());
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
        QVERIFY(d.IsBusy());
        s.Progress("converting", 60);
        bool stopEnabledDuringBox = true;
        boxes.onShow = [&](const BoxCall&) { stopEnabledDuringBox = d.StopEnabled(); };
        d.OnJobMessage(WM_JOB_ABORTED, 3, 60);
        QCOMPARE(d.windowTitle(), QStringLiteral("Aborted (60% completed)"));
        const QString text = QStringLiteral("Data conversion stopped by user.\r\n\r\nProcessed 3 files");
        QCOMPARE(boxes.Texts(), QStringList{text});
        QCOMPARE(d.StatusShown(), text);
        QVERIFY(!stopEnabledDuringBox);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(s.stop.Poll());   // Stop set the signal once...
        QVERIFY(!s.stop.Poll());  // ...and one poll consumed it
    }

    void onlyPercentZeroLeavesTheBarAlone() {
        Shown s;
        CProgressDlg& d = s.dialog;
        d.OnJobMessage(WM_JOB_STARTED, 0, 2);
        s.Progress("a", 42);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting... (42%)"));
        QCOMPARE(d.PercentShown(), QStringLiteral("42%"));
        s.Progress("b", 0);
        QCOMPARE(d.StatusShown(), QStringLiteral("b"));
        QCOMPARE(d.BarValue(), 42);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting... (42%)"));
        s.Progress("c", 50);
        QCOMPARE(d.BarValue(), 50);
        QCOMPARE(d.windowTitle(), QStringLiteral("Converting... (50%)"));
    }

    void escapeWhileBusyAsksFirst() {
        ScriptedBoxes boxes;
        boxes.answers = {QMessageBox::No};
        Shown s;
        CProgressDlg& d = s.dialog;
        d.OnJobMessage(WM_JOB_STARTED, 0, 5);
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(boxes.Texts(), QStringList{kBusyQuestion});
        QCOMPARE(boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(d.isVisible());
        QVERIFY(!s.stop.Poll());

        boxes.answers = {QMessageBox::Yes};
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(timer.elapsed() >= 90);  // the short pause before closing
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(s.stop.Poll());
    }

    void enterWhileBusyClosesAsOkAfterYes() {
        ScriptedBoxes boxes;
        boxes.answers = {QMessageBox::Yes};
        Shown s;
        s.dialog.OnJobMessage(WM_JOB_STARTED, 0, 2);
        QTest::keyClick(&s.dialog, Qt::Key_Return);
        QCOMPARE(boxes.Texts(), QStringList{kBusyQuestion});
        QVERIFY(!s.dialog.isVisible());
        QCOMPARE(s.dialog.result(), int(QDialog::Accepted));
        QVERIFY(s.stop.Poll());
    }
};

KYN_APP_TEST(ProgressDlgTest);

}  // namespace kyn::app::test

#include "ProgressDlgTest.moc"
