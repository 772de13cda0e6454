// Every message box of the program goes through one replaceable object, so that tests can
// answer the questions and read the texts without a box ever appearing.
#pragma once

#include <QMessageBox>
#include <QString>
#include <map>

class QWidget;

namespace kyn::app {

// One box: its texts, its buttons (some with texts of their own) and an optional check box.
struct BoxRequest {
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::Information;
    QString caption;
    QString text;           // may hold "\r\n" line ends; shown as plain line breaks
    QString informative;    // shown under the text: a reason, the file a box is about ("" for none)
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    std::map<QMessageBox::StandardButton, QString> buttonTexts;  // own texts for some buttons
    QString checkBox;       // a check box under the text ("" for none)
    // A question about the running job (quit it?): closed unanswered when the job ends first.
    bool jobQuestion = false;
};

struct BoxAnswer {
    // The button that closed the box; NoButton when it was closed unanswered because the job it
    // asked about ended. A box closed by Escape answers with its escape button.
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    bool checked = false;  // the check box, when there was one
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box and returns how it was closed.
    virtual BoxAnswer Ask(const BoxRequest& request) = 0;
    // Closes every open job question unanswered (the job it was about has ended).
    virtual void DismissJobQuestions() = 0;
    // The system's alert sound, played before an error box.
    virtual void Beep();

    // A box without a check box or own button texts.
    QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton);
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
