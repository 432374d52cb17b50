#pragma once

#include <QFrame>

// An image drawn scaled into the widget on a transparent background.
class AdaptImage : public QFrame
{
    Q_OBJECT

public:
    explicit AdaptImage(const QString& imagePath, QWidget* parent = nullptr);

    QString imagePath() const { return m_imagePath; }

private:
    QString m_imagePath;
};
