// Every message box of the program goes through one replaceable object, so that tests can
// answer the questions and read the texts without a box ever appearing.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace kyn::app {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box and returns the button that closed it. The text may hold "\r\n" line
    // ends (the job's and the progress dialog's texts do); they are shown as plain line breaks.
    virtual QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                             const QString& text, QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton) = 0;
    // The system's alert sound, played before an error box.
    virtual void Beep();
};

// The boxes in use: real QMessageBoxes unless a test installed its own.
MessageBoxes& Boxes();
// Installs `boxes` (not owned); null restores the real ones.
void SetBoxes(MessageBoxes* boxes);

// Shortcuts with the application's title as caption.
QMessageBox::StandardButton AskYesNo(QWidget* parent, const QString& text,
                                     QMessageBox::Icon icon = QMessageBox::Warning);
void ShowInformation(QWidget* parent, const QString& text);

}  // namespace kyn::app
