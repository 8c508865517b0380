#pragma once
// Shared pieces of the production tool windows.

#include "tools/ToolHost.h"
#include "tools/ToolText.h"

namespace relvane {

// Runs a handler body; a typed text that is no number is reported in an error
// box with its conversion message, and the window keeps its state.
template <typename Body>
void RunToolHandler(ToolHost& host, Body&& body) {
    try {
        body();
    } catch (const ToolInputError& e) {
        host.Boxes().Error(e.Text());
    }
}

}  // namespace relvane
