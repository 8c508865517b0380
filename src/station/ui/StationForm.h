#pragma once
// The "Station" window of the production menu: the station engine of "relvane station" with a
// panel per adapter (a large PASS/FAIL, the step running and its progress, the serial number and
// the counts of the shift) and Start/Stop. Non-modal; it opens its own links, so Start first lets
// the main window's link go.

#include "config/Dialogs.h"
#include "link/AdapterBackend.h"
#include "station/StationEngine.h"

#include <QWidget>

#include <functional>
#include <memory>

class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace relvane {

class RecordStore;

// One adapter's panel.
class TStationPanel : public QWidget {
    Q_OBJECT
public:
    explicit TStationPanel(const QString& adapter, QWidget* parent = nullptr);
    void Show(const StationEvent& event);
    const QString& Adapter() const { return adapter_; }
    int Passed() const { return passed_; }
    int Failed() const { return failed_; }

    QLabel* LabelResult;
    QLabel* LabelStep;
    QProgressBar* ProgressStep;
    QLabel* LabelSerial;
    QLabel* LabelCounts;
    QLineEdit* EditSerial;
    QPushButton* BtnSerial;
    QPushButton* BtnNext;

Q_SIGNALS:
    void serialTyped(const QString& adapter, qint64 serial);
    void nextModule(const QString& adapter);

private:
    void SetResult(const QString& text, const QString& colour);
    void BtnSerialClick();

    QString adapter_;
    int passed_ = 0;
    int failed_ = 0;
};

class TStationForm : public QWidget {
    Q_OBJECT
public:
    // releaseLink closes the main window's link before the station opens its own.
    TStationForm(AdapterBackend& backend, Dialogs& dialogs, std::function<void()> releaseLink, QWidget* parent = nullptr);
    ~TStationForm() override;

    void BtnRecipeClick();
    void BtnStartClick();
    void BtnStopClick();
    // Fills the adapter list with the adapters present, all ticked.
    void RefreshAdapters();

    StationEngine* Engine() { return engine_.get(); }
    TStationPanel* Panel(const QString& adapter) const;

    QLineEdit* EditRecipe;
    QPushButton* BtnRecipe;
    QLineEdit* EditOperator;
    QListWidget* ListAdapters;
    QPushButton* BtnRefresh;
    QPushButton* BtnStart;
    QPushButton* BtnStop;
    QLabel* LabelStatus;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnEvent(const StationEvent& event);
    void OnFinished();
    void SetRunning(bool running);

    AdapterBackend& backend_;
    Dialogs& dialogs_;
    std::function<void()> releaseLink_;
    QGridLayout* panels_;
    std::unique_ptr<RecordStore> store_;
    std::unique_ptr<StationEngine> engine_;
    QList<TStationPanel*> panelList_;
};

}  // namespace relvane
