// CHyperLink: a text control that looks and behaves like a web link. It shows its text in the
// link colour (hover colour while the mouse is over it, visited colour once opened), underlines
// it while hovered, shows its URL as a tool tip and opens the URL through the desktop's URL
// handler when clicked. A failure is reported with a message by result code.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace kyn::app {

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    // Opens a URL; answers a result greater than 32 on success, otherwise one of the error codes
    // of HyperlinkErrorText.
    using Opener = std::function<int(const QUrl&)>;

    explicit CHyperLink(QWidget* parent = nullptr);
    // A link whose text is also its URL until SetURL gives it another.
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr);
    ~CHyperLink() override;

    // With no URL set, the text is the URL; with no text, the URL is shown.
    void SetURL(const QString& url);
    QString GetURL() const { return url_; }
    void SetColours(const QColor& link, const QColor& visited, const QColor& hover = QColor(255, 0, 0));
    QColor LinkColour() const { return linkColour_; }
    QColor VisitedColour() const { return visitedColour_; }
    QColor HoverColour() const { return hoverColour_; }
    void SetVisited(bool visited);
    bool GetVisited() const { return visited_; }
    // -1: underlined while the mouse is over it; 1: always; 0: never.
    void SetUnderline(int mode);
    int GetUnderline() const { return underline_; }
    void SetAutoSize(bool autoSize);

    // The colour the text is drawn in now, and whether it is underlined now.
    QColor CurrentColour() const;
    bool Underlined() const { return font().underline(); }
    bool MouseOver() const { return over_; }

    // Opens the URL as a click does: visited on success, the error box otherwise.
    void OpenURL();
    // The opener every link uses (tests replace it; null restores the desktop's).
    static void SetOpener(Opener opener);
    static int OpenWithDesktop(const QUrl& url);

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Setup();
    void FitToText();
    void SelectFont(bool underlined);
    void CheckHover();
    void ReportError(int result);

    QColor linkColour_{0, 0, 238};
    QColor visitedColour_{85, 26, 139};
    QColor hoverColour_{255, 0, 0};
    bool over_ = false;
    bool visited_ = false;
    int underline_ = -1;
    bool adjustToFit_ = true;
    QString url_;
    QTimer hoverTimer_;
    bool settingUp_ = false;
};

// "Unable to open hyperlink:\n\n" is followed by the text for the opener's result.
QString HyperlinkErrorText(int result);

}  // namespace kyn::app
