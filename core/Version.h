#pragma once

#include <QLatin1StringView>

// The version text that most messages end with, and the program's title.
inline constexpr QLatin1StringView kVersion{"v2.3"};
inline constexpr QLatin1StringView kAppTitle{"SorvikDDE"};
