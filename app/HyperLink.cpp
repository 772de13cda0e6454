#include "app/HyperLink.h"

#include <QCursor>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QStyle>

#include "app/MessageBoxes.h"
#include "app/Resources.h"

namespace kyn::app {

namespace {

// How often the pointer is checked while it is over the link.
constexpr int kHoverTimerMs = 100;
// Results of an opener.
constexpr int kOpened = 33;
constexpr int kNoAssociation = 31;

CHyperLink::Opener& CurrentOpener() {
    static CHyperLink::Opener opener;
    return opener;
}

// When the desktop's handler fails, a browser named in $BROWSER is tried (its first entry; a
// "%s" in it is where the URL goes, otherwise the URL is appended).
int OpenWithBrowserVariable(const QUrl& url) {
    const QString browsers = qEnvironmentVariable("BROWSER");
    if (browsers.isEmpty()) return kNoAssociation;
    QString command = browsers.section(QLatin1Char(':'), 0, 0).trimmed();
    const int placeholder = command.indexOf(QStringLiteral("%s"));
    if (placeholder >= 0) command.truncate(placeholder);
    QStringList args = QProcess::splitCommand(command);
    if (args.isEmpty()) return kNoAssociation;
    const QString program = args.takeFirst();
    args << url.toString();
    return QProcess::startDetached(program, args) ? kOpened : 2;  // 2: the browser was not found
}

}  // namespace

QString HyperlinkErrorText(int result) {
    switch (result) {
        case 0: return QStringLiteral("The operating system is out\nof memory or resources.");
        case 2: return QStringLiteral("The specified file was not found.");
        case 3: return QStringLiteral("The specified path was not found.");
        case 5: return QStringLiteral("The operating system denied\naccess to the specified file.");
        case 8: return QStringLiteral("There was not enough memory to complete the operation.");
        case 11: return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        case 26: return QStringLiteral("A sharing violation occurred. ");
        case 27: return QStringLiteral("The filename association is\nincomplete or invalid.");
        case 28: return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
        case 29: return QStringLiteral("The DDE transaction failed.");
        case 30:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.");
        case 31: return QStringLiteral("There is no application associated\nwith the given filename extension.");
        case 32: return QStringLiteral("The specified dynamic-link library was not found.");
        default: return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
    }
}

int CHyperLink::OpenWithDesktop(const QUrl& url) {
    if (QDesktopServices::openUrl(url)) return kOpened;
    return OpenWithBrowserVariable(url);
}

void CHyperLink::SetOpener(Opener opener) { CurrentOpener() = std::move(opener); }

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent) {
    hoverTimer_.setInterval(kHoverTimerMs);
    connect(&hoverTimer_, &QTimer::timeout, this, &CHyperLink::CheckHover);
    Setup();
}

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    hoverTimer_.setInterval(kHoverTimerMs);
    connect(&hoverTimer_, &QTimer::timeout, this, &CHyperLink::CheckHover);
    Setup();
}

CHyperLink::~CHyperLink() { hoverTimer_.stop(); }

void CHyperLink::Setup() {
    settingUp_ = true;
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    if (url_.isEmpty()) url_ = text();
    if (text().isEmpty()) setText(url_);
    SelectFont(underline_ == 1);
    FitToText();
    setToolTip(url_);
    settingUp_ = false;
}

void CHyperLink::SetURL(const QString& url) {
    url_ = url;
    if (text().isEmpty()) setText(url_);
    FitToText();
    setToolTip(url_);
}

void CHyperLink::SetColours(const QColor& link, const QColor& visited, const QColor& hover) {
    linkColour_ = link;
    visitedColour_ = visited;
    hoverColour_ = hover;
    update();
}

void CHyperLink::SetVisited(bool visited) {
    visited_ = visited;
    update();
}

void CHyperLink::SetUnderline(int mode) {
    underline_ = mode;
    SelectFont(mode == 1 || (mode == -1 && over_));
    FitToText();
    update();
}

void CHyperLink::SetAutoSize(bool autoSize) {
    adjustToFit_ = autoSize;
    FitToText();
}

void CHyperLink::SelectFont(bool underlined) {
    QFont f = font();
    f.setUnderline(underlined);
    setFont(f);
}

void CHyperLink::FitToText() {
    if (!adjustToFit_) return;
    // The control is exactly as wide as its text, so only the text reacts to the mouse.
    const QSize hint = sizeHint();
    setFixedSize(hint);
}

void CHyperLink::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && !settingUp_) FitToText();
}

QColor CHyperLink::CurrentColour() const {
    if (over_) return hoverColour_;
    if (visited_) return visitedColour_;
    return linkColour_;
}

void CHyperLink::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(CurrentColour());
    p.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    over_ = true;
    if (underline_ == -1) SelectFont(true);
    update();
    hoverTimer_.start();
}

void CHyperLink::CheckHover() {
    if (rect().contains(mapFromGlobal(QCursor::pos()))) return;
    over_ = false;
    hoverTimer_.stop();
    if (underline_ != 1) SelectFont(false);
    update();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        OpenURL();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::OpenURL() {
    over_ = false;
    const QUrl url(url_, QUrl::TolerantMode);
    const int result = CurrentOpener() ? CurrentOpener()(url) : OpenWithDesktop(url);
    if (result > 32) {
        SetVisited(true);
        return;
    }
    ReportError(result);
}

void CHyperLink::ReportError(int result) {
    Boxes().Beep();
    Boxes().Show(window(), QMessageBox::Warning, QString::fromLatin1(kAppTitle),
                 QStringLiteral("Unable to open hyperlink:\n\n") + HyperlinkErrorText(result), QMessageBox::Ok,
                 QMessageBox::Ok);
    update();
}

}  // namespace kyn::app
