#pragma once
// The composed program over an in-memory adapter backend, with scripted dialogs and a folder of
// its own for the settings file, as the app tests start it. Members go in reverse order: the
// program before the dialogs, error display and backend it holds.

#include "app/ErrorDisplay.h"
#include "app/ToolProgram.h"
#include "link/MemoryBackend.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>

#include <memory>

namespace relvane::test {

struct ProgramRig {
    QTemporaryDir dir;
    MemoryBackend backend;
    ScriptedDialogs dialogs;
    ErrorDisplay errors{dialogs};
    std::unique_ptr<ToolProgram> program;

    // Started on first use.
    ToolProgram& Program(int splashMs = 0, bool showSplash = false)
    {
        if (!program) {
            StartOptions o;
            o.settingsPath = dir.filePath(QStringLiteral("relvane-tool.INI"));
            o.currentDirectory = dir.path();
            o.splashWaitMs = splashMs;
            o.showSplash = showSplash;
            program = std::make_unique<ToolProgram>(dialogs, errors, backend, o);
            program->Start();
        }
        return *program;
    }
};

}  // namespace relvane::test
