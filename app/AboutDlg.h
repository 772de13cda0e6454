// CAboutDlg: the About box, with the program's picture, its product and version texts, and two
// links: the support e-mail and the web site.
#pragma once

#include <QDialog>
#include <optional>

class QLabel;

namespace kyn::app {

class CHyperLink;

// The program's version block. Empty fields count as absent.
struct VersionResource {
    QString productName;
    QString productVersion;
    QString legalCopyright;
};

// The version block built into this program.
std::optional<VersionResource> ProgramVersionResource();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `version` is the version block to show; the program's own by default, none to test the
    // box without one.
    explicit CAboutDlg(QWidget* parent = nullptr, std::optional<VersionResource> version = ProgramVersionResource());

    QString VersionText() const { return versionText_; }
    QString LegalText() const { return legalText_; }
    CHyperLink* WebLink() const { return web_; }
    CHyperLink* EmailLink() const { return email_; }

private:
    CHyperLink* web_ = nullptr;
    CHyperLink* email_ = nullptr;
    QString legalText_;
    QString versionText_;
};

}  // namespace kyn::app
