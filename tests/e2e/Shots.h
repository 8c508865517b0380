#pragma once
// Screenshots of the Tools windows, each in its own file so the windows' owners can change
// them apart. Each takes the connected, idle rig and writes its PNG files into out.

#include <QDir>

namespace relvane::e2e {

class LiveRig;

bool ShotCompare(LiveRig& rig, const QDir& out);
bool ShotTrend(LiveRig& rig, const QDir& out);
bool ShotDbcPicker(LiveRig& rig, const QDir& out);
bool ShotProblems(LiveRig& rig, const QDir& out);
bool ShotHistory(LiveRig& rig, const QDir& out);

}  // namespace relvane::e2e
