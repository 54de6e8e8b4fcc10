#pragma once

#include <QFrame>
#include <QString>

namespace morvi::ui {

// A raised panel with a background colour and a centred caption, painted
// under its child controls.
class CaptionPanel : public QFrame {
    Q_OBJECT
public:
    explicit CaptionPanel(QWidget *parent, int bevel = 1);

    void setCaption(const QString &caption);
    QString caption() const { return caption_; }
    void setColour(const QColor &colour);
    QColor colour() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString caption_;
};

} // namespace morvi::ui
