#include "app/AboutDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Artwork.h"
#include "app/DialogUnits.h"
#include "app/HyperLink.h"
#include "app/Resources.h"
#include "app/VersionInfo.h"

namespace kyn::app {

std::optional<VersionResource> ProgramVersionResource() {
    return VersionResource{QStringLiteral(KYN_PRODUCT_NAME), QStringLiteral(KYN_PRODUCT_VERSION),
                           QStringLiteral(KYN_LEGAL_COPYRIGHT)};
}

CAboutDlg::CAboutDlg(QWidget* parent, std::optional<VersionResource> version) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About KYNDataConverter"));
    setObjectName(QStringLiteral("AboutDlg"));

    // Both texts stay empty unless the version block names a product version.
    QString productName;
    if (version && !version->productName.isEmpty()) productName = version->productName;
    if (version && !version->productVersion.isEmpty()) {
        versionText_ = QStringLiteral("%1 version 4.2.27\nVarnix core version %2").arg(productName, version->productVersion);
        legalText_ = version->legalCopyright;
    }

    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap::fromImage(AboutPicture()));
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    picture->setAlignment(Qt::AlignCenter);

    auto* versionLabel = new QLabel(versionText_, this);
    versionLabel->setTextFormat(Qt::PlainText);
    versionLabel->setMinimumHeight(DluY(this, 20));
    versionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetControlId(versionLabel, IDC_ABOUT_VERSION);
    auto* legalLabel = new QLabel(legalText_, this);
    legalLabel->setTextFormat(Qt::PlainText);
    legalLabel->setMinimumHeight(DluY(this, 20));
    legalLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetControlId(legalLabel, IDC_ABOUT_LEGAL);

    email_ = new CHyperLink(QString::fromLatin1(kSupportAddress), this);
    email_->SetURL(QStringLiteral("mailto:%1?Subject=%2").arg(QLatin1String(kSupportAddress), QLatin1String(kSupportSubject)));
    SetControlId(email_, IDC_ABOUT_EMAIL);
    web_ = new CHyperLink(QString::fromLatin1(kWebText), this);
    web_->SetURL(QString::fromLatin1(kWebUrl));
    SetControlId(web_, IDC_ABOUT_WEB);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setMinimumWidth(DluX(this, 50));
    SetControlId(ok, IDOK);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(DluX(this, 7), DluY(this, 7), DluX(this, 7), DluY(this, 7));
    layout->setSpacing(DluY(this, 3));
    layout->addWidget(picture);
    layout->addSpacing(DluY(this, 3));
    layout->addWidget(versionLabel);
    layout->addWidget(legalLabel);
    auto* bottom = new QGridLayout;
    bottom->setVerticalSpacing(DluY(this, 4));
    bottom->addWidget(email_, 0, 0, Qt::AlignLeft);
    bottom->addWidget(web_, 1, 0, Qt::AlignLeft);
    bottom->addWidget(ok, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    bottom->setColumnStretch(0, 1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kyn::app
