#include "Shots.h"

#include "LiveRig.h"

namespace relvane::e2e {

// Written with the window.
bool ShotTrend(LiveRig&, const QDir&) { return true; }

}  // namespace relvane::e2e
