// Shared pieces of the desktop program's tests: scripted message boxes, a registry of the test
// classes, temporary folders and small files.
#pragma once

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace kyn::app::test {

struct BoxCall {
    QPointer<QWidget> parent;
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
    QString informative;
    QString checkBox;
    std::map<QMessageBox::StandardButton, QString> buttonTexts;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool jobQuestion = false;
    bool dismissed = false;  // closed unanswered because its job ended
};

// Answers every box from a queue. A box with only an OK button needs no answer; a question
// nobody scripted is recorded as unexpected and answered No / Cancel. `checks` answers the check
// boxes in order (unchecked when empty). A job question dismissed while it is shown (from
// `onShow`) answers NoButton, as the real box does.
class ScriptedBoxes : public MessageBoxes {
public:
    ScriptedBoxes() { SetBoxes(this); }
    ~ScriptedBoxes() override { SetBoxes(nullptr); }

    BoxAnswer Ask(const BoxRequest& r) override {
        calls.push_back({r.parent, r.icon, r.caption, r.text, r.buttons, r.informative, r.checkBox, r.buttonTexts,
                         r.defaultButton, r.jobQuestion, false});
        const std::size_t index = calls.size() - 1;
        open_.push_back(index);
        if (onShow) onShow(calls[index]);
        open_.pop_back();
        if (calls[index].dismissed) return {QMessageBox::NoButton, false};
        bool checked = false;
        if (!r.checkBox.isEmpty() && !checks.empty()) {
            checked = checks.front();
            checks.pop_front();
        }
        if (!answers.empty()) {
            const auto a = answers.front();
            answers.pop_front();
            return {a, checked};
        }
        if (r.buttons == QMessageBox::Ok) return {QMessageBox::Ok, checked};
        unexpected.push_back(r.text);
        return {r.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No, checked};
    }
    void DismissJobQuestions() override {
        for (std::size_t i : open_)
            if (calls[i].jobQuestion) calls[i].dismissed = true;
        ++dismissals;
    }
    void Beep() override { ++beeps; }

    QStringList Texts() const {
        QStringList t;
        for (const auto& c : calls) t << c.text;
        return t;
    }

    std::deque<QMessageBox::StandardButton> answers;
    std::deque<bool> checks;
    std::vector<BoxCall> calls;
    QStringList unexpected;
    std::function<void(const BoxCall&)> onShow;
    int beeps = 0;
    int dismissals = 0;

private:
    std::vector<std::size_t> open_;
};

// Test classes register themselves; main runs them (all, or those named on the command line).
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<std::pair<QString, TestFactory>>& Registry();

template <typename T>
struct Register {
    explicit Register(const char* name) {
        Registry().emplace_back(QString::fromLatin1(name), [] { return std::unique_ptr<QObject>(new T); });
    }
};
#define KYN_APP_TEST(Class) static ::kyn::app::test::Register<Class> kyn_register_##Class(#Class)

// Writes a small file.
inline void WriteText(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A VarnixStore file of three dimensions with one infinite value, which JCAMP-DX leaves out (a
// conversion with warnings).
inline void WriteCubeWithInfinity(const QString& path) {
    DataStore ds("cube", 1, 3);
    ds.properties.At(0) = "Absorbance";
    ds.dimensions.At(0) = Dimension("Wavelength", 3);
    ds.dimensions.At(1) = Dimension("Time", 2);
    ds.dimensions.At(2) = Dimension("Repeat", 2);
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < ds.dimensions.At(k).Steps(); ++i) ds.dimensions.At(k).values.At(i) = float(i);
    ds.Initialize();
    ds.data[5] = std::numeric_limits<float>::infinity();
    TextOFStream os(Local(path));
    ds.WriteVarnixStore(os);
}

}  // namespace kyn::app::test
