// Start-up and exit of the application object: the stored settings through the per-user store,
// the first-run message, Always on Top, and the commands the application handles.
#include <QAbstractButton>
#include <QAction>
#include <QSettings>
#include <atomic>
#include <thread>

#include "AppTestSupport.h"
#include "app/ChildView.h"
#include "app/KYNDataConverterApp.h"
#include "app/MainFrame.h"
#include "app/OptionsDlg.h"
#include "app/Resources.h"

namespace kyn::app::test {

namespace {

const QString kFirstRun = QStringLiteral(
    "This is the first time you have run KYNDataConverter.\n\nPlease choose your preferred configuration "
    "settings.\nSelect \"Options\" from the \"View\" menu.\n");

QSettings Stored() { return QSettings(QStringLiteral("Velorant Ltd"), QStringLiteral("KYNDataConverter")); }

void ClearStore() {
    QSettings s = Stored();
    s.clear();
    s.sync();
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearStore(); }

    void firstRunShowsTheMessageOnce() {
        {
            ScriptedBoxes boxes;
            CKYNDataConverterApp app;
            QVERIFY(app.InitInstance());
            QCOMPARE(boxes.Texts(), QStringList{kFirstRun});
            // Nothing is written before the end.
            QVERIFY(Stored().allKeys().isEmpty());
            app.MainFrame()->close();
            app.ExitInstance();
        }
        QCOMPARE(Stored().value("Options/Configured").toInt(), 1);
        {
            ScriptedBoxes boxes;
            CKYNDataConverterApp app;
            app.InitInstance();
            QVERIFY(boxes.calls.empty());
        }
    }

    void storedValuesAreUsedAndWrittenBack() {
        {
            QSettings s = Stored();
            s.setValue("Options/DefaultFileType", 5);
            s.setValue("Options/SilentlyOverwrite", 7);  // used as it stands, written back as a flag
            s.setValue("Options/Configured", 1);
            s.setValue("Settings/AlwaysOnTop", 1);
        }
        ScriptedBoxes boxes;
        {
            CKYNDataConverterApp app;
            app.InitInstance();
            QVERIFY(boxes.calls.empty());
            QCOMPARE(app.Settings().DefaultFileType, 5);
            QCOMPARE(app.Settings().SilentlyOverwrite, 7);
            QVERIFY(app.MainFrame()->IsTopmost());
            QAction* onTop = app.MainFrame()->Action(ID_VIEW_ALWAYSONTOP);
            QVERIFY(onTop->isChecked());
            onTop->trigger();
            QVERIFY(!onTop->isChecked());
            QVERIFY(!app.MainFrame()->IsTopmost());
            QCOMPARE(app.AlwaysOnTop(), 0);
            app.Settings().StripHeaderInformation = 1;
            app.ExitInstance();
        }
        QSettings stored = Stored();
        QCOMPARE(stored.value("Options/DefaultFileType").toInt(), 5);
        QCOMPARE(stored.value("Options/SilentlyOverwrite").toInt(), 1);
        QCOMPARE(stored.value("Settings/AlwaysOnTop").toInt(), 0);
        QVERIFY(!stored.contains("Options/StripHeaderInformation"));
    }

    void optionsOkConfiguresAndCancelDoesNot() {
        ScriptedBoxes boxes;
        CKYNDataConverterApp app;
        app.InitInstance();
        const auto runOptions = [&app](bool ok) {
            QTimer::singleShot(0, [ok] {
                auto* dlg = qobject_cast<COptionsDlg*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                dlg->Control(IDC_SAVE_JCAMP)->click();
                if (ok)
                    dlg->accept();
                else
                    dlg->reject();
            });
            app.OnViewOptions();
        };
        runOptions(false);
        QCOMPARE(app.Settings().DefaultFileType, 2);
        QCOMPARE(app.Settings().Configured, 0);
        runOptions(true);
        QCOMPARE(app.Settings().DefaultFileType, 6);
        QCOMPARE(app.Settings().Configured, 1);
    }

    void writerNoticesFromTheWorkerAreBoxesOnTheUserInterfaceThread() {
        ScriptedBoxes boxes;
        bool onUiThread = false;
        boxes.onShow = [&](const BoxCall&) { onUiThread = QThread::currentThread() == qApp->thread(); };
        {
            CKYNDataConverterApp app;
            app.InitInstance();
            boxes.calls.clear();  // the first-run message
            std::atomic<bool> shown{false};
            std::thread worker([&] { shown = Notify("Belmora", "Some data could not be written.", notice::kIconExclamation); });
            QTRY_VERIFY(shown.load());
            worker.join();
            QVERIFY(onUiThread);
            QCOMPARE(boxes.calls.size(), std::size_t{1});
            QCOMPARE(boxes.calls[0].caption, QStringLiteral("Belmora"));
            QCOMPARE(boxes.calls[0].icon, QMessageBox::Warning);
        }
        // After the program's end the notices no longer reach a box.
        Notify("Belmora", "after", 0);
        QCOMPARE(boxes.calls.size(), std::size_t{1});
    }
};

KYN_APP_TEST(StartupTest);

}  // namespace kyn::app::test

#include "StartupTest.moc"
