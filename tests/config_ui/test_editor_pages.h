#pragma once
// The editor pages' test class, in two files: each editor's own controls
// (test_editor_pages.cpp), and name propagation with the one-copy rule against
// module reads and file loads (test_editor_propagation.cpp).

#include "EditorTestSupport.h"

#include <QObject>

#include <memory>

class TestEditorPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { pages_ = std::make_unique<relvane::EditorPages>(); }
    void cleanup() { pages_.reset(); }

    void controlsExist_data();
    void controlsExist();
    void limitChecks_data();
    void limitChecks();
    void thresholds_data();
    void thresholds();
    void onTimeZeroFromFileShowsCont();
    void partlyTypedTextStays();
    void readOrOpenShowsTypedValueConverted_data();
    void readOrOpenShowsTypedValueConverted();
    void trigLevelChoices_data();
    void trigLevelChoices();
    void levelKeptAcrossInputs();
    void disabledLeavesLevel();
    void inputPinLabels_data();
    void inputPinLabels();
    void listMaximums_data();
    void listMaximums();
    void flashSlots();
    void flashClickBeforePropagation();
    void flashWiperTriggerShowsPlus30();
    void flashEditorsNeedASelection();
    void wiperHomeParkRule();
    void integerFallbacks_data();
    void integerFallbacks();
    void renameInput3Propagation();
    void outputNameRequestsPropagation();
    void noRequestWhileModuleReadRuns();
    void tickSurvivesPropagation();
    void propagationFillsFlashAndButtons();
    void nameLabelsFollowNames();
    void moduleReadShowsInEveryEditor();
    void fileLoadShowsInEveryEditor();
    void pageButtons();
    void screenshots();

private:
    void CheckShowsVaried();
    std::unique_ptr<relvane::EditorPages> pages_;
};
