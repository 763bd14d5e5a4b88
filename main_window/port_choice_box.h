// The port choice at the window's foot: an editable combo box that announces
// its list is about to drop down, so the list can be filled afresh.
#pragma once

#include <QComboBox>
#include <QHash>

namespace korvel {

class PortChoiceBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortChoiceBox(QWidget* parent = nullptr);
    void showPopup() override;

    // Refills the list with these port names, each shown with its
    // description beside it in the drop-down; the text typed or chosen in
    // the box (the port in use) is never touched.
    void setPorts(const QStringList& names, const QHash<QString, QString>& descriptions);
    // The description shown beside an item, empty when there is none.
    QString description(int index) const;

signals:
    void dropDown();
};

}  // namespace korvel
