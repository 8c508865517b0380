#pragma once
// What the rules of CheckConfig share across their files (not for use elsewhere).

#include "config/ConfigChecks.h"
#include "config/ConfigCompare.h"
#include "config/ConfigDiff.h"

#include <QString>

#include <functional>

namespace relvane {

class ConfigModel;

namespace checks {

inline FieldLocation Where(const QString& section, const QString& key, const QString& value = QString())
{
    ConfigField f;
    f.section = section;
    f.key = key;
    f.value = value;
    return LocateField(f, value);
}

inline QString Num(const char* base, int n) { return QLatin1String(base) + QString::number(n); }

inline FieldLocation CanInputWhere(int c, const char* key) { return Where(QStringLiteral("CAN_INPUT"), Num(key, c)); }

inline int Id16(int id) { return id & 0xFFFF; }  // identifiers travel as 16 bits
inline QString ExportSection(int x) { return QStringLiteral("CAN_EXPORT_%1").arg(x); }
inline QString ExportIdKey(int x) { return x == 1 ? QStringLiteral("CAN_ID_1") : QStringLiteral("CAN_ID"); }

using AddProblem = std::function<void(const char* rule, const QString& message, const FieldLocation& where)>;

// The value-range rule; canInputUsed tells whether anything chooses CAN input c.
void CheckValueRanges(const ConfigModel& model, bool wiperInUse, const std::function<bool(int)>& canInputUsed,
                      const AddProblem& add);

}  // namespace checks
}  // namespace relvane
