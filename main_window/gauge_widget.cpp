#include "main_window/gauge_widget.h"

#include <QtGlobal>

namespace korvel {

GaugeWidget::GaugeWidget(QWidget* parent) : QProgressBar(parent) {
    setOrientation(Qt::Horizontal);
    setTextVisible(true);
    setFormat(QStringLiteral("%p%"));
    setAlignment(Qt::AlignCenter);
    setRange(0, 100);
    applyPosition();
}

void GaugeWidget::setMin(int value) {
    setMinimum(value);
    applyPosition();
}

void GaugeWidget::setMax(int value) {
    setMaximum(value);
    applyPosition();
}

void GaugeWidget::setProgress(int value) {
    position_ = value;
    applyPosition();
}

int GaugeWidget::progress() const { return value(); }

int GaugeWidget::min() const { return minimum(); }

int GaugeWidget::max() const { return maximum(); }

void GaugeWidget::setVisible(bool visible) { QProgressBar::setVisible(visible); }

bool GaugeWidget::isVisible() const { return !isHidden(); }

void GaugeWidget::applyPosition() {
    // A range change may have reset the bar (value below minimum); the
    // position is kept and fitted into the new range instead.
    position_ = qBound(minimum(), position_, maximum());
    // The bar would repaint itself at once whenever its picture changes: in
    // a transfer that is hundreds of times, each between a block's
    // acknowledgement and the next block.  It is repainted with the
    // window's next round of events instead.
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    setValue(position_);
    setUpdatesEnabled(updates);
}

}  // namespace korvel
