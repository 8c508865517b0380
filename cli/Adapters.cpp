#include "cli/Session.h"

namespace relvane::cli {

QString ChooseAdapter(AdapterBackend& backend, const QString& requested, QStringList* message, int* status) {
    QList<AdapterInfo> adapters;
    backend.ListAdapters(adapters);
    QStringList present;
    for (const AdapterInfo& a : adapters)
        if (a.detailsOk && !a.description.isEmpty()) present << a.description;
    const auto listing = [&] {
        for (const QString& d : present) *message << QStringLiteral("  ") + d;
    };
    if (!requested.isEmpty()) {
        if (present.contains(requested)) return requested;
        *message << NotConnectedText();
        *message << QStringLiteral("No adapter \"%1\"; adapters present:").arg(requested);
        if (present.isEmpty()) *message << QStringLiteral("  (none)");
        listing();
        *status = EXIT_NO_ADAPTER;
        return {};
    }
    if (present.size() == 1) return present.first();
    if (present.isEmpty()) {
        *message << NotConnectedText();
        *message << QStringLiteral("No adapter found");
        *status = EXIT_NO_ADAPTER;
        return {};
    }
    *message << QStringLiteral("Several adapters are present; choose one with -a DESCRIPTION:");
    listing();
    *status = EXIT_USAGE;
    return {};
}

int Session::Open(const QString& requested) {
    QStringList message;
    int status = EXIT_NO_ADAPTER;
    const QString description = ChooseAdapter(backend(), requested, &message, &status);
    if (description.isEmpty()) {
        for (const QString& line : message) console_.Err(line);
        return status;
    }
    if (!OpenAdapter(description)) {
        console_.Err(NotConnectedText());
        console_.Err(QStringLiteral("Unable to open adapter \"%1\"").arg(description));
        // The same help the window's status bar gives (who holds it, the dialout group).
        const QString hint = OpenErrorHint(link().LastOpenError());
        if (!hint.isEmpty()) console_.Err(hint);
        return EXIT_NO_ADAPTER;
    }
    return EXIT_OK;
}

}  // namespace relvane::cli
