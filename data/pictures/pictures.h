// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pictures the windows show, compiled into the program as SVG resources and
// drawn sharp at the screen's pixel ratio.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace korvane {

inline const QString kApplicationsPicture = QStringLiteral("applications.svg");
inline const QString kArrowPicture = QStringLiteral("arrow.svg");
inline const QString kClearPicture = QStringLiteral("clear.svg");
inline const QString kCommandCenterEmblemPicture = QStringLiteral("command-center-emblem.svg");
inline const QString kDeletePicture = QStringLiteral("delete.svg");
inline const QString kFolderPicture = QStringLiteral("folder.svg");
inline const QString kKorvaneEmblemPicture = QStringLiteral("korvane-emblem.svg");
inline const QString kPibbetFacePicture = QStringLiteral("pibbet-face.svg");
inline const QString kPibbetGuidePicture = QStringLiteral("pibbet-guide.svg");

// The picture `name` drawn into `size` logical pixels, keeping its proportions,
// centred; a null pixmap when the picture is missing or not valid SVG.
QPixmap picturePixmap(const QString &name, QSize size, qreal devicePixelRatio);

// A button icon of the picture in a square, at normal and doubled pixel density.
QIcon pictureIcon(const QString &name, int size);

} // namespace korvane
