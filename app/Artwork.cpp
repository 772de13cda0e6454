#include "app/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "app/Resources.h"

namespace kyn::app {

namespace {

const QColor kInk(0x1f, 0x3b, 0x5c);       // dark blue-grey lines and text
const QColor kAccent(0x1e, 0x7a, 0xc8);    // spectrum blue
const QColor kWarm(0xe0, 0x6c, 0x1f);      // conversion arrow orange
const QColor kPaper(0xfb, 0xfb, 0xf8);
const QColor kFold(0xd8, 0xdd, 0xe4);

// A smooth absorbance-like trace: two overlapping bands over a sloping baseline.
double Band(double x) {
    return 0.85 * std::exp(-std::pow((x - 0.35) / 0.11, 2)) + 0.45 * std::exp(-std::pow((x - 0.68) / 0.08, 2)) +
           0.08 * (1.0 - x);
}

QPainterPath SpectrumPath(const QRectF& r) {
    QPainterPath path;
    const int n = 80;
    for (int i = 0; i <= n; ++i) {
        const double x = static_cast<double>(i) / n;
        const QPointF p(r.left() + x * r.width(), r.bottom() - Band(x) * r.height());
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

// A sheet of paper with a folded corner; the fold size scales with the sheet.
void Sheet(QPainter& p, const QRectF& r, const QColor& edge) {
    const double f = r.width() * 0.28;
    QPainterPath body;
    body.moveTo(r.topLeft());
    body.lineTo(r.right() - f, r.top());
    body.lineTo(r.right(), r.top() + f);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.setBrush(kPaper);
    p.setPen(QPen(edge, std::max(1.0, r.width() / 40.0)));
    p.drawPath(body);
    QPainterPath fold;
    fold.moveTo(r.right() - f, r.top());
    fold.lineTo(r.right() - f, r.top() + f);
    fold.lineTo(r.right(), r.top() + f);
    fold.closeSubpath();
    p.setBrush(kFold);
    p.drawPath(fold);
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, double width, const QColor& c) {
    const double head = width * 2.2;
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF nrm(-u.y(), u.x());
    const QPointF base = to - u * head;
    QPainterPath a;
    a.moveTo(from + nrm * (width / 2));
    a.lineTo(base + nrm * (width / 2));
    a.lineTo(base + nrm * (head * 0.75));
    a.lineTo(to);
    a.lineTo(base - nrm * (head * 0.75));
    a.lineTo(base - nrm * (width / 2));
    a.lineTo(from - nrm * (width / 2));
    a.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(a);
}

QFont Font(int pixelSize, bool bold = false) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void TableLines(QPainter& p, const QRectF& r, int rows) {
    p.setPen(QPen(kFold.darker(115), 1));
    for (int i = 1; i <= rows; ++i) {
        const double y = r.top() + r.height() * i / (rows + 1);
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    p.drawLine(QPointF(r.left() + r.width() * 0.4, r.top()), QPointF(r.left() + r.width() * 0.4, r.bottom()));
}

}  // namespace

QImage ClientPicture(const QString& targetExtension) {
    QImage img(kClientPictureWidth, kClientPictureHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, img.height());
    bg.setColorAt(0, QColor(0xff, 0xff, 0xff));
    bg.setColorAt(1, QColor(0xe8, 0xf0, 0xf8));
    p.fillRect(img.rect(), bg);

    // Measurement file with its spectrum.
    const QRectF src(28, 18, 78, 96);
    Sheet(p, src, kInk);
    p.setPen(QPen(kAccent, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(SpectrumPath(src.adjusted(8, 30, -8, -14)));
    p.setPen(kInk);
    p.setFont(Font(11, true));
    p.drawText(QRectF(src.left(), src.top() + 6, src.width() - 20, 16), Qt::AlignCenter, QStringLiteral(".dsx"));

    Arrow(p, QPointF(122, 66), QPointF(214, 66), 12, kWarm);

    // Converted file with a table.
    const QRectF dst(232, 18, 78, 96);
    Sheet(p, dst, kInk);
    TableLines(p, dst.adjusted(8, 28, -8, -10), 5);
    p.setPen(kInk);
    p.setFont(Font(11, true));
    p.drawText(QRectF(dst.left(), dst.top() + 6, dst.width() - 20, 16), Qt::AlignCenter,
               targetExtension.isEmpty() ? QStringLiteral("?") : targetExtension);

    p.setFont(Font(13, true));
    p.setPen(kInk);
    p.drawText(QRectF(0, 118, img.width(), 22), Qt::AlignCenter, QStringLiteral("Drop DataStore files here"));
    return img;
}

QImage ToolbarImage(int index) {
    QImage img(kToolbarButtonWidth, kToolbarButtonHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case 0: {  // Convert...: a file and an arrow
            Sheet(p, QRectF(5.5, 3.5, 17, 23), kInk);
            p.setPen(QPen(kAccent, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawPath(SpectrumPath(QRectF(8, 11, 12, 11)));
            Arrow(p, QPointF(19, 19), QPointF(33, 19), 4.5, kWarm);
            break;
        }
        case 1: {  // Options...: three check boxes
            for (int i = 0; i < 3; ++i) {
                const QRectF box(7.5, 4.5 + i * 8, 6, 6);
                p.setPen(QPen(kInk, 1));
                p.setBrush(Qt::white);
                p.drawRect(box);
                if (i != 1) {
                    p.setPen(QPen(kAccent, 1.8));
                    p.drawLine(box.topLeft() + QPointF(1, 3), box.topLeft() + QPointF(2.6, 5));
                    p.drawLine(box.topLeft() + QPointF(2.6, 5), box.topLeft() + QPointF(5.5, 0.8));
                }
                p.setPen(QPen(kInk.lighter(150), 1.5));
                p.drawLine(QPointF(17, box.center().y()), QPointF(29, box.center().y()));
            }
            break;
        }
        case 2:    // Help: question mark in a disc
        case 4: {  // Context help: pointer and question mark
            const bool pointer = index == 4;
            const QRectF disc = pointer ? QRectF(16.5, 3.5, 16, 16) : QRectF(9.5, 6.5, 18, 18);
            p.setPen(QPen(kAccent.darker(120), 1));
            p.setBrush(kAccent);
            p.drawEllipse(disc);
            p.setPen(Qt::white);
            p.setFont(Font(pointer ? 13 : 15, true));
            p.drawText(disc, Qt::AlignCenter, QStringLiteral("?"));
            if (pointer) {
                QPainterPath arrow;
                arrow.moveTo(5, 8);
                arrow.lineTo(5, 25);
                arrow.lineTo(9, 21);
                arrow.lineTo(12, 28);
                arrow.lineTo(14.5, 27);
                arrow.lineTo(11.5, 20);
                arrow.lineTo(17, 20);
                arrow.closeSubpath();
                p.setPen(QPen(Qt::black, 1));
                p.setBrush(Qt::white);
                p.drawPath(arrow);
            }
            break;
        }
        case 3: {  // About: "i" in a disc
            const QRectF disc(9.5, 6.5, 18, 18);
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(0x3d, 0x8b, 0x3d));
            p.drawEllipse(disc);
            p.setPen(Qt::white);
            p.setFont(Font(14, true));
            p.drawText(disc, Qt::AlignCenter, QStringLiteral("i"));
            break;
        }
        default:
            break;
    }
    return img;
}

QImage ToolbarStrip() {
    QImage strip(kToolbarButtonWidth * kToolbarStripImages, kToolbarButtonHeight, QImage::Format_RGB32);
    strip.fill(QColor(0xc0, 0xc0, 0xc0));  // the button face the transparent parts stand on
    QPainter p(&strip);
    for (int i = 0; i < kToolbarStripImages; ++i) p.drawImage(i * kToolbarButtonWidth, 0, ToolbarImage(i));
    return strip;
}

QImage AboutPicture() {
    QImage img(kAboutPictureWidth, kAboutPictureHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, img.width(), 0);
    bg.setColorAt(0, QColor(0x16, 0x2d, 0x4a));
    bg.setColorAt(1, QColor(0x2b, 0x5f, 0x8f));
    p.fillRect(img.rect(), bg);
    // Faint family of spectra behind the name.
    for (int k = 0; k < 6; ++k) {
        QColor c(0x7f, 0xc4, 0xff);
        c.setAlpha(40 + 25 * k);
        p.setPen(QPen(c, 1.6));
        p.setBrush(Qt::NoBrush);
        const double h = 20 + 9 * k;
        p.drawPath(SpectrumPath(QRectF(200, 92 - h, 200, h)));
    }
    const QImage icon = AppIconImage(72);
    p.drawImage(14, 14, icon);
    p.setPen(Qt::white);
    p.setFont(Font(22, true));
    p.drawText(QRectF(100, 18, 300, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KYN Varnix Converter"));
    p.setPen(QColor(0xcf, 0xe3, 0xf5));
    p.setFont(Font(13));
    p.drawText(QRectF(101, 54, 300, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Spectrometer data conversion"));
    return img;
}

QImage AppIconImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient bg(0, 0, 0, 64);
    bg.setColorAt(0, QColor(0x2f, 0x7f, 0xc8));
    bg.setColorAt(1, QColor(0x1a, 0x4a, 0x7e));
    p.setPen(QPen(QColor(0x12, 0x34, 0x5a), 1.5));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 11, 11);
    // Axes and a spectrum.
    p.setPen(QPen(QColor(255, 255, 255, 150), 2));
    p.drawLine(QPointF(12, 11), QPointF(12, 45));
    p.drawLine(QPointF(12, 45), QPointF(52, 45));
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(SpectrumPath(QRectF(14, 13, 38, 30)));
    Arrow(p, QPointF(28, 52.5), QPointF(54, 52.5), 4.5, QColor(0xff, 0x9a, 0x3c));
    return img;
}

QIcon AppIcon() {
    QIcon icon;
    for (int s : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(AppIconImage(s)));
    return icon;
}

}  // namespace kyn::app
