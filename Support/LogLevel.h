#pragma once

namespace corvanta {

enum class LogLevel { Debug, Info, Warning, Error };

} // namespace corvanta
