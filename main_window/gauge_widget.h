// The window's progress gauges: a horizontal bar showing its percentage,
// whose position always stays inside its range.
#pragma once

#include <QProgressBar>

#include "device_link/operation_sink.h"

namespace korvel {

class GaugeWidget : public QProgressBar, public Gauge {
    Q_OBJECT
public:
    explicit GaugeWidget(QWidget* parent = nullptr);

    void setMin(int value) override;
    void setMax(int value) override;
    // Clamped to [min, max]: the bar itself would ignore a value outside it.
    void setProgress(int value) override;
    int progress() const override;
    int min() const override;
    int max() const override;
    void setVisible(bool visible) override;
    // True when the gauge is set to be shown, whether or not its page is the
    // one on screen.
    bool isVisible() const override;

private:
    void applyPosition();

    int position_ = 0;
};

}  // namespace korvel
