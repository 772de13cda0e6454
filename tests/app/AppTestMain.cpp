// Runs the desktop program's test classes on the offscreen platform with a private settings
// folder, so that no test reads or writes the user's own settings.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>

#include "AppTestSupport.h"

namespace kyn::app::test {
std::vector<std::pair<QString, TestFactory>>& Registry() {
    static std::vector<std::pair<QString, TestFactory>> r;
    return r;
}
}  // namespace kyn::app::test

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config(QDir::tempPath() + QStringLiteral("/kyn-app-test-XXXXXX"));
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    // "TestClass [QtTest options]" runs one class; no class name runs them all.
    QString only;
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (i == 1 && argv[i][0] != '-') {
            only = QString::fromLocal8Bit(argv[i]);
            continue;
        }
        args.push_back(argv[i]);
    }
    int failures = 0;
    bool ran = false;
    for (auto& [name, make] : kyn::app::test::Registry()) {
        if (!only.isEmpty() && name != only) continue;
        ran = true;
        auto test = make();
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    if (!ran) {
        std::fprintf(stderr, "no test class %s\n", qPrintable(only));
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
