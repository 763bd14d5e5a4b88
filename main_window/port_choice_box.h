// The port choice at the window's foot: an editable combo box that announces
// its list is about to drop down, so the list can be filled afresh.
#pragma once

#include <QComboBox>

namespace korvel {

class PortChoiceBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortChoiceBox(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void dropDown();
};

}  // namespace korvel
