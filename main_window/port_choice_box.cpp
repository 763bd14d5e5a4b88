#include "main_window/port_choice_box.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>

namespace korvel {

namespace {

constexpr int kDescriptionRole = Qt::UserRole + 1;

// Draws an item of the drop-down as its port name followed, in the
// disabled-text colour, by what the port is.  The item's text stays the port
// name, which is what a choice puts into the box.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty()) option->text += QStringLiteral("   ") + description;
    }
};

}  // namespace

PortChoiceBox::PortChoiceBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A typed port name stays as typed: completing "COM1" to "COM10" would
    // silently address another port.
    setCompleter(nullptr);
    view()->setItemDelegate(new PortItemDelegate(view()));
}

void PortChoiceBox::setPorts(const QStringList& names, const QHash<QString, QString>& descriptions) {
    const QSignalBlocker blocker(this);
    const QString text = currentText();
    clear();
    int widest = 0;
    for (const QString& name : names) {
        addItem(name);
        const QString description = descriptions.value(name);
        setItemData(count() - 1, description, kDescriptionRole);
        if (!description.isEmpty()) setItemData(count() - 1, description, Qt::ToolTipRole);
        widest = std::max(widest, fontMetrics().horizontalAdvance(name + QStringLiteral("   ") + description));
    }
    // The drop-down is as wide as its longest line, the box keeps its size.
    view()->setMinimumWidth(std::max(width(), widest + 32));
    setCurrentIndex(findText(text, Qt::MatchExactly));
    setEditText(text);
}

QString PortChoiceBox::description(int index) const {
    return itemData(index, kDescriptionRole).toString();
}

void PortChoiceBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}

}  // namespace korvel
