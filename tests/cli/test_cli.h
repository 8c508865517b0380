#pragma once
// The command line's test class, in two files: the pieces it prints, the configuration commands
// on files and the usage (test_cli.cpp), and the commands against the simulated module
// (test_cli_module.cpp).

#include "cli/CliRig.h"

#include <QObject>

class TestCli : public QObject {
    Q_OBJECT

    relvane::test::CliRig rig_;

private Q_SLOTS:
    void init() { rig_.Open(); }
    void cleanup() { rig_.Close(); }

    // what is printed
    void candumpLine_data();
    void candumpLine();
    void monitorTextLine_data();
    void monitorTextLine();
    void monitorSelection_data();
    void monitorSelection();
    void progressLines();
    void faultNames_data();
    void faultNames();
    void statusTableShowsMissingValues();

    // configuration fields
    void configFieldsFollowTheFile();
    void configDiff_data();
    void configDiff();
    void configCommandsOnFiles();
    void configCheckAndSheet();

    // usage
    void usage_data();
    void usage();

    // against the module
    void noAdapter_data();
    void noAdapter();
    void wrongAdapterListsThePresentOnes();
    void severalAdaptersNeedAChoice();
    void silentModuleFailsTheVersionCheck();
    void lostBlockFailsTheRead();
    void wrongVersionFailsTheVersionCheck();
    void readUploadDiffRoundTrip();
    void uploadRefusesErrorsUnlessForced();
    void defaultsRestoresTheFactorySettings();
    void statusShowsTheLiveValues();
    void monitorWritesCandumpLines();
    void pingCountsMismatchesAndTimeouts();
    void firmwareProgramAndVerify();
};
