#pragma once

#include <QStringList>

namespace corvanta {

// The user's interface languages, most preferred first, as BCP 47 tags ("zh-Hans-CN").
QStringList preferredLanguages();

// The localisation folders to try for those languages, in order and without repeats: each tag,
// then its first two subtags, then its first subtag; finally "en" and "Base".
QStringList localizationCandidates(const QStringList& languageTags);

} // namespace corvanta
