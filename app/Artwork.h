// The program's pictures, drawn with QPainter: the client-area picture, the toolbar strip, the
// About picture and the application icon. The same code renders the icon files that are
// installed with the program (tools/make_artwork.cpp).
#pragma once

#include <QIcon>
#include <QImage>

namespace kyn::app {

// 345 x 144, opaque: what the empty main window shows, a file turning into one with the target's
// extension (".csv"; "?" when empty).
QImage ClientPicture(const QString& targetExtension = QStringLiteral(".csv"));
// 180 x 31, opaque: five 36 x 31 toolbar images (Convert, Options, Help, About, context help).
QImage ToolbarStrip();
// One image of the strip.
QImage ToolbarImage(int index);
// 408 x 100, opaque: the About box picture.
QImage AboutPicture();
// The application icon at one size (transparent corners).
QImage AppIconImage(int size);
QIcon AppIcon();

}  // namespace kyn::app
