#pragma once

#include <QString>

#include <functional>

namespace corvanta::InstallLayout {

inline constexpr char programName[] = "corvanta";
inline constexpr char adminHelperName[] = "corvanta-admin-delete";

// The folders an installation puts the program and its helper in (set when the build was
// configured: the install prefix's bin and libexec folders).
struct Folders {
    QString binDir;
    QString libexecDir;
};
Folders installed();

using Exists = std::function<bool(const QString& path)>;

// The administrator helper of the program at `program` (an absolute path). Run from the installed
// bin folder, the program uses the installed helper; run from anywhere else (a build tree), the
// helper beside it, and the installed one only when there is none beside it.
QString adminHelperFor(const QString& program, const Folders& folders, const Exists& exists);

// The program the helper at `helper` serves: the installed one for the installed helper, else the
// one beside it.
QString programFor(const QString& helper, const Folders& folders);

} // namespace corvanta::InstallLayout
