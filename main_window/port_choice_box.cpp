#include "port_choice_box.h"

namespace korvel {

PortChoiceBox::PortChoiceBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A typed port name stays as typed: completing "COM1" to "COM10" would
    // silently address another port.
    setCompleter(nullptr);
}

void PortChoiceBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}

}  // namespace korvel
