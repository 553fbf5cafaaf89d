#pragma once

#include <QString>

namespace corvanta {

// The system line of the start-up log: the kernel's name as the label and the distribution's
// pretty name from os-release, e.g. "Linux: Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64".
// Without a readable os-release the distribution is "?".
QString operatingSystemLine(const QString& osReleasePath, const QString& kernelType, const QString& kernelVersion);
// The same for this machine (/etc/os-release, else /usr/lib/os-release).
QString operatingSystemLine();

// PRETTY_NAME of an os-release file (quotes and escapes removed), or empty.
QString osReleasePrettyName(const QString& path);

} // namespace corvanta
