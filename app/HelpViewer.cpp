#include "app/HelpViewer.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/Artwork.h"

namespace kyn::app {

namespace {

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent) : QDialog(parent) {
        setWindowTitle(QStringLiteral("KYN Varnix Converter Help"));
        setWindowIcon(AppIcon());
        setAttribute(Qt::WA_DeleteOnClose);
        setModal(false);
        browser_ = new QTextBrowser(this);
        browser_->setOpenExternalLinks(true);
        browser_->setSearchPaths({QStringLiteral(":/help")});
        auto* home = new QPushButton(QStringLiteral("&Contents"), this);
        auto* back = new QPushButton(QStringLiteral("&Back"), this);
        auto* close = new QPushButton(QStringLiteral("Close"), this);
        connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);
        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(close, &QPushButton::clicked, this, &QDialog::close);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(home);
        buttons->addWidget(back);
        buttons->addStretch(1);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        layout->addLayout(buttons);
        resize(560, 480);
    }
    void Show(const QString& topic) {
        const int hash = topic.indexOf(QLatin1Char('#'));
        const QString page = hash < 0 ? topic : topic.left(hash);
        if (browser_->source().isEmpty()) browser_->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
        QUrl url(QStringLiteral("qrc:/help/") + page);
        if (hash >= 0) url.setFragment(topic.mid(hash + 1));
        browser_->setSource(url);
        show();
        raise();
        activateWindow();
    }

private:
    QTextBrowser* browser_;
};

QPointer<HelpWindow> g_window;
QString g_lastTopic;

}  // namespace

void ShowHelp(QWidget* parent, const QString& topic) {
    g_lastTopic = topic;
    if (!g_window) g_window = new HelpWindow(parent ? parent->window() : nullptr);
    g_window->Show(topic);
}

QString LastHelpTopic() { return g_lastTopic; }

}  // namespace kyn::app
