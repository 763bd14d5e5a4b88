#include "main_window/widget_factory.h"

#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace korvel {

namespace {

constexpr int kLabelGap = 16;  // a field's label stands this far above the field

// Greys a field's label with the field, as a labelled edit does.
class LabelFollowsField : public QObject {
public:
    LabelFollowsField(QWidget* field, QLabel* label) : QObject(label), label_(label) {
        field->installEventFilter(this);
        label_->setEnabled(field->isEnabled());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange)
            label_->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
        return false;
    }

private:
    QLabel* label_;
};

}  // namespace

QLabel* makeLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void placeLabelled(QWidget* field, const char* objectName, const QString& labelText, int x, int y,
                   int width, int height) {
    const QString name = QString::fromLatin1(objectName);
    field->setObjectName(name);
    field->setGeometry(x, y, width, height);
    QLabel* label = makeLabel(field->parentWidget(), name + QStringLiteral("_Label"), labelText, x,
                              y - kLabelGap);
    label->setBuddy(field);
    new LabelFollowsField(field, label);
}

QLabel* labelOf(QWidget* field) {
    if (!field || !field->parentWidget()) return nullptr;
    for (QLabel* label : field->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->buddy() == field) return label;
    return nullptr;
}

QLineEdit* readOnlyEdit(QLineEdit* edit) {
    edit->setReadOnly(true);
    return edit;
}

QPushButton* makeButton(QWidget* parent, const char* objectName, const QString& text, int x, int y,
                        int width, int height) {
    auto* button = named(new QPushButton(text, parent), objectName);
    button->setGeometry(x, y, width, height);
    button->setAutoDefault(false);
    return button;
}

QToolButton* makeToolButton(QWidget* parent, const char* objectName, const QString& text,
                            const QIcon& image, int x, int y) {
    auto* button = named(new QToolButton(parent), objectName);
    button->setText(text);
    button->setIcon(image);
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(x, y, 57, 57);
    return button;
}

QGroupBox* makeGroup(QWidget* parent, const char* objectName, const QString& title, int x, int y,
                     int width, int height) {
    auto* group = named(new QGroupBox(title, parent), objectName);
    group->setGeometry(x, y, width, height);
    return group;
}

}  // namespace korvel
