#pragma once
// Registration files of simulated modules: one `.adapter` file per adapter in the
// adapter directory, holding `description=<text>` and `device=<serial device path>`.

#include <QList>
#include <QString>

namespace relvane {

struct AdapterRegistration {
    QString description;
    QString device;
    QString file;  // the registration file it was read from
};

// $RELVANE_ADAPTERS if set, else $XDG_RUNTIME_DIR/relvane/adapters,
// else /tmp/relvane-<uid>/adapters.
QString AdapterDirectory();

// Every readable registration in dir, ordered by file name. Files without both a
// description and a device are skipped.
QList<AdapterRegistration> ReadAdapterRegistrations(const QString& dir);

// Writes (or rewrites) dir/<name>.adapter atomically, creating dir when needed.
// Returns the file's path, or an empty string with *error set.
QString WriteAdapterRegistration(const QString& dir, const QString& name,
                                 const QString& description, const QString& device,
                                 QString* error = nullptr);

// Removes a registration file; true when it is gone afterwards.
bool RemoveAdapterRegistration(const QString& file);

}  // namespace relvane
