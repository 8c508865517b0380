#pragma once
// The main window's test class, in two files: the shell and its settings file
// (test_main_form.cpp), and connection handling, the selection dialog, the general
// error display and the dialogs helpers (test_main_form_link.cpp).

#include "MemoryLink.h"
#include "app/MainForm.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QLabel>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

inline QStringList L(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

inline QAction* FindAction(QWidget* root, const QString& name)
{
    return root->findChild<QAction*>(name);
}

class TestMainForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<relvane::MemoryBackend> backend_;
    std::unique_ptr<relvane::MemoryLink> link_;
    std::unique_ptr<relvane::ScriptedDialogs> dialogs_;
    std::unique_ptr<relvane::TMainForm> form_;

    QString SettingsPath() const { return dir_->filePath(QStringLiteral("relvane-tool.INI")); }
    relvane::TMainForm& Form()
    {
        if (!form_)
            form_ = std::make_unique<relvane::TMainForm>(*dialogs_, *link_, SettingsPath(),
                                                         QStringLiteral("/start/dir"));
        return *form_;
    }
    QLabel* Panel(int i) { return Form().findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i)); }

private Q_SLOTS:
    void init();
    void cleanup();

    // ---- shell ---------------------------------------------------------------

    void titleIsSetAtConstruction();
    void menuTitles_data();
    void menuTitles();
    void menuOrder();
    void menuEntries_data();
    void menuEntries();
    void productionMenuHiddenUntilRevealed();
    void entriesWithoutCommandAreDisabled();
    void functionKeysRunReadAndUpload();
    void notebookPages();
    void setPageKeepsCaptionAndDeletesOld();
    void pageChangeRunsPageWork();
    void socketInfoPage_data();
    void socketInfoPage();
    void socketInfoGroupCaptions();
    void statusBarPanels();

    // ---- settings file ---------------------------------------------------------

    void settingsPath_data();
    void settingsPath();
    void firstStartDefaults();
    void settingsValues_data();
    void settingsValues();
    void closingCreatesFile();
    void maximisedRoundTrip();
    void closingKeepsOtherSections();
    void unwritableSettingsLoseValuesSilently();
    void writeIsAtomicAndComplete();

    // ---- connection -------------------------------------------------------------

    void connectDevice_data();
    void connectDevice();
    void failedOpenKeepsConnected();
    void linkLostAndRestored();
    void linkLostBeforeConnectKeepsStatus();
    void timerSerialWithoutReadCommandDoesNothing();

    // ---- selection dialog -----------------------------------------------------------

    void selectionDialogLayout();
    void selectionDialogOpensAndRefreshes();
    void selectionDialogButtons_data();
    void selectionDialogButtons();
    void usbMenuThroughMainWindow();

    // ---- general error display --------------------------------------------------------

    void handlerExceptionReachesErrorDisplay();
    void nonStandardExceptionAndGuard();
    void keyHandlerExceptionIsShown();

    // ---- dialogs helpers ---------------------------------------------------------------

    void nameFilters_data();
    void nameFilters();
    void defaultSuffix_data();
    void defaultSuffix();
    void openDialogNameThatDoesNotExist_data();
    void openDialogNameThatDoesNotExist();
    void scriptedDialogsDefaults();
};
