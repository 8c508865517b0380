#pragma once
// All six editor pages over one model and one set of selection lists, as the main window
// composes them, with scripted dialogs and stand-ins for the "General" page's name labels.

#include "config/ConfigModel.h"
#include "config/SelectionLists.h"
#include "config/ui/FlashWiperPage.h"
#include "config/ui/InputsPage.h"
#include "config/ui/LoadPages.h"
#include "config/ui/NameLabels.h"
#include "config/ui/OutputsPage.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include <memory>
#include <vector>

namespace relvane {

struct EditorPages {
    ConfigModel model;
    ScriptedDialogs dialogs;
    SelectionLists lists{model};
    std::unique_ptr<QTabWidget> notebook;
    TInputsPage* inputs = nullptr;
    TOutputsPage* outputs = nullptr;
    TFlashWiperPage* flashWiper = nullptr;
    TLowBatteryPage* lowBattery = nullptr;
    TStartKillPage* startKill = nullptr;
    TLowCurrentPage* lowCurrent = nullptr;
    // Stand-ins for the General page's number-and-name labels.
    std::vector<QLabel*> outputLabels, inputLabels, canLabels;
    std::unique_ptr<TNameLabelBinder> binder;
    bool transferBusy = false;

    EditorPages()
    {
        lists.FillSelectionLists();
        lists.SetTransferBusyQuery([this] { return transferBusy; });
        notebook = std::make_unique<QTabWidget>();
        inputs = new TInputsPage(model, lists, dialogs);
        outputs = new TOutputsPage(model, lists, dialogs);
        flashWiper = new TFlashWiperPage(model, lists, dialogs);
        lowBattery = new TLowBatteryPage(model, lists, dialogs);
        startKill = new TStartKillPage(model, lists, dialogs);
        lowCurrent = new TLowCurrentPage(model, lists, dialogs);
        notebook->addTab(inputs, QStringLiteral("Inputs"));
        notebook->addTab(outputs, QStringLiteral("Outputs"));
        notebook->addTab(flashWiper, QStringLiteral("Flash / Wiper"));
        notebook->addTab(lowBattery, QStringLiteral("Low Battery"));
        notebook->addTab(startKill, QStringLiteral("Start / Kill Button"));
        notebook->addTab(lowCurrent, QStringLiteral("Low Current"));
        auto* general = new QWidget;
        notebook->addTab(general, QStringLiteral("General"));
        for (int n = 1; n <= kOutputCount; ++n)
            outputLabels.push_back(new QLabel(general));
        for (int n = 1; n <= kInputCount; ++n)
            inputLabels.push_back(new QLabel(general));
        for (int n = 1; n <= kCanInputCount; ++n)
            canLabels.push_back(new QLabel(general));
        const auto lookup = [](std::vector<QLabel*>& v) {
            return [&v](int n) { return n >= 1 && n <= int(v.size()) ? v[std::size_t(n - 1)] : nullptr; };
        };
        binder = std::make_unique<TNameLabelBinder>(model, lists, lookup(outputLabels), lookup(inputLabels),
                                                    lookup(canLabels));
        notebook->resize(1280, 900);
    }

    template <class T = QWidget>
    T* Find(const QString& name) const
    {
        const QList<T*> found = notebook->findChildren<T*>(name);
        return found.size() == 1 ? found.first() : nullptr;
    }
    QLineEdit* Edit(const QString& name) const { return Find<QLineEdit>(name); }
    QComboBox* Combo(const QString& name) const { return Find<QComboBox>(name); }
    TOutputCheckList* CheckList(const QString& name) const { return Find<TOutputCheckList>(name); }

    // The user picks position in a selector.
    static void Choose(QComboBox* box, int position)
    {
        box->setCurrentIndex(position);
        Q_EMIT box->activated(position);
    }
    // The user replaces an editor's text by typing.
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // The user ticks or unticks an entry (the list's selected entry follows the click).
    static void Tick(TOutputCheckList* list, int row, bool on = true)
    {
        list->setCurrentRow(row);
        list->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
};

}  // namespace relvane
