#include "app/MessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <vector>

#include "app/Resources.h"

namespace kyn::app {

namespace {

class RealMessageBoxes : public MessageBoxes {
public:
    BoxAnswer Ask(const BoxRequest& r) override {
        QString shown = r.text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(r.icon, r.caption, shown, r.buttons, r.parent);
        if (!r.informative.isEmpty()) box.setInformativeText(r.informative);
        for (const auto& [button, text] : r.buttonTexts)
            if (QAbstractButton* b = box.button(button)) b->setText(text);
        box.setDefaultButton(r.defaultButton);
        QCheckBox* check = nullptr;
        if (!r.checkBox.isEmpty()) {
            check = new QCheckBox(r.checkBox, &box);
            box.setCheckBox(check);
        }
        // Without an owner the box still blocks the whole program, as the job's failure boxes must.
        box.setWindowModality(Qt::ApplicationModal);
        if (r.jobQuestion) open_.emplace_back(&box);
        const int answer = box.exec();
        std::erase_if(open_, [](const QPointer<QMessageBox>& p) { return p.isNull() || !p->isVisible(); });
        return {static_cast<QMessageBox::StandardButton>(answer), check && check->isChecked()};
    }

    void DismissJobQuestions() override {
        for (const QPointer<QMessageBox>& box : open_)
            if (box) box->done(QMessageBox::NoButton);
        open_.clear();
    }

private:
    std::vector<QPointer<QMessageBox>> open_;
};

RealMessageBoxes g_real;
MessageBoxes* g_current = &g_real;

}  // namespace

void MessageBoxes::Beep() { QApplication::beep(); }

QMessageBox::StandardButton MessageBoxes::Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                               const QString& text, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton) {
    BoxRequest r;
    r.parent = parent;
    r.icon = icon;
    r.caption = caption;
    r.text = text;
    r.buttons = buttons;
    r.defaultButton = defaultButton;
    return Ask(r).button;
}

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
