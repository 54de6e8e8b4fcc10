#pragma once

#include <QWidget>

namespace morvi::ui {

// A round progress gauge: the share done is a filled pie slice.
class PieGauge : public QWidget {
    Q_OBJECT
public:
    explicit PieGauge(QWidget *parent);

    void setProgress(int percent);
    int progress() const { return percent_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int percent_ = 0;
};

} // namespace morvi::ui
