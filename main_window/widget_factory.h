// Small builders the pages share: every control gets its object name from the
// widget table, its place in pixels, and a field its label above it.
#pragma once

#include <QString>

class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace korvel {

// The height of a one-line field.
inline constexpr int kEditHeight = 21;

template <class W>
W* named(W* widget, const char* objectName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QLabel* makeLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y);

// Places a field and puts its label (named "<field>_Label", the field's
// buddy) above it, as a labelled edit shows it; the label greys whenever the
// field is disabled.
void placeLabelled(QWidget* field, const char* objectName, const QString& labelText, int x, int y,
                   int width, int height = kEditHeight);

template <class W>
W* labelled(W* field, const char* objectName, const QString& labelText, int x, int y, int width,
            int height = kEditHeight) {
    placeLabelled(field, objectName, labelText, x, y, width, height);
    return field;
}

QLineEdit* readOnlyEdit(QLineEdit* edit);

QPushButton* makeButton(QWidget* parent, const char* objectName, const QString& text, int x, int y,
                        int width, int height = 25);

// A square button with its image above its caption.
QToolButton* makeToolButton(QWidget* parent, const char* objectName, const QString& text,
                            const QIcon& image, int x, int y);

QGroupBox* makeGroup(QWidget* parent, const char* objectName, const QString& title, int x, int y,
                     int width, int height);

// The label placed above `field` by placeLabelled, or nullptr.
QLabel* labelOf(QWidget* field);

}  // namespace korvel
