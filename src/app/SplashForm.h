#pragma once
// The splash window shown while the program starts.

#include <QWidget>

namespace relvane {

class TSplashForm final : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    // Shows the window and paints it at once, before any event loop runs.
    void ShowNow();
};

// The product picture of the splash window: a module with its output lamps.
class SplashPicture final : public QWidget {
    Q_OBJECT
public:
    explicit SplashPicture(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace relvane
