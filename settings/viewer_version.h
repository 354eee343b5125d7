#pragma once

#include <QStringView>

namespace kv {

// The viewer's own version: shown in the settings dialog and compared with the
// version text the maker publishes.
inline constexpr QStringView kViewerVersion = u"2.0.0.0";

} // namespace kv
