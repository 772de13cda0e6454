// The options dialog: which boxes the format choice and the file-handling boxes enable, the
// warnings before the options that delete or overwrite, and what OK hands back.
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

    void dependentBoxesFollowTheFormatChoice() {
        ConversionSettings s;
        s.DefaultFileType = 3;
        s.StripHeaderInformation = 1;
        COptionsDlg d(s);
        QVERIFY(d.Control(IDC_STRIP_HEADER)->isEnabled());
        QVERIFY(!d.Control(IDC_EURO_LOCALE)->isEnabled());
        QVERIFY(!d.Control(IDC_EXTRA)->isEnabled());

        d.Control(IDC_SAVE_TSV)->click();
        QVERIFY(d.Control(IDC_EURO_LOCALE)->isEnabled());
        QVERIFY(!d.Control(IDC_STRIP_HEADER)->isEnabled());
        QVERIFY(!d.Control(IDC_EXTRA)->isEnabled());
        // A disabled box keeps its value.
        QVERIFY(d.Control(IDC_STRIP_HEADER)->isChecked());

        d.Control(IDC_SAVE_THALEN)->click();
        for (int id : {IDC_STRIP_HEADER, IDC_EURO_LOCALE, IDC_EXTRA}) QVERIFY(!d.Control(id)->isEnabled());

        for (int id : {IDC_SAVE_VARNIXBINARYX, IDC_SAVE_VARNIXBINARY, IDC_SAVE_VARNIXSTORE, IDC_SAVE_JCAMP}) {
            d.Control(id)->click();
            QVERIFY2(!d.Control(IDC_STRIP_HEADER)->isEnabled() && !d.Control(IDC_EURO_LOCALE)->isEnabled(),
                     qPrintable(QString::number(id)));
        }
        d.accept();
        ConversionSettings out;
        d.ApplyTo(out);
        QCOMPARE(out.DefaultFileType, 6);
        QCOMPARE(out.StripHeaderInformation, 1);
    }

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

    void rememberedDeleteStateOutlivesTheDialog() {
        ScriptedBoxes boxes;
        boxes.answers = {QMessageBox::Yes};
        ConversionSettings s = InPlaceReady();
        s.DeleteOriginals = 1;
        {
            COptionsDlg first(s);
            first.Control(IDC_IN_PLACE)->click();
            first.accept();
            first.ApplyTo(s);
        }
        QCOMPARE(s.SaveInPlace, 1);
        QCOMPARE(COptionsDlg::RememberedDelete(), 1);
        // Opening on an in-place setting greys the delete box; switching in-place off brings
        // back the state remembered when it was switched on.
        s.DeleteOriginals = 0;
        COptionsDlg second(s);
        QCOMPARE(State(second, IDC_DELETE_ORIGINALS), QStringLiteral("E0C0"));
        second.Control(IDC_IN_PLACE)->click();
        QCOMPARE(State(second, IDC_DELETE_ORIGINALS), QStringLiteral("E1C1"));
    }

    // The in-place box is usable only while neither the extensions box nor the Acorn box is
    // checked; checking either clears it.
    void extensionsAndAcornBoxesExcludeInPlace() {
        ScriptedBoxes boxes;
        COptionsDlg d(ConversionSettings{});
        QCOMPARE(State(d, IDC_SENSIBLE_EXTENSIONS), QStringLiteral("E1C1"));
        QCOMPARE(State(d, IDC_IN_PLACE), QStringLiteral("E0C0"));
        d.Control(IDC_STRIP_ACORN)->click();  // on
        d.Control(IDC_STRIP_ACORN)->click();  // off: the extensions box still excludes in-place
        QCOMPARE(State(d, IDC_IN_PLACE), QStringLiteral("E0C0"));
        d.Control(IDC_SENSIBLE_EXTENSIONS)->click();  // off
        QCOMPARE(State(d, IDC_IN_PLACE), QStringLiteral("E1C0"));
        d.Control(IDC_SENSIBLE_EXTENSIONS)->click();  // on again
        QCOMPARE(State(d, IDC_IN_PLACE), QStringLiteral("E0C0"));

        ConversionSettings s = InPlaceReady();
        s.SaveInPlace = 1;
        COptionsDlg inPlace(s);
        QCOMPARE(State(inPlace, IDC_IN_PLACE), QStringLiteral("E1C1"));
        QCOMPARE(State(inPlace, IDC_DELETE_ORIGINALS), QStringLiteral("E0C0"));
        inPlace.Control(IDC_STRIP_ACORN)->click();  // on
        QCOMPARE(State(inPlace, IDC_IN_PLACE), QStringLiteral("E0C0"));
        QVERIFY(inPlace.Control(IDC_DELETE_ORIGINALS)->isEnabled());
        inPlace.Control(IDC_STRIP_ACORN)->click();  // off: in-place usable again
        QCOMPARE(State(inPlace, IDC_IN_PLACE), QStringLiteral("E1C0"));
        QVERIFY(boxes.calls.empty());
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
