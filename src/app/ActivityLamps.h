#pragma once
// The three activity lamps at the notebook's top right: one lit, stepping while the
// module answers.

#include <QWidget>

namespace relvane {

class ActivityLamps final : public QWidget {
    Q_OBJECT
public:
    explicit ActivityLamps(QWidget* parent = nullptr);

    // Lamp lit (0 to 2) lit, the others dark; any other value darkens all three.
    void ShowLit(int lit);
    int Lit() const { return lit_; }

    QSize sizeHint() const override { return {60, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lit_ = -1;
};

} // namespace relvane
