#pragma once

// Linux desktops show a program's notifications without asking the user
// first, so start-up step 10 has no permission to request. Kept as a step so
// that the start-up order reads the same on every desktop.
namespace velmora::NotificationCenter_ {

inline void requestAuthorizationIfNeeded() {}

} // namespace velmora::NotificationCenter_
