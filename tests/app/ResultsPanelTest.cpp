// The results list after real jobs: a row for every input of every job with its state, output,
// reason and warnings; the folder opened by a double-click, the context menu's copies, Clear.
// Also the questions a batch asks: Yes / No to All on the overwrite question, and the SimpleCSV
// box that can be left out for the rest of a job.
#include <limits>

#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QTreeWidget>
#include <condition_variable>
#include <mutex>

#include "AppTestSupport.h"
#include "app/ChildView.h"
#include "app/KYNDataConverterApp.h"
#include "app/MainFrame.h"
#include "app/ResultsPanel.h"
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"
#include "Stores.h"
#include "TestSupport.h"
#include "util/TextStream.h"

namespace kyn::app::test {

namespace {

using State = ResultsPanel::State;


// A loader that loads nothing and a writer that writes one word, for jobs about questions only.
struct WordFormats {
    TargetTable table{{1, "dsb", "VarnixBinary", ".dsb", StreamMode::Binary,
                       [](DataStore&, std::ostream& os, const WriterOptions&) { os << "new"; }}};
    JobFormats Formats() {
        JobFormats f;
        f.targets = &table;
        f.load = [](DataStore&, const std::string&) { return true; };
        return f;
    }
};

bool WaitIdle(CChildView& view, int jobs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        if (view.JobsStarted() >= jobs && !view.HasProgressDialog() && !view.WorkerRunning()) {
            QCoreApplication::processEvents();  // the worker's last results
            return true;
        }
        QTest::qWait(10);
    }
    return false;
}

}  // namespace

class ResultsPanelTest : public QObject {
    Q_OBJECT
private slots:
    void everyOutcomeOfRealJobsHasItsRow() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        const QString good = dir.filePath("good.dsa"), bad = dir.filePath("bad.dsa"), there = dir.filePath("there.dsa");
        QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("good"), Local(good)));
        QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement("there"), Local(there)));
        WriteText(bad, "no measurement in here\n");
        WriteText(dir.filePath("there.dsb"), "old");
        ConversionSettings settings;
        settings.DefaultFileType = 1;  // VarnixBinary
        CMainFrame frame(settings);
        ResultsPanel& results = *frame.Results();
        QVERIFY(!results.isVisibleTo(&frame));  // the drop picture alone until the first job

        // Taken from the last to the first: No to overwriting there.dsb, OK to the read failure.
        boxes.answers = {QMessageBox::No, QMessageBox::Ok};
        frame.View()->ConvertFiles({Local(good), Local(bad), Local(dir.filePath("sub")), Local(there)});
        QVERIFY(WaitIdle(*frame.View(), 1));
        QVERIFY(results.isVisibleTo(&frame));
        QCOMPARE(results.RowCount(), 4);
        QCOMPARE(results.StateOf(0), State::Converted);
        QCOMPARE(results.Text(0, ResultsPanel::kOutput), QStringLiteral("good.dsb"));
        QCOMPARE(results.OutputPath(0), dir.filePath("good.dsb"));
        QVERIFY(results.Text(0, ResultsPanel::kReason).isEmpty());
        QCOMPARE(results.StateOf(1), State::Failed);
        QCOMPARE(results.Text(1, ResultsPanel::kReason), QStringLiteral("The file is of an unrecognised format"));
        QCOMPARE(results.StateOf(2), State::PassedOver);
        QCOMPARE(results.Text(2, ResultsPanel::kReason), QStringLiteral("it is a folder, not a regular file"));
        QCOMPARE(results.StateOf(3), State::Skipped);
        QCOMPARE(results.Text(3, ResultsPanel::kReason), QStringLiteral("the output exists and was not replaced"));
        QCOMPARE(results.Text(3, ResultsPanel::kState), QStringLiteral("skipped"));
        QCOMPARE(kyn::test::ReadFile(Local(dir.filePath("there.dsb"))), "old");
        // The summary says the same, file by file.
        QCOMPARE(boxes.Texts().last(),
                 QStringLiteral("Done.\r\n\r\nProcessed 1 file, skipped 2 files.\r\n\r\nWritten: good.dsb.\r\n"
                                "bad.dsa failed: The file is of an unrecognised format.\r\n"
                                "sub passed over: it is a folder, not a regular file.\r\n"
                                "there.dsa skipped: the output exists and was not replaced.\r\n"));

        // A second job adds its rows: an export that drops a value is converted with warnings.
        const QString cube = dir.filePath("cube.dsa");
        WriteCubeWithInfinity(cube);
        settings.DefaultFileType = 6;  // JCAMP-DX
        frame.View()->ConvertFile(cube);
        QVERIFY(WaitIdle(*frame.View(), 2));
        QCOMPARE(results.RowCount(), 5);
        QCOMPARE(results.StateOf(4), State::ConvertedWithWarnings);
        QCOMPARE(results.Text(4, ResultsPanel::kOutput), QStringLiteral("cube.jdx"));
        QVERIFY(results.Text(4, ResultsPanel::kWarnings).contains(QLatin1String("not finite")));

        // A save that fails says why under the box's own text, and in its row.
        const QString flat = dir.filePath("flat.dsa");
        QVERIFY(kyn::test::WriteStore(kyn::test::Store({"Absorbance"}, {kyn::test::Dim("Wavelength", {1, 2, 3})},
                                                       [](int i) { return float(i); }),
                                      Local(flat)));
        settings.DefaultFileType = 4;  // the kinetic formats need a Time dimension
        boxes.answers = {QMessageBox::Ok};
        frame.View()->ConvertFile(flat);
        QVERIFY(WaitIdle(*frame.View(), 3));
        QCOMPARE(results.StateOf(5), State::Failed);
        const BoxCall& saveBox = boxes.calls[boxes.calls.size() - 2];
        QVERIFY(saveBox.text.startsWith(QLatin1String("Sorry, KYNDataConverter was unable to save the file flat.glb.")));
        QVERIFY(!results.Text(5, ResultsPanel::kReason).isEmpty());
        QCOMPARE(saveBox.informative, QStringLiteral("Reason: %1.").arg(results.Text(5, ResultsPanel::kReason)));
        QVERIFY(!QFile::exists(dir.filePath("flat.glb")));

        // Double-click opens the output's folder; a row without an output opens its input's.
        QStringList opened;
        results.SetFolderOpener([&opened](const QString& folder) { opened << folder; });
        frame.resize(900, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTreeWidget* tree = results.Tree();
        const QPoint firstRow(10, tree->visualItemRect(tree->topLevelItem(0)).center().y());
        // A double-click as the user makes it: a click, then the second press.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, firstRow);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, firstRow);
        results.OpenFolderOf(2);
        QCOMPARE(opened, (QStringList{QDir(dir.path()).absolutePath(), QDir(dir.path()).absolutePath()}));

        // The context menu copies the reason and the paths; a row without output cannot copy one.
        std::unique_ptr<QMenu> menu(results.MenuFor(1));
        QVERIFY(!menu->findChild<QAction*>(QStringLiteral("copyOutput"))->isEnabled());
        menu->findChild<QAction*>(QStringLiteral("copyReason"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("The file is of an unrecognised format"));
        menu->findChild<QAction*>(QStringLiteral("copyInput"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), bad);

        results.ClearFinished();
        QCOMPARE(results.RowCount(), 0);
    }

    // Files dropped on the list start a job like files dropped on the picture.
    void filesDroppedOnTheListAreConverted() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString a = dir.filePath("a.dsa");
        WriteText(a, "x");
        ConversionSettings settings;
        settings.DefaultFileType = 1;
        CMainFrame frame(settings);
        WordFormats words;
        frame.View()->SetJobFormats(words.Formats());
        frame.Results()->show();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(a)});
        const QPoint at = frame.Results()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame.Results(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame.Results(), &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(WaitIdle(*frame.View(), 1));
        QCOMPARE(frame.Results()->RowCount(), 1);
        QCOMPARE(frame.Results()->StateOf(0), State::Converted);
        QCOMPARE(kyn::test::ReadFile(Local(dir.filePath("a.dsb"))), "new");
    }

    // Rows of a job that was stopped: the files it never reached say so.
    void filesAJobNeverReachedAreMarked() {
        ResultsPanel panel;
        panel.AddJob(7, {"/d/a.dsa", "/d/b.dsa", "/d/c.dsa"});
        panel.ShowStatus(7, {JobStatus::Action::Converting, "/d", "c.dsa", "c.dsb", {}});
        QCOMPARE(panel.StateOf(2), State::Converting);
        FileResult r;
        r.input = "/d/c.dsa";
        r.output = "/d/c.dsb";
        panel.AddResult(7, r);
        panel.EndJob(7);
        QCOMPARE(panel.StateOf(2), State::Converted);
        QCOMPARE(panel.StateOf(0), State::NotReached);
        QCOMPARE(panel.StateOf(1), State::NotReached);
        // Clear keeps the rows of a job that is still running.
        panel.AddJob(8, {"/d/e.dsa"});
        panel.ClearFinished();
        QCOMPARE(panel.RowCount(), 1);
        QCOMPARE(panel.StateOf(0), State::Waiting);
    }

    void overwriteToAllAnswersTheRestOfTheJob_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("yes to all") << int(QMessageBox::YesToAll) << QByteArray("new");
        QTest::newRow("no to all") << int(QMessageBox::NoToAll) << QByteArray("old");
    }
    void overwriteToAllAnswersTheRestOfTheJob() {
        QFETCH(int, answer);
        QFETCH(QByteArray, content);
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        std::vector<std::filesystem::path> inputs;
        for (const char* name : {"a", "b", "c"}) {
            WriteText(dir.filePath(QStringLiteral("%1.dsa").arg(QLatin1String(name))), "x");
            WriteText(dir.filePath(QStringLiteral("%1.dsb").arg(QLatin1String(name))), "old");
            inputs.push_back(Local(dir.filePath(QStringLiteral("%1.dsa").arg(QLatin1String(name)))));
        }
        ConversionSettings settings;
        settings.DefaultFileType = 1;
        CMainFrame frame(settings);
        WordFormats words;
        frame.View()->SetJobFormats(words.Formats());
        boxes.answers = {QMessageBox::StandardButton(answer)};
        frame.View()->ConvertFiles(inputs);
        QVERIFY(WaitIdle(*frame.View(), 1));
        QCOMPARE(boxes.calls.size(), std::size_t{2});  // one question, then the summary
        QCOMPARE(boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                                             QMessageBox::NoToAll | QMessageBox::Cancel);
        for (const char* name : {"a", "b", "c"})
            QCOMPARE(QByteArray::fromStdString(kyn::test::ReadFile(Local(dir.filePath(QStringLiteral("%1.dsb").arg(QLatin1String(name)))))),
                     content);
        const State expected = answer == QMessageBox::YesToAll ? State::Converted : State::Skipped;
        for (int row = 0; row < 3; ++row) QCOMPARE(frame.Results()->StateOf(row), expected);
        QVERIFY(boxes.unexpected.isEmpty());
    }

    // With the CSV target written without its header, each store of several dimensions raises a
    // box; in a job of several files it names the file and can be left out for the rest of the
    // job. A job of one file shows the box as it always was.
    void theStripHeaderBoxCanBeLeftOutForTheRestOfTheJob() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        std::vector<std::filesystem::path> inputs;
        for (const char* name : {"m1", "m2", "m3"}) {
            const QString path = dir.filePath(QStringLiteral("%1.dsa").arg(QLatin1String(name)));
            QVERIFY(kyn::test::WriteStore(kyn::test::SmallMeasurement(name), Local(path)));
            inputs.push_back(Local(path));
        }
        MemorySettingsStore store;
        store.WriteInt(kOptionsSection, "Configured", 1);
        store.WriteInt(kOptionsSection, "DefaultFileType", 3);
        CKYNDataConverterApp app(&store);
        QVERIFY(app.InitInstance());
        app.Settings().StripHeaderInformation = 1;
        boxes.checks = {true};
        app.MainFrame()->View()->ConvertFiles(inputs);
        QVERIFY(WaitIdle(*app.MainFrame()->View(), 1));
        std::vector<BoxCall> notices;
        for (const BoxCall& c : boxes.calls)
            if (c.caption == QLatin1String("Belmora")) notices.push_back(c);
        QCOMPARE(notices.size(), std::size_t{1});
        QCOMPARE(notices[0].checkBox, QStringLiteral("Don't show again during this job"));
        QCOMPARE(notices[0].informative, QStringLiteral("File: m3.dsa"));  // the job's first file
        for (const char* name : {"m1", "m2", "m3"})
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("%1.csv").arg(QLatin1String(name)))));

        // The next job asks again; one file alone gets the plain box.
        boxes.calls.clear();
        app.Settings().SilentlyOverwrite = 1;
        app.MainFrame()->View()->ConvertFiles({inputs[0]});
        QVERIFY(WaitIdle(*app.MainFrame()->View(), 2));
        QCOMPARE(boxes.calls.size(), std::size_t{2});
        QCOMPARE(boxes.calls[0].caption, QStringLiteral("Belmora"));
        QVERIFY(boxes.calls[0].checkBox.isEmpty());
        QVERIFY(boxes.calls[0].informative.isEmpty());
    }
};

KYN_APP_TEST(ResultsPanelTest);

}  // namespace kyn::app::test

#include "ResultsPanelTest.moc"
