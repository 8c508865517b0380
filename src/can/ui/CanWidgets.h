#pragma once
// Small widgets of the CAN pages: the byte picker and an edit whose length limit applies to
// typing only, so a value shown by the editor is never cut.

#include "can/CanEditorRules.h"

#include <QLineEdit>
#include <QValidator>
#include <QWidget>

class QComboBox;

namespace relvane {

// Refuses typed text longer than a limit (and, if given, characters outside a set). A leading
// minus sign does not count towards the limit, so a five-digit edit takes -40000.
class TypedLengthValidator final : public QValidator {
public:
    TypedLengthValidator(int maxLength, QString allowed, QObject* parent)
        : QValidator(parent), maxLength_(maxLength), allowed_(std::move(allowed)) {}
    State validate(QString& input, int& pos) const override;

private:
    int maxLength_;
    QString allowed_;  // empty: any character
};

// A line edit named objectName with a design-time text and a typing limit (0: none).
QLineEdit* MakeLimitedEdit(const QString& objectName, const QString& text, int maxLength,
                           QWidget* parent, const QString& allowed = QString());

// Shows text in an edit so that its change handler runs as if the text had been typed, also
// when the edit already shows that text.
void ShowThroughHandler(QLineEdit* edit, const QString& text);

// The position an editable selector's text stands for: the entry with exactly that text, or -1.
int TypedPosition(const QComboBox* box);

// The byte picker picture: eight cells for the data bytes 0 to 7 of a CAN message, "Lo" and "Hi"
// on the chosen ones. Reports the x of a released mouse button.
class TBytePicker final : public QWidget {
    Q_OBJECT
public:
    explicit TBytePicker(const QString& objectName, QWidget* parent = nullptr);
    void SetPair(const BytePair& pair);
    const BytePair& Pair() const { return pair_; }
    QSize sizeHint() const override { return {kBytePickerWidth, kBytePickerHeight}; }

Q_SIGNALS:
    void Released(int x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    BytePair pair_;
};

}  // namespace relvane
