// The options dialog: the warnings before the options that delete or overwrite files, and what
// the answer to each does to the boxes.
#include <QAbstractButton>

#include "AppTestSupport.h"
#include "app/OptionsDlg.h"
#include "app/Resources.h"

namespace kyn::app::test {

namespace {

const QString kInPlaceWarning = QStringLiteral(
    "Warning!\n\nAfter file conversion the original file will be deleted and replaced with the new file.\n\nAre you "
    "sure you want to do this?");
const QString kOverwriteWarning = QStringLiteral(
    "Warning!\n\nSelecting this option will allow KYNDataConverter to silently overwrite existing files.\n\nAre you "
    "sure you want to do this?");
const QString kDeleteWarning = QStringLiteral(
    "Warning!\n\nSelecting this option will cause the original file (upon successfull conversion) to be "
    "deleted.\n\nAre you sure you want to do this?!");

// Enabled and checked state of one box, as "E1"/"E0" + "C1"/"C0".
QString State(COptionsDlg& d, int id) {
    QAbstractButton* b = d.Control(id);
    return QStringLiteral("E%1C%2").arg(b->isEnabled() ? 1 : 0).arg(b->isChecked() ? 1 : 0);
}

// Free of the extension and Acorn boxes, so the in-place box can be used.
ConversionSettings InPlaceReady() {
    ConversionSettings s;
    s.UseSensibleExtensions = 0;
    return s;
}

}  // namespace

class OptionsDlgTest : public QObject {
    Q_OBJECT
private slots:
    void init() { COptionsDlg::ResetRememberedDelete(); }

    // No to the warning changes nothing; Yes hands the delete, Acorn and extensions boxes to the
    // in-place box, and switching it off gives them back.
    void inPlaceTakesOverTheOtherBoxesAndGivesThemBack_data() {
        QTest::addColumn<int>("deleteBefore");
        QTest::newRow("delete off") << 0;
        QTest::newRow("delete on") << 1;
    }
    void inPlaceTakesOverTheOtherBoxesAndGivesThemBack() {
        QFETCH(int, deleteBefore);
        ScriptedBoxes boxes;
        boxes.answers = {QMessageBox::No, QMessageBox::Yes};
        ConversionSettings s = InPlaceReady();
        s.DeleteOriginals = deleteBefore;
        COptionsDlg d(s);
        const QString others = State(d, IDC_DELETE_ORIGINALS) + State(d, IDC_STRIP_ACORN) + State(d, IDC_SENSIBLE_EXTENSIONS);
        d.Control(IDC_IN_PLACE)->click();
        QCOMPARE(boxes.Texts(), QStringList{kInPlaceWarning});
        QCOMPARE(boxes.calls[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(State(d, IDC_IN_PLACE), QStringLiteral("E1C0"));
        QCOMPARE(State(d, IDC_DELETE_ORIGINALS) + State(d, IDC_STRIP_ACORN) + State(d, IDC_SENSIBLE_EXTENSIONS), others);

        d.Control(IDC_IN_PLACE)->click();
        QCOMPARE(State(d, IDC_IN_PLACE), QStringLiteral("E1C1"));
        QCOMPARE(State(d, IDC_DELETE_ORIGINALS), QStringLiteral("E0C1"));
        QCOMPARE(State(d, IDC_STRIP_ACORN), QStringLiteral("E0C0"));
        QCOMPARE(State(d, IDC_SENSIBLE_EXTENSIONS), QStringLiteral("E0C0"));

        // Switching it off asks nothing and restores the delete box.
        d.Control(IDC_IN_PLACE)->click();
        QCOMPARE(boxes.calls.size(), std::size_t{2});
        QCOMPARE(State(d, IDC_DELETE_ORIGINALS), QStringLiteral("E1C%1").arg(deleteBefore));
        QVERIFY(d.Control(IDC_STRIP_ACORN)->isEnabled());
        QVERIFY(d.Control(IDC_SENSIBLE_EXTENSIONS)->isEnabled());
    }

    void warnedBoxesStayClearWhenTheAnswerIsNo_data() {
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("warning");
        QTest::newRow("overwrite") << int(IDC_SILENT_OVERWRITE) << kOverwriteWarning;
        QTest::newRow("delete") << int(IDC_DELETE_ORIGINALS) << kDeleteWarning;
    }
    void warnedBoxesStayClearWhenTheAnswerIsNo() {
        QFETCH(int, control);
        QFETCH(QString, warning);
        ScriptedBoxes boxes;
        boxes.answers = {QMessageBox::No, QMessageBox::Yes};
        COptionsDlg d(ConversionSettings{});
        QAbstractButton* box = d.Control(control);
        box->click();
        QVERIFY(!box->isChecked());
        box->click();
        QVERIFY(box->isChecked());
        QCOMPARE(boxes.Texts(), (QStringList{warning, warning}));
        box->click();  // switching off asks nothing
        QVERIFY(!box->isChecked());
        QCOMPARE(boxes.calls.size(), std::size_t{2});
    }
};

KYN_APP_TEST(OptionsDlgTest);

}  // namespace kyn::app::test

#include "OptionsDlgTest.moc"
