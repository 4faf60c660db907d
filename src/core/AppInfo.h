#pragma once

#include <QString>

// Version strings of the running application, fixed when it was built.
namespace velmora::AppInfo {

// The release version, e.g. "0.1.0"; "0.0.0" when the build did not say.
QString shortVersion();

// The build number; "dev" when the build did not say.
QString build();

} // namespace velmora::AppInfo
