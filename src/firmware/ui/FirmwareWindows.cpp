#include "firmware/ui/FirmwareWindows.h"

#include "firmware/ui/FIAForm.h"
#include "firmware/ui/FirmwareForm.h"

#include <memory>

namespace relvane {

namespace {
// Runs its work when the scope ends, also when a handler let an error through exec.
template <typename F>
struct AtExit {
    F work;
    ~AtExit() { work(); }
};
template <typename F>
AtExit(F) -> AtExit<F>;
}  // namespace

void RunFirmwareWindow(FirmwareHost& host, QWidget* parent) {
    host.StopStatusPolling();
    host.PauseMs(10);
    host.SetFirmwareBusy(true);
    host.ResetLiveDisplay();
    AtExit done{[&host] {
        host.SetFirmwareBusy(false);
        host.ResumeStatusPolling();
    }};
    auto window = std::make_unique<TFirmware>(host, parent);
    window->exec();
}

void RunFiaWindow(FirmwareHost& host, QWidget* parent) {
    host.StopStatusPolling();
    host.PauseMs(10);
    AtExit resume{[&host] { host.ResumeStatusPolling(); }};
    auto window = std::make_unique<TFIA_Form>(host, parent);
    // Frames reach the compare only while the window exists.
    AtExit unregister{[&host] { host.RegisterFirmwareCompare(nullptr); }};
    host.RegisterFirmwareCompare(&window->Compare());
    window->exec();
}

}  // namespace relvane
