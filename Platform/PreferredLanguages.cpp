#include "Platform/PreferredLanguages.h"

#include <QLocale>

namespace corvanta {

QStringList preferredLanguages()
{
    // On Linux the system locale's UI languages follow LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
    QStringList tags = QLocale::system().uiLanguages();
    for (QString& tag : tags)
        tag.replace(u'_', u'-');
    return tags;
}

QStringList localizationCandidates(const QStringList& languageTags)
{
    QStringList out;
    const auto add = [&out](const QString& candidate) {
        if (!out.contains(candidate))
            out.append(candidate);
    };
    for (const QString& tag : languageTags) {
        add(tag);
        const QStringList parts = tag.split(u'-', Qt::SkipEmptyParts);
        if (parts.size() >= 2)
            add(parts.at(0) + u'-' + parts.at(1));
        if (!parts.isEmpty())
            add(parts.at(0));
    }
    add(QStringLiteral("en"));
    add(QStringLiteral("Base"));
    return out;
}

} // namespace corvanta
