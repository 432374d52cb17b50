#include "gui/app/AdaptImage.h"

AdaptImage::AdaptImage(const QString& imagePath, QWidget* parent) : QFrame(parent), m_imagePath(imagePath)
{
    setStyleSheet(QStringLiteral("AdaptImage { background: transparent; image:url(%1); }").arg(imagePath));
}
