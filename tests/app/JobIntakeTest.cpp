// Files dropped on the client window run one job on a worker thread, with the progress dialog
// up until the job ends; quitting a busy job lets it finish its file without its messages
// reaching the gone dialog; a new drop waits for that worker. The last tests run the real
// formats and skip themselves while the format stand-ins are linked.
#include <limits>
#include <sys/stat.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "AppTestSupport.h"
#include "app/ChildView.h"
#include "app/ProgressDlg.h"
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"
#include "Stores.h"
#include "TestSupport.h"
#include "util/TextStream.h"

namespace kyn::app::test {

namespace {

// A loader and writer that log what the job does with them; the loader can be held at one
// file until the test lets it go.
struct FakeFormats {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::string> loaded;
    std::string holdAt;  // the loader waits in this file's load until released
    bool released = false;
    std::atomic<bool> holding{false};
    TargetTable table;

    FakeFormats() {
        table = {{1, "dsb", "VarnixBinary", ".dsb", StreamMode::Binary,
                  [](DataStore&, std::ostream& os, const WriterOptions&) { os << "converted"; }}};
    }
    JobFormats Formats() {
        JobFormats f;
        f.targets = &table;
        f.load = [this](DataStore&, const std::string& path) {
            std::unique_lock<std::mutex> lock(mutex);
            loaded.push_back(QFileInfo(QString::fromStdString(path)).fileName().toStdString());
            if (path.size() >= holdAt.size() && !holdAt.empty() &&
                path.compare(path.size() - holdAt.size(), holdAt.size(), holdAt) == 0) {
                holding = true;
                cv.wait(lock, [this] { return released; });
                holding = false;
            }
            return true;
        };
        return f;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        cv.notify_all();
    }
    std::vector<std::string> Loaded() {
        std::lock_guard<std::mutex> lock(mutex);
        return loaded;
    }
};

void Drop(QWidget* target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    delete mime;
}

// Waits until the view has run `jobs` jobs and is idle with no worker.
bool WaitIdle(CChildView& view, int jobs, int timeoutMs = 20000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (view.JobsStarted() >= jobs && !view.HasProgressDialog() && !view.WorkerRunning()) return true;
        QTest::qWait(10);
    }
    return false;
}

}  // namespace

class JobIntakeTest : public QObject {
    Q_OBJECT
private slots:
    void jobQuestionsAreAnsweredOnTheUserInterfaceThread() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString in = dir.filePath("a.dsa");
        WriteText(in, "x");
        WriteText(dir.filePath("a.dsb"), "old");
        ConversionSettings settings;
        settings.DefaultFileType = 1;
        CChildView view(settings);
        FakeFormats fake;
        view.SetJobFormats(fake.Formats());
        bool onUiThread = false;
        boxes.onShow = [&](const BoxCall&) { onUiThread = QThread::currentThread() == qApp->thread(); };
        boxes.answers = {QMessageBox::No};  // keep the existing file
        view.ConvertFile(in);
        QVERIFY(WaitIdle(view, 1));
        QVERIFY(onUiThread);
        QCOMPARE(boxes.calls.size(), std::size_t{2});
        QCOMPARE(boxes.calls[0].text, QStringLiteral("Error converting a.dsa to a.dsb.\n\nA file called a.dsb already "
                                                     "exists in the target directory.\n\nOverwrite?"));
        QCOMPARE(boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(boxes.calls[1].text, QStringLiteral("Done.\r\n\r\nProcessed 0 files, skipped 1 file.\r\n\r\n"
                                                     "a.dsa skipped: the output exists and was not replaced.\r\n"));
        QCOMPARE(kyn::test::ReadFile(Local(dir.filePath("a.dsb"))), "old");
    }

    void quitWhileBusyLetsTheJobFinishWithoutTheDialog() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QStringList paths = {dir.filePath("first.dsa"), dir.filePath("second.dsa")};
        for (const QString& p : paths) WriteText(p, "x");
        ConversionSettings settings;
        settings.DefaultFileType = 1;
        auto view = std::make_unique<CChildView>(settings);
        FakeFormats fake;
        fake.holdAt = "second.dsa";  // the job's first file
        view->SetJobFormats(fake.Formats());

        QPointer<CProgressDlg> dialog;
        boxes.answers = {QMessageBox::Yes};
        // Once the worker is inside its first file, the user presses Escape and confirms.
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (!fake.holding || !view->ProgressDialog() || !view->ProgressDialog()->isVisible()) return;
            poll.stop();
            dialog = view->ProgressDialog();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        poll.start();
        Drop(view.get(), paths);
        QTRY_VERIFY_WITH_TIMEOUT(view->JobsStarted() == 1 && !view->HasProgressDialog(), 20000);
        QVERIFY(dialog.isNull());  // destroyed
        QVERIFY(view->WorkerRunning());
        QCOMPARE(boxes.Texts().size(), 1);
        QVERIFY(boxes.Texts()[0].startsWith(QLatin1String("Warning!  KYNDataConverter is currently busy.")));

        // The job finishes its file, then sees the stop signal; its messages go nowhere.
        const int droppedBefore = view->Relay().Dropped();
        fake.Release();
        view->WaitForWorker();
        QVERIFY(view->Relay().Dropped() >= droppedBefore + 2);  // progress and aborted at least
        QVERIFY(QFile::exists(dir.filePath("second.dsb")));
        QVERIFY(!QFile::exists(dir.filePath("first.dsb")));
        QCOMPARE(fake.Loaded(), std::vector<std::string>{"second.dsa"});
        QCOMPARE(boxes.Texts().size(), 1);  // no summary after quitting
        view.reset();                       // and the view goes with no worker left
    }

    // A job asked for while the stopped job's worker still holds its last file is queued: the
    // window does not wait, and the job starts once that worker has returned.
    void newJobIsQueuedWhileTheStoppedJobFinishes() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QStringList firstJob = {dir.filePath("a1.dsa"), dir.filePath("a2.dsa")};
        const QString secondJob = dir.filePath("b.dsa");
        for (const QString& p : firstJob + QStringList{secondJob}) WriteText(p, "x");
        ConversionSettings settings;
        settings.DefaultFileType = 1;
        CChildView view(settings);
        FakeFormats fake;
        fake.holdAt = "a2.dsa";
        view.SetJobFormats(fake.Formats());
        boxes.answers = {QMessageBox::Yes};
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (!fake.holding || !view.ProgressDialog() || !view.ProgressDialog()->isVisible()) return;
            poll.stop();
            view.ProgressDialog()->reject();
        });
        poll.start();
        view.ConvertFiles({Local(firstJob[0]), Local(firstJob[1])});
        QVERIFY(view.WorkerRunning());

        QElapsedTimer returned;
        returned.start();
        view.ConvertFile(secondJob);
        QVERIFY(returned.elapsed() < 1000);  // no waiting on the user-interface thread
        QCOMPARE(view.JobsQueued(), 1);
        QCOMPARE(view.JobsStarted(), 1);
        QVERIFY(view.WorkerRunning());
        QTest::qWait(100);
        QCOMPARE(view.JobsStarted(), 1);  // still waiting for the held file

        fake.Release();
        QVERIFY(WaitIdle(view, 2));
        QCOMPARE(view.JobsQueued(), 0);
        QCOMPARE(fake.Loaded(), (std::vector<std::string>{"a2.dsa", "b.dsa"}));
        QCOMPARE(boxes.Texts().last(), QStringLiteral("Done.\r\n\r\nProcessed 1 file.\r\n"));
        QVERIFY(QFile::exists(dir.filePath("b.dsb")));
    }

    // The end of the program waits only a short while for a worker that does not return; the
    // worker keeps what it uses and finishes on its own.
    void theViewsEndDoesNotWaitForAStuckWorker() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString in = dir.filePath("slow.dsa");
        WriteText(in, "x");
        ConversionSettings settings;
        settings.DefaultFileType = 1;
        auto fake = std::make_shared<FakeFormats>();
        fake->holdAt = "slow.dsa";
        auto view = std::make_unique<CChildView>(settings);
        JobFormats formats = fake->Formats();
        // The loader keeps the fake alive for as long as the worker holds it.
        formats.load = [fake, load = formats.load](DataStore& ds, const std::string& path) { return load(ds, path); };
        view->SetJobFormats(formats);
        boxes.answers = {QMessageBox::Yes};
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (!fake->holding || !view->ProgressDialog() || !view->ProgressDialog()->isVisible()) return;
            poll.stop();
            view->ProgressDialog()->reject();
        });
        poll.start();
        view->ConvertFile(in);
        QVERIFY(view->WorkerRunning());
        const int abandoned = CChildView::AbandonedWorkers();
        QElapsedTimer timer;
        timer.start();
        view.reset();
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(CChildView::AbandonedWorkers(), abandoned + 1);
        // Let the worker go; it finishes with the state it shares and writes nothing more than
        // its one file (its dialog is gone, so it asks nothing).
        fake->Release();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("slow.dsb")), 10000);
        QCOMPARE(boxes.Texts().size(), 1);  // only the quit question
    }

    // Real files through the real formats; a folder among them is passed over without a word.
    void droppedFilesConvertWithTheRealFormatsAndFoldersArePassedOver() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        const QString a = dir.filePath("alpha.dsa"), b = dir.filePath("beta.dsa");
        QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("Alpha"), Local(a)));
        QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("Beta"), Local(b)));
        ConversionSettings settings;
        settings.DefaultFileType = 1;  // VarnixBinary
        CChildView view(settings);
        view.show();
        Drop(&view, {a, dir.filePath("sub"), b});
        QVERIFY(WaitIdle(view, 1));
        // The summary names the files written and says why the folder was not converted.
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("Done.\r\n\r\nProcessed 2 files.\r\n\r\n"
                                                           "Written: alpha.dsb, beta.dsb.\r\n"
                                                           "sub passed over: it is a folder, not a regular file.\r\n")});
        for (const auto& [path, title] : {std::pair{dir.filePath("alpha.dsb"), "Alpha"}, {dir.filePath("beta.dsb"), "Beta"}}) {
            DataStore ds(true);
            QVERIFY(ds.Load(Local(path), false));
            QCOMPARE(ds.title, std::string(title));
            QCOMPARE(ds.dimensions.Count(), 2);
        }
        QVERIFY(QFile::exists(a));  // originals kept
    }

    // The whole drop is planned before the first write: a file that would be written over another
    // dropped file gets a numbered name even when overwriting silently, and a named pipe among
    // the files is passed over at once instead of freezing the job.
    void droppedFilesNeverReplaceEachOtherAndPipesDoNotBlock() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString melt = dir.filePath("m.dsb"), flow = dir.filePath("m.dsa"), pipe = dir.filePath("pipe.dsa");
        QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("melt"), Local(melt)));
        QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("flow"), Local(flow)));
        QCOMPARE(::mkfifo(Local(pipe).c_str(), 0600), 0);
        ConversionSettings settings;
        settings.DefaultFileType = 2;  // VarnixStore
        settings.SilentlyOverwrite = 1;
        CChildView view(settings);
        view.show();
        Drop(&view, {melt, flow, pipe});
        QVERIFY(WaitIdle(view, 1));
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral(
                                    "Done.\r\n\r\nProcessed 2 files.\r\n\r\nWritten: m(3).dsa, m(2).dsa.\r\n"
                                    "pipe.dsa passed over: it is a named pipe (FIFO), not a regular file.\r\n")});
        for (const auto& [name, title] : {std::pair{"m.dsa", "flow"}, {"m(2).dsa", "flow"}, {"m(3).dsa", "melt"}}) {
            DataStore ds(true);
            QVERIFY(ds.Load(Local(dir.filePath(QString::fromLatin1(name))), false));
            QCOMPARE(ds.title, std::string(title));
        }
    }

    // A file written without all of its data is counted and named in the summary, with what it
    // lost; its original stays although its deletion was asked.
    void lossyExportsAreNamedInTheSummary() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString cube = dir.filePath("cube.dsa");
        WriteCubeWithInfinity(cube);
        ConversionSettings settings;
        settings.DefaultFileType = 6;  // JCAMP-DX: no number for an infinite value
        settings.DeleteOriginals = 1;
        CChildView view(settings);
        view.ConvertFile(cube);
        QVERIFY(WaitIdle(view, 1));
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral(
                                    "Done.\r\n\r\nProcessed 1 file (1 with warnings).\r\n\r\nWritten: cube.jdx.\r\n"
                                    "cube.dsa -> cube.jdx: "
                                    "1 value that is not finite (NaN or infinity) was left out (JCAMP-DX has no "
                                    "number for it); the original was kept.\r\n")});
        QVERIFY(QFile::exists(cube));
        QVERIFY(QFile::exists(dir.filePath("cube.jdx")));
    }
};

KYN_APP_TEST(JobIntakeTest);

}  // namespace kyn::app::test

#include "JobIntakeTest.moc"
