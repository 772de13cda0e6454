// The About box's links: a failed open tells the user why and leaves the link unvisited.
#include "AppTestSupport.h"
#include "app/AboutDlg.h"
#include "app/HyperLink.h"

namespace kyn::app::test {

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { CHyperLink::SetOpener(nullptr); }

    void failedOpenReportsTheReason_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not found") << 2 << "The specified file was not found.";
        QTest::newRow("unknown") << 4 << "Unknown Error (4) occurred.";
    }
    void failedOpenReportsTheReason() {
        QFETCH(int, result);
        QFETCH(QString, reason);
        ScriptedBoxes boxes;
        CHyperLink::SetOpener([&](const QUrl&) { return result; });
        CAboutDlg about;
        about.WebLink()->OpenURL();
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("Unable to open hyperlink:\n\n") + reason});
        QCOMPARE(boxes.calls[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes.beeps, 1);
        QVERIFY(!about.WebLink()->GetVisited());
    }
};

KYN_APP_TEST(AboutBoxTest);

}  // namespace kyn::app::test

#include "AboutBoxTest.moc"
