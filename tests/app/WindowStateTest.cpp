// What the window shows and how it closes: closing during a job asks once and does what it says,
// a question about quitting a job goes when the job ends first, an unknown stored target falls
// back to the default with one message, the target is named, Tab enters the format choices at
// the chosen one and follows the dialog from top to bottom, long status lines lose their middle.
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <condition_variable>
#include <mutex>

#include "AppTestSupport.h"
#include "app/ChildView.h"
#include "app/DialogUnits.h"
#include "app/KYNDataConverterApp.h"
#include "app/MainFrame.h"
#include "app/OptionsDlg.h"
#include "app/ProgressDlg.h"
#include "app/Resources.h"
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"
#include "Stores.h"
#include "TestSupport.h"

namespace kyn::app::test {

namespace {

QSettings Stored() { return QSettings(QStringLiteral("Velorant Ltd"), QStringLiteral("KYNDataConverter")); }

// A loader that holds the named file until released, and a writer of one word.
struct HeldFormats {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::string> loaded;
    std::string holdAt;
    bool released = false;
    std::atomic<bool> holding{false};
    TargetTable table{{1, "dsb", "VarnixBinary", ".dsb", StreamMode::Binary,
                       [](DataStore&, std::ostream& os, const WriterOptions&) { os << "converted"; }}};

    JobFormats Formats() {
        JobFormats f;
        f.targets = &table;
        f.load = [this](DataStore&, const std::string& path) {
            std::unique_lock lock(mutex);
            loaded.push_back(QFileInfo(QString::fromStdString(path)).fileName().toStdString());
            if (path.ends_with(holdAt)) {
                holding = true;
                cv.wait(lock, [this] { return released; });
            }
            return true;
        };
        return f;
    }
    void Release() {
        std::lock_guard lock(mutex);
        released = true;
        cv.notify_all();
    }
    std::vector<std::string> Loaded() {
        std::lock_guard lock(mutex);
        return loaded;
    }
};

// The program started, converting to VarnixBinary with the held loader.
bool StartHeld(CKYNDataConverterApp& app, HeldFormats& held) {
    if (!app.InitInstance()) return false;
    app.Settings().DefaultFileType = 1;
    app.MainFrame()->View()->SetJobFormats(held.Formats());
    return true;
}

}  // namespace

class WindowStateTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QSettings s = Stored();
        s.clear();
        s.setValue("Options/Configured", 1);
    }

    // Keep Converting leaves window and job alone; Stop and Quit closes the window and the job
    // ends after its current file, with no summary and no further question.
    void closingDuringAJobAsksOnceAndDoesWhatItSays() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QStringList paths = {dir.filePath("first.dsa"), dir.filePath("second.dsa")};
        for (const QString& p : paths) WriteText(p, "x");
        // The file being converted when the user quits has an output already: the job asks
        // nothing about it once its window has gone, and leaves it alone.
        WriteText(dir.filePath("second.dsb"), "old");
        CKYNDataConverterApp app;
        HeldFormats held;
        held.holdAt = "second.dsa";  // the job's first file
        QVERIFY(StartHeld(app, held));
        CMainFrame* frame = app.MainFrame();
        CChildView* view = frame->View();

        boxes.answers = {QMessageBox::No, QMessageBox::Yes};
        bool keptOpen = false, menusDuringJob = true;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (!held.holding || !view->IsBusy()) return;
            poll.stop();
            menusDuringJob = frame->Action(ID_FILE_OPEN)->isEnabled();
            frame->close();
            keptOpen = frame->isVisible() && view->IsBusy();
            frame->close();
        });
        poll.start();
        view->ConvertFiles({Local(paths[0]), Local(paths[1])});  // returns when the dialog has gone
        QVERIFY(keptOpen);
        QVERIFY(!menusDuringJob);  // no second job and no option changes while one runs
        QVERIFY(!frame->isVisible());
        QVERIFY(!view->HasProgressDialog());
        QCOMPARE(boxes.calls.size(), std::size_t{2});
        for (const BoxCall& c : boxes.calls) {
            QCOMPARE(c.buttonTexts.at(QMessageBox::Yes), QStringLiteral("&Stop and Quit"));
            QCOMPARE(c.buttonTexts.at(QMessageBox::No), QStringLiteral("&Keep Converting"));
            QCOMPARE(int(c.defaultButton), int(QMessageBox::No));
        }
        held.Release();
        QVERIFY(view->WaitForWorker(10000));
        QCOMPARE(held.Loaded(), std::vector<std::string>{"second.dsa"});
        QCOMPARE(kyn::test::ReadFile(Local(dir.filePath("second.dsb"))), "old");
        QVERIFY(!QFile::exists(dir.filePath("first.dsb")));
        QCOMPARE(boxes.calls.size(), std::size_t{2});  // no overwrite question, no summary
        QVERIFY(frame->Action(ID_FILE_OPEN)->isEnabled());
    }

    // The job ends while the window's close question is up: the question goes unanswered, the
    // summary is shown, and the window closes, since nothing is left to stop.
    void theCloseQuestionGoesWhenTheJobEndsFirst() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString only = dir.filePath("only.dsa");
        WriteText(only, "x");
        CKYNDataConverterApp app;
        HeldFormats held;
        held.holdAt = "only.dsa";
        QVERIFY(StartHeld(app, held));
        CMainFrame* frame = app.MainFrame();
        CChildView* view = frame->View();
        boxes.onShow = [&](const BoxCall& call) {
            if (!call.jobQuestion) return;
            held.Release();  // the job finishes while the question is up
            QElapsedTimer t;
            t.start();
            while (view->IsBusy() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        };
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (!held.holding || !view->IsBusy()) return;
            poll.stop();
            frame->close();
        });
        poll.start();
        view->ConvertFile(only);
        QTRY_VERIFY_WITH_TIMEOUT(!frame->isVisible(), 10000);
        QCOMPARE(boxes.calls.size(), std::size_t{2});
        QVERIFY(boxes.calls[0].jobQuestion);
        QVERIFY(boxes.calls[0].dismissed);
        QVERIFY(boxes.calls[1].text.startsWith(QLatin1String("Done.\r\n\r\nProcessed 1 file.")));
        QVERIFY(QFile::exists(dir.filePath("only.dsb")));
        QVERIFY(view->WaitForWorker(10000));
    }

    // The job ends while its quit question is up: the question goes unanswered, the summary
    // follows, and the finished job is not told to stop.
    void aQuitQuestionDoesNotOutliveItsJob() {
        ScriptedBoxes boxes;
        SharedStatus status;
        StopSignal stop;
        CProgressDlg dialog(status, stop);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.OnJobMessage(WM_JOB_STARTED, 0, 2);
        boxes.onShow = [&](const BoxCall& call) {
            if (call.jobQuestion) dialog.OnJobMessage(WM_JOB_DONE, 2, 0);
        };
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(boxes.calls.size(), std::size_t{2});
        QVERIFY(boxes.calls[0].jobQuestion);
        QVERIFY(boxes.calls[0].dismissed);
        QCOMPARE(int(boxes.calls[0].defaultButton), int(QMessageBox::No));
        QCOMPARE(boxes.calls[1].text, QStringLiteral("Done.\r\n\r\nProcessed 2 files.\r\n"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!stop.Poll());
    }

    void anUnknownStoredTargetFallsBackWithOneMessage() {
        Stored().setValue("Options/DefaultFileType", 99);
        {
            ScriptedBoxes boxes;
            CKYNDataConverterApp app;
            QVERIFY(app.InitInstance());
            QCOMPARE(boxes.calls.size(), std::size_t{1});
            QVERIFY(boxes.calls[0].text.startsWith(QLatin1String("The stored target format (99) is not one this program knows.")));
            QVERIFY(boxes.calls[0].text.contains(QLatin1String("to VarnixStore (.dsa) instead")));
            QCOMPARE(app.Settings().DefaultFileType, ConversionSettings{}.DefaultFileType);
            QCOMPARE(app.MainFrame()->TargetText(), QStringLiteral("VarnixStore (.dsa)"));
            QCOMPARE(app.MainFrame()->View()->TargetExtension(), QStringLiteral(".dsa"));
            app.ExitInstance();
        }
        QCOMPARE(Stored().value("Options/DefaultFileType").toInt(), 2);
        ScriptedBoxes boxes;
        CKYNDataConverterApp app;
        QVERIFY(app.InitInstance());
        QVERIFY(boxes.calls.empty());
    }

    // The target is named in the status bar and drawn in the picture; without sensible
    // extensions every output is ".txt".
    void theTargetIsShown() {
        ScriptedBoxes boxes;
        ConversionSettings settings;
        settings.DefaultFileType = 6;
        CMainFrame frame(settings);
        frame.ShowTarget(settings);
        QCOMPARE(frame.TargetText(), QStringLiteral("JCAMP-DX (.jdx)"));
        const QImage jdx = frame.View()->Picture();
        settings.UseSensibleExtensions = 0;
        frame.ShowTarget(settings);
        QCOMPARE(frame.View()->TargetExtension(), QStringLiteral(".txt"));
        QVERIFY(frame.View()->Picture() != jdx);
    }

    void tabEntersTheFormatsAtTheChosenOneAndFollowsTheDialog() {
        ScriptedBoxes boxes;
        ConversionSettings settings;
        settings.DefaultFileType = 3;  // VarnixCSV: the strip-header box is enabled
        COptionsDlg dialog(settings);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Control(IDCANCEL)->setFocus();
        std::vector<int> order;
        for (int i = 0; i < 11; ++i) {
            QVERIFY(dialog.focusWidget());
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
            order.push_back(ControlId(dialog.focusWidget()));
        }
        // In-place is greyed while sensible extensions are on, Euro while the target is not
        // tab-separated, the folder while no folder is chosen.
        const std::vector<int> expected = {IDC_SAVE_VARNIXCSV,     IDC_STRIP_HEADER, IDC_SENSIBLE_EXTENSIONS,
                                           IDC_STRIP_ACORN,        IDC_DELETE_ORIGINALS, IDC_SILENT_OVERWRITE,
                                           IDC_SKIP_BAD,           IDC_USE_OUTPUT_FOLDER, IDOK,
                                           IDCANCEL,               IDC_SAVE_VARNIXCSV};
        QCOMPARE(order, expected);
        QCOMPARE(settings.DefaultFileType, 3);  // Tab and Space no longer change the format unseen
        // The arrow keys move the choice; Tab then enters the group at the new one.
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Down);
        QVERIFY(dialog.Control(IDC_SAVE_THALEN)->isChecked());
        dialog.Control(IDCANCEL)->setFocus();
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        QCOMPARE(ControlId(dialog.focusWidget()), int(IDC_SAVE_THALEN));
    }

    // File > Convert... takes several files as one job and starts next time where it was left;
    // the output folder chosen in the options takes every output and is stored with the settings.
    void convertTakesSeveralFilesAndTheOutputFolderIsKept() {
        ScriptedBoxes boxes;
        QTemporaryDir in, out;
        const QStringList picked = {in.filePath("a.dsa"), in.filePath("b.dsa")};
        for (const QString& p : picked) QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("x"), Local(p)));
        {
            CKYNDataConverterApp app;
            QVERIFY(app.InitInstance());
            app.Settings().DefaultFileType = 1;
            QStringList startedIn;
            app.SetFileChooser([&](QWidget*, const QString& folder) {
                startedIn << folder;
                return picked;
            });
            QTimer::singleShot(0, [&out] {
                auto* dlg = qobject_cast<COptionsDlg*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                QVERIFY(!dlg->Control(IDC_USE_OUTPUT_FOLDER)->isChecked());  // off by default
                QVERIFY(!dlg->findChild<QLineEdit*>()->isEnabled());
                dlg->Control(IDC_USE_OUTPUT_FOLDER)->click();
                dlg->findChild<QLineEdit*>()->setText(out.path());
                dlg->accept();
            });
            app.OnViewOptions();
            QCOMPARE(app.UseOutputFolder(), 1);
            app.OnFileConvert();
            QTRY_VERIFY_WITH_TIMEOUT(app.MainFrame()->View()->JobsStarted() == 1 && !app.MainFrame()->View()->HasProgressDialog() &&
                                         !app.MainFrame()->View()->WorkerRunning(),
                                     20000);
            QCOMPARE(boxes.Texts().last(), QStringLiteral("Done.\r\n\r\nProcessed 2 files.\r\n\r\nWritten: a.dsb, b.dsb.\r\n"));
            QVERIFY(QFile::exists(out.filePath("a.dsb")) && QFile::exists(out.filePath("b.dsb")));
            QVERIFY(!QFile::exists(in.filePath("a.dsb")));
            app.Settings().SilentlyOverwrite = 1;
            app.OnFileConvert();  // the second time it starts where the files were
            QCOMPARE(startedIn, (QStringList{QString(), QFileInfo(in.path()).absoluteFilePath()}));
            QTRY_VERIFY_WITH_TIMEOUT(app.MainFrame()->View()->JobsStarted() == 2 && !app.MainFrame()->View()->HasProgressDialog() &&
                                         !app.MainFrame()->View()->WorkerRunning(),
                                     20000);
            app.ExitInstance();
        }
        CKYNDataConverterApp again;
        QVERIFY(again.InitInstance());
        QCOMPARE(again.UseOutputFolder(), 1);
        QCOMPARE(again.OutputFolder(), out.path());
        QCOMPARE(again.LastFolder(), QFileInfo(in.path()).absoluteFilePath());
        // A file looked at from another folder puts that folder first; each folder is listed once.
        again.SetFileChooser([&out](QWidget*, const QString&) { return QStringList{out.filePath("a.dsb")}; });
        again.OnFilePreview();
        again.SetFileChooser([&in](QWidget*, const QString&) { return QStringList{in.filePath("a.dsa")}; });
        again.OnFilePreview();
        QCOMPARE(again.RecentFolders(),
                 (QStringList{QFileInfo(in.path()).absoluteFilePath(), QFileInfo(out.path()).absoluteFilePath()}));
    }

    void longStatusLinesLoseTheirMiddle() {
        SharedStatus status;
        StopSignal stop;
        CProgressDlg dialog(status, stop);
        const std::string folder = "/data/" + std::string(200, 'x') + "/end";
        status.Set({JobStatus::Action::Converting, folder, "input.dsa", "input.dsb", {}});
        dialog.OnJobMessage(WM_JOB_PROGRESS, 0, 10);
        QVERIFY(dialog.StatusShown().contains(QString::fromStdString(folder)));
        QLabel* label = nullptr;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            if (ControlId(l) == IDC_PROGRESS_STATUS) label = l;
        QVERIFY(label);
        const QString firstLine = label->text().section(QLatin1Char('\n'), 0, 0);
        QVERIFY(firstLine.startsWith(QLatin1String("Working in directory: ")));
        QVERIFY(firstLine.endsWith(QLatin1String("/end/")));
        QVERIFY(firstLine.contains(QChar(0x2026)));
        QVERIFY(label->fontMetrics().horizontalAdvance(firstLine) <= label->width());
    }
};

KYN_APP_TEST(WindowStateTest);

}  // namespace kyn::app::test

#include "WindowStateTest.moc"
