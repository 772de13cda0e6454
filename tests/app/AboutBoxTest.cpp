// The About box's texts and links, and the hyperlink control's colours, hover and failures.
#include <QCursor>

#include "AppTestSupport.h"
#include "app/AboutDlg.h"
#include "app/HyperLink.h"

namespace kyn::app::test {

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { CHyperLink::SetOpener(nullptr); }

    void versionTextsComeFromTheBuild() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About KYNDataConverter"));
        QCOMPARE(about.VersionText(),
                 QStringLiteral("KYN Data Converter Application version 4.2.27\nVarnix core version 4.2.27"));
        QVERIFY(!about.LegalText().isEmpty());
        QCOMPARE(about.EmailLink()->GetURL(),
                 QStringLiteral("mailto:support@example.org?Subject=Request for technical support."));
        QVERIFY(QUrl(about.WebLink()->GetURL()).host().endsWith(QLatin1String("example.org")));
        QCOMPARE(about.WebLink()->toolTip(), about.WebLink()->GetURL());

        // Without a product version both texts stay empty.
        CAboutDlg bare(nullptr, VersionResource{QStringLiteral("Name"), QString(), QStringLiteral("(C)")});
        QVERIFY(bare.VersionText().isEmpty());
        QVERIFY(bare.LegalText().isEmpty());
        CAboutDlg none(nullptr, std::nullopt);
        QVERIFY(none.VersionText().isEmpty());
    }

    void failedOpenReportsTheReason_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no association") << 31
                                        << "There is no application associated\nwith the given filename extension.";
        QTest::newRow("not found") << 2 << "The specified file was not found.";
        QTest::newRow("out of memory") << 0 << "The operating system is out\nof memory or resources.";
        QTest::newRow("unknown") << 4 << "Unknown Error (4) occurred.";
    }
    void failedOpenReportsTheReason() {
        QFETCH(int, result);
        QFETCH(QString, reason);
        ScriptedBoxes boxes;
        QUrl opened;
        CHyperLink::SetOpener([&](const QUrl& url) {
            opened = url;
            return result;
        });
        CAboutDlg about;
        about.WebLink()->OpenURL();
        QCOMPARE(opened, QUrl(about.WebLink()->GetURL()));
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("Unable to open hyperlink:\n\n") + reason});
        QCOMPARE(boxes.calls[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes.beeps, 1);
        QVERIFY(!about.WebLink()->GetVisited());
        QCOMPARE(about.WebLink()->CurrentColour(), QColor(0, 0, 238));
    }

    void openedLinkIsVisited() {
        ScriptedBoxes boxes;
        CHyperLink::SetOpener([](const QUrl&) { return 42; });
        CAboutDlg about;
        about.EmailLink()->OpenURL();
        QVERIFY(boxes.calls.empty());
        QVERIFY(about.EmailLink()->GetVisited());
        QCOMPARE(about.EmailLink()->CurrentColour(), QColor(85, 26, 139));
    }

    void hoverTurnsRedAndUnderlinesUntilThePointerLeaves() {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        CHyperLink* link = about.WebLink();
        QVERIFY(!link->Underlined());
        QCursor::setPos(link->mapToGlobal(link->rect().center()));
        QEnterEvent enter(link->rect().center(), link->rect().center(), link->mapToGlobal(link->rect().center()));
        QApplication::sendEvent(link, &enter);
        QCOMPARE(link->CurrentColour(), QColor(255, 0, 0));
        QVERIFY(link->Underlined());
        QTest::qWait(250);  // still over it: the look stays
        QVERIFY(link->MouseOver());
        QCursor::setPos(about.mapToGlobal(QPoint(1, 1)));
        QTRY_VERIFY_WITH_TIMEOUT(!link->MouseOver(), 400);
        QVERIFY(!link->Underlined());
        QCOMPARE(link->CurrentColour(), QColor(0, 0, 238));
    }

    void linkTextAndUrlStandInForEachOther() {
        CHyperLink byText(QStringLiteral("https://www.example.org/docs"));
        QCOMPARE(byText.GetURL(), QStringLiteral("https://www.example.org/docs"));
        QCOMPARE(byText.toolTip(), byText.GetURL());
        CHyperLink byUrl;
        byUrl.SetURL(QStringLiteral("https://www.example.org/"));
        QCOMPARE(byUrl.text(), QStringLiteral("https://www.example.org/"));
        byUrl.SetUnderline(1);
        QVERIFY(byUrl.Underlined());
        byUrl.SetUnderline(0);
        QVERIFY(!byUrl.Underlined());
    }
};

KYN_APP_TEST(AboutBoxTest);

}  // namespace kyn::app::test

#include "AboutBoxTest.moc"
