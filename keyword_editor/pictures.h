#pragma once

// The editor's pictures, compiled into the library as SVG resources and drawn
// sharp at the screen's pixel ratio.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace korvane {

inline const QString kFolderPicture = QStringLiteral("folder.svg");
inline const QString kArrowPicture = QStringLiteral("arrow.svg");
inline const QString kClearPicture = QStringLiteral("clear.svg");
inline const QString kDeletePicture = QStringLiteral("delete.svg");
inline const QString kPibbetFacePicture = QStringLiteral("pibbet-face.svg");

// The picture `name` drawn into a square of `size` logical pixels; a null pixmap
// when the picture is missing or not valid SVG.
QPixmap picturePixmap(const QString &name, int size, qreal devicePixelRatio);

// A button icon of the picture, at normal and doubled pixel density.
QIcon pictureIcon(const QString &name, int size);

} // namespace korvane
