// Takes screenshots of the main window, the options dialog, the progress dialog during a job and
// the About box, as the X server shows them (run under Xvfb by screenshots.sh). A virtual server
// has no window manager, so a plain caption strip with the window's title is drawn above each
// picture to show the title too.
//
// With the folder of the bundled examples it then converts copies of them (with a file that
// cannot be read and a folder among them) and shows the results list with the preview of each
// example in turn.
//
// Usage: kyn_screenshots OUTPUT_DIR [EXAMPLES_DIR]
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <thread>

#include "app/AboutDlg.h"
#include "app/ChildView.h"
#include "app/KYNDataConverterApp.h"
#include "app/MainFrame.h"
#include "app/MessageBoxes.h"
#include "app/OptionsDlg.h"
#include "app/PreviewPane.h"
#include "app/ProgressDlg.h"
#include "app/ResultsPanel.h"
#include <QEventLoop>
#include <QTreeWidget>
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"

namespace {

using namespace kyn;
using namespace kyn::app;

// Boxes are answered at once (the summary after the job); the texts go to standard error.
class LoggingBoxes : public MessageBoxes {
public:
    BoxAnswer Ask(const BoxRequest& r) override {
        std::fprintf(stderr, "[box %s] %s\n", qPrintable(r.caption), qPrintable(QString(r.text).replace('\n', ' ')));
        return {r.defaultButton, false};
    }
    void DismissJobQuestions() override {}
    void Beep() override {}
};

void Settle(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Save(QWidget* w, const QString& path) {
    w->raise();
    w->activateWindow();
    Settle(400);
    const QRect g = w->frameGeometry();
    const QPixmap shot = w->screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height());
    const int caption = 24;
    QImage out(shot.width() + 2, shot.height() + caption + 1, QImage::Format_RGB32);
    out.fill(QColor(0x55, 0x5a, 0x64));
    QPainter p(&out);
    p.fillRect(QRect(1, 1, out.width() - 2, caption - 1), QColor(0x3c, 0x4a, 0x5e));
    p.setPen(Qt::white);
    QFont f = w->font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(8, 1, out.width() - 16, caption - 1), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
    p.drawPixmap(1, caption, shot);
    p.end();
    const bool ok = out.save(path);
    std::fprintf(stderr, "%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), shot.width(), shot.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kyn_screenshots OUTPUT_DIR [EXAMPLES_DIR]\n");
        return 2;
    }
    QApplication qapp(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    LoggingBoxes boxes;
    SetBoxes(&boxes);

    MemorySettingsStore store;
    store.WriteInt("Options", "Configured", 1);
    store.WriteInt("Options", "DefaultFileType", 3);
    CKYNDataConverterApp app(&store);
    app.InitInstance();
    CMainFrame* frame = app.MainFrame();
    bool ok = Save(frame, out + "/main.png");

    {
        COptionsDlg options(app.Settings(), frame);
        options.show();
        ok &= Save(&options, out + "/options.png");
    }
    {
        CAboutDlg about(frame);
        about.show();
        ok &= Save(&about, out + "/about.png");
    }

    // A job over five files with a slow stand-in loader, so the dialog can be seen mid-way.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kyn-screenshots";
    std::filesystem::create_directories(dir);
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i <= 5; ++i) {
        inputs.push_back(dir / ("Lysozyme_run" + std::to_string(i) + ".dsa"));
        std::ofstream(inputs.back()) << "input\n";
    }
    static TargetTable table = {{3, "csv", "VarnixCSV", ".csv", StreamMode::Text,
                                 [](DataStore&, std::ostream& os, const WriterOptions&) { os << "converted\n"; }}};
    JobFormats formats;
    formats.targets = &table;
    formats.load = [](DataStore&, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        return true;
    };
    frame->View()->SetJobFormats(formats);
    QTimer::singleShot(1800, [&] {
        if (CProgressDlg* dlg = frame->View()->ProgressDialog()) ok &= Save(dlg, out + "/progress.png");
    });
    frame->View()->ConvertFiles(inputs);
    std::filesystem::remove_all(dir);

    if (argc == 3) {
        // The bundled examples converted for real, in a folder with a realistic long name.
        const std::filesystem::path work =
            std::filesystem::temp_directory_path() / "kyn-screenshots-results" / "Protein stability 2013" /
            "Circular dichroism and stopped-flow measurements";
        std::filesystem::remove_all(work.parent_path().parent_path());
        std::filesystem::create_directories(work / "raw spectra (not a file)");
        std::vector<std::filesystem::path> files;
        std::vector<std::string> examples;
        for (const auto& entry : std::filesystem::directory_iterator(argv[2])) examples.push_back(entry.path().filename().string());
        std::sort(examples.begin(), examples.end());
        for (const std::string& name : examples) {
            std::filesystem::copy_file(std::filesystem::path(argv[2]) / name, work / name);
            files.push_back(work / name);
        }
        std::ofstream(work / "notes.dsa") << "written by hand, not a measurement\n";
        files.push_back(work / "notes.dsa");
        files.push_back(work / "raw spectra (not a file)");
        frame->View()->SetJobFormats(DefaultJobFormats());
        frame->Results()->ClearFinished();  // the stand-in job's rows
        frame->resize(1180, 780);
        frame->View()->ConvertFiles(files);
        Settle(300);

        ResultsPanel* results = frame->Results();
        PreviewPane* preview = frame->Preview();
        for (int row = 0; row < static_cast<int>(examples.size()); ++row) {
            QEventLoop wait;
            bool shown = false;
            const auto c = QObject::connect(preview, &PreviewPane::Shown, &wait, [&] {
                shown = true;
                wait.quit();
            });
            QTimer::singleShot(10000, &wait, &QEventLoop::quit);
            results->Tree()->setCurrentItem(results->Tree()->topLevelItem(row));
            if (!shown) wait.exec();
            QObject::disconnect(c);
            if (!shown) ok = false;
            if (examples[row] == "melt.dsb") preview->SetFamily(true);  // the whole melt at once
            const QString stem = QString::fromStdString(std::filesystem::path(examples[row]).stem().string());
            ok &= Save(frame, out + "/results-" + stem + ".png");
        }
        std::fprintf(stderr, "converted:\n");
        for (int row = 0; row < results->RowCount(); ++row)
            std::fprintf(stderr, "  %s: %s%s%s%s%s\n", qPrintable(results->Text(row, ResultsPanel::kFile)),
                         qPrintable(results->Text(row, ResultsPanel::kState)),
                         results->OutputPath(row).isEmpty() ? "" : " -> ", qPrintable(results->OutputPath(row)),
                         results->Text(row, ResultsPanel::kReason).isEmpty() ? "" : " (",
                         results->Text(row, ResultsPanel::kReason).isEmpty()
                             ? ""
                             : qPrintable(results->Text(row, ResultsPanel::kReason) + QLatin1Char(')')));
        std::filesystem::remove_all(work.parent_path().parent_path());
    }

    app.ExitInstance();
    return ok ? 0 : 1;
}
