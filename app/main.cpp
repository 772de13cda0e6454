// kyndataconverter: the desktop converter. Files dropped on its window (or picked with
// File > Convert...) are converted into the format chosen in the options.
#include <QApplication>
#include <cstdlib>

#include "app/Artwork.h"
#include "app/ChildView.h"
#include "app/KYNDataConverterApp.h"
#include "app/Resources.h"
#include "conversion/SafeOutput.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Ended from outside (logging out, kill), the program leaves no unfinished output behind.
    kyn::RemoveTemporariesWhenEnded();
    QApplication::setOrganizationName(QString::fromLatin1(kyn::app::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(kyn::app::kAppTitle));
    QApplication::setDesktopFileName(QStringLiteral("kyndataconverter"));
    QApplication::setWindowIcon(kyn::app::AppIcon());

    int result = 0;
    {
        kyn::app::CKYNDataConverterApp app;
        if (!app.InitInstance()) return 1;
        result = qapp.exec();
        // Only a normal end gets here; the settings are written now.
        app.ExitInstance();
    }
    // A conversion that was told to stop but did not return in time (a file on a drive that stopped
    // answering) is not waited for: its unfinished output goes, and the program ends without
    // running the destructors the worker may still use.
    if (kyn::app::CChildView::AbandonedWorkers() > 0) {
        kyn::RemoveTemporaryFiles();
        std::_Exit(result);
    }
    return result;
}
