// The preview of the bundled examples: what it plots is checked against the file as the data
// model reads it (series, points, axis ranges and titles), and its header against the file's
// description. Files are read off the user-interface thread.
#include <QSignalSpy>
#include <cmath>

#include "AppTestSupport.h"
#include <QAction>

#include "app/ChildView.h"
#include "app/KYNDataConverterApp.h"
#include "app/MainFrame.h"
#include "app/PreviewPane.h"
#include "app/Resources.h"
#include "conversion/FileInfo.h"
#include "datastore/DataStore.h"

namespace kyn::app::test {

namespace {

QString Example(const char* name) { return QStringLiteral(KYN_SOURCE_DIR "/examples/data/") + QLatin1String(name); }

bool Shown(PreviewPane& pane, const QString& path) {
    QSignalSpy spy(&pane, &PreviewPane::Shown);
    pane.ShowFile(path);
    return spy.wait(20000) && spy.at(0).at(0).toString() == path && !pane.IsLoading();
}

// The value of property 0 at (i0, i1) of a store of two dimensions.
float At(const DataStore& ds, int i0, int i1) { return ds.data[i0 + static_cast<std::int64_t>(ds.dimensions.At(0).Steps()) * i1]; }

}  // namespace

class PreviewPaneTest : public QObject {
    Q_OBJECT
private slots:
    // Every bundled example: one curve along its longest dimension, spanning that axis, with the
    // header of its description.
    void everyBundledExampleIsPlottedAlongItsLongestAxis_data() {
        QTest::addColumn<QString>("file");
        for (const char* name : {"cd_spectrum.dsx", "melt.dsb", "spectrakinetic.glb", "stopped_flow.dsa"})
            QTest::newRow(name) << Example(name);
    }
    void everyBundledExampleIsPlottedAlongItsLongestAxis() {
        QFETCH(QString, file);
        PreviewPane pane;
        QVERIFY(Shown(pane, file));
        std::string reason;
        const std::optional<FileInfo> info = DescribeFile(Local(file), reason);
        QVERIFY(info);
        std::size_t longest = 0;
        for (std::size_t d = 0; d < info->dimensions.size(); ++d)
            if (info->dimensions[d].steps > info->dimensions[longest].steps) longest = d;
        const AxisInfo& axis = info->dimensions[longest];
        QCOMPARE(pane.SeriesCount(), 1);
        QCOMPARE(pane.PointCount(0), axis.steps);
        QCOMPARE(pane.XRange().first, double(axis.lowest));
        QCOMPARE(pane.XRange().second, double(axis.highest));
        QVERIFY(pane.YRange().first >= info->minValue && pane.YRange().second <= info->maxValue);
        QVERIFY(pane.XTitle().startsWith(QString::fromStdString(axis.name.substr(0, axis.name.find(' ')))));
        // The stopped-flow trace was sampled logarithmically in time.
        QCOMPARE(pane.XLogarithmic(), axis.name.find(" -log") != std::string::npos);
        QVERIFY(pane.Header().startsWith(file + QStringLiteral("\n  format: ") + QString::fromStdString(info->format)));
        QVERIFY(pane.Header().contains(QStringLiteral("  history: %1 entries").arg(info->historyEntries)));
    }

    // The melting curve: Wavelength (51 steps) by Temperature (15 steps); a slider picks the
    // temperature, the family shows one curve per temperature over the whole value range.
    void theMeltingCurveAlongEachDimension() {
        DataStore ds(true);
        QVERIFY(ds.Load(Local(Example("melt.dsb")), false));
        QCOMPARE(ds.dimensions.At(0).Steps(), 51);
        QCOMPARE(ds.dimensions.At(1).Steps(), 15);
        PreviewPane pane;
        QVERIFY(Shown(pane, Example("melt.dsb")));
        QCOMPARE(pane.XTitle(), QStringLiteral("Wavelength (nm)"));
        QVERIFY(pane.YTitle().startsWith(QLatin1String("CircularDichroism")));
        QVERIFY(pane.Header().contains(QLatin1String("    1: Temperature -ramp 1, 15 steps, 20 to 90")));

        pane.SetStep(1, 14);  // the hottest spectrum
        QCOMPARE(pane.PointCount(0), 51);
        for (int i : {0, 25, 50}) {
            QCOMPARE(pane.Point(0, i).x(), double(ds.dimensions.At(0).values.At(i)));
            QCOMPARE(pane.Point(0, i).y(), double(At(ds, i, 14)));
        }

        pane.SetAlong(1);  // the melting curve at one wavelength
        QCOMPARE(pane.XTitle(), QStringLiteral("Temperature (\u00b0C)"));
        pane.SetStep(0, 10);
        QCOMPARE(pane.PointCount(0), 15);
        QCOMPARE(pane.XRange(), (std::pair<double, double>{20, 90}));
        for (int t : {0, 7, 14}) QCOMPARE(pane.Point(0, t).y(), double(At(ds, 10, t)));

        pane.SetFamily(true);  // one curve per wavelength
        QCOMPARE(pane.SeriesCount(), 51);
        QCOMPARE(pane.YRange().first, double(ds.minValue));
        QCOMPARE(pane.YRange().second, double(ds.maxValue));
    }

    void aFileThatCannotBeReadSaysWhy() {
        QTemporaryDir dir;
        const QString bad = dir.filePath("bad.dsa");
        WriteText(bad, "nothing to see\n");
        PreviewPane pane;
        QVERIFY(Shown(pane, bad));
        QCOMPARE(pane.Message(), QStringLiteral("bad.dsa cannot be shown: The file is of an unrecognised format"));
        QCOMPARE(pane.SeriesCount(), 0);
        QVERIFY(pane.Header().isEmpty());
    }

    // File > Open for Preview... shows a file without converting it.
    void openForPreviewConvertsNothing() {
        ScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString copy = dir.filePath("cd.dsx");
        QVERIFY(QFile::copy(Example("cd_spectrum.dsx"), copy));
        CKYNDataConverterApp app;
        QVERIFY(app.InitInstance());
        app.SetFileChooser([&copy](QWidget*, const QString&) { return QStringList{copy}; });
        QSignalSpy spy(app.MainFrame()->Preview(), &PreviewPane::Shown);
        app.MainFrame()->Action(ID_FILE_PREVIEW)->trigger();
        QVERIFY(spy.wait(20000));
        QCOMPARE(app.MainFrame()->Preview()->Path(), copy);
        QCOMPARE(app.MainFrame()->Preview()->PointCount(0), 81);
        QCOMPARE(app.MainFrame()->View()->JobsStarted(), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("cd.dsx")});
    }

    // Only the last file asked for is shown, whatever order the reads finish in.
    void aLaterRequestWins() {
        PreviewPane pane;
        QSignalSpy spy(&pane, &PreviewPane::Shown);
        pane.ShowFile(Example("stopped_flow.dsa"));
        pane.ShowFile(Example("cd_spectrum.dsx"));
        QVERIFY(spy.wait(20000));
        QTest::qWait(200);  // the earlier read, if it finishes later, is thrown away
        QCOMPARE(spy.count(), 1);
        QCOMPARE(pane.Path(), Example("cd_spectrum.dsx"));
    }
};

KYN_APP_TEST(PreviewPaneTest);

}  // namespace kyn::app::test

#include "PreviewPaneTest.moc"
