#pragma once
// The CAN pages' test class, in two files: the CAN Inputs page with its monitor group
// (test_can_pages.cpp), and the Virtual Inputs and CAN Export pages, the page set and
// the screenshots (test_virtual_export_pages.cpp); and the helpers both use.

#include "config/ConfigModel.h"
#include "config/SelectionLists.h"
#include "monitor/MonitorTestSupport.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QTest>

#include <memory>

template <typename T>
T* Find(QWidget* root, const QString& name)
{
    T* w = root->findChild<T*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

inline void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

inline void Pick(QComboBox* box, int position)
{
    box->setCurrentIndex(position);
    Q_EMIT box->activated(position);
}

class TestCanPages : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<relvane::ConfigModel> model_;
    std::unique_ptr<relvane::SelectionLists> lists_;
    std::unique_ptr<relvane::ScriptedDialogs> dialogs_;
    std::unique_ptr<relvane::test::RecordingQueue> queue_;

private Q_SLOTS:
    void init();

    // ---- CAN Inputs -------------------------------------------------------------------------

    void identifierStoresHexAndReloads();
    void identifierThatIsNoNumber();
    void valueLimits_data();
    void valueLimits();
    void storedValueOutsideTheLimitsIsCorrectedOnLoad();
    void switchingTypeLeavesTheValues();
    void rowCounterAndCalibration();
    void rowCounterTakesWholeNumbers_data();
    void rowCounterTakesWholeNumbers();
    void dimensionShowsInBothUnitLabels();
    void operatorsAndNoCanData();
    void bytePickerClicks();
    void storedPosition255ShowsAsNone();
    void fileLoadIsShownAtOnce();
    void canSwitchingOption();
    void pageSelectionSelectsTheFirstAndResetsTheMonitor();

    // ---- CAN monitor ------------------------------------------------------------------------

    void monitorSelectionSendsTheMode();
    void monitorShowsForwardedMessages();
    void fileLogOption();

    // ---- Virtual Inputs ---------------------------------------------------------------------

    void virtualDelays_data();
    void virtualDelays();
    void virtualLoadAndNotBits();
    void virtualSelectors();
    void virtualPageSelectionDoesNotLoad();

    // ---- CAN Export -------------------------------------------------------------------------

    void refreshTime();
    void rowCount_data();
    void rowCount();
    void rowCountThatIsNoNumber();
    void exportSelectors();

    // ---- Composition ------------------------------------------------------------------------

    void pageSetWork();

    // ---- Look at it -------------------------------------------------------------------------

    void screenshots();
};
