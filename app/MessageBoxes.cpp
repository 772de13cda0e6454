#include "app/MessageBoxes.h"

#include <QApplication>
#include <QPushButton>

#include "app/Resources.h"

namespace kyn::app {

namespace {

class RealMessageBoxes : public MessageBoxes {
public:
    QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) override {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(icon, caption, shown, buttons, parent);
        box.setDefaultButton(defaultButton);
        // Without an owner the box still blocks the whole program, as the job's failure boxes must.
        box.setWindowModality(Qt::ApplicationModal);
        const int answer = box.exec();
        // A box closed by Escape or the window manager answers with its escape button.
        return static_cast<QMessageBox::StandardButton>(answer);
    }
};

RealMessageBoxes g_real;
MessageBoxes* g_current = &g_real;

}  // namespace

void MessageBoxes::Beep() { QApplication::beep(); }

MessageBoxes& Boxes() { return *g_current; }

void SetBoxes(MessageBoxes* boxes) { g_current = boxes ? boxes : &g_real; }

QMessageBox::StandardButton AskYesNo(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    return Boxes().Show(parent, icon, QString::fromLatin1(kAppTitle), text, QMessageBox::Yes | QMessageBox::No,
                        QMessageBox::Yes);
}

void ShowInformation(QWidget* parent, const QString& text) {
    Boxes().Show(parent, QMessageBox::Information, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok,
                 QMessageBox::Ok);
}

}  // namespace kyn::app
