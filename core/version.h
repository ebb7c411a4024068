// The runtime's version, from the build (the project's version in
// CMakeLists.txt): "0.1".
#pragma once

namespace core {

inline constexpr const char* kVersion = APP_VERSION;

}  // namespace core
