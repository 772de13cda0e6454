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
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"

namespace kyn::app::test {

struct BoxCall {
    QPointer<QWidget> parent;
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// Answers every box from a queue. A box with only an OK button needs no answer; a question
// nobody scripted is recorded as unexpected and answered No / Cancel.
class ScriptedBoxes : public MessageBoxes {
public:
    ScriptedBoxes() { SetBoxes(this); }
    ~ScriptedBoxes() override { SetBoxes(nullptr); }

    QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton) override {
        calls.push_back({parent, icon, caption, text, buttons});
        if (onShow) onShow(calls.back());
        if (!answers.empty()) {
            const auto a = answers.front();
            answers.pop_front();
            return a;
        }
        if (buttons == QMessageBox::Ok) return QMessageBox::Ok;
        unexpected.push_back(text);
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
    }
    void Beep() override { ++beeps; }

    QStringList Texts() const {
        QStringList t;
        for (const auto& c : calls) t << c.text;
        return t;
    }

    std::deque<QMessageBox::StandardButton> answers;
    std::vector<BoxCall> calls;
    QStringList unexpected;
    std::function<void(const BoxCall&)> onShow;
    int beeps = 0;
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

}  // namespace kyn::app::test
