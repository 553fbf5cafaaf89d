#include "Services/UtilitiesFolderName.h"

#include "Platform/StringsTable.h"

#include <QDir>
#include <QFileInfo>

namespace corvanta::UtilitiesFolderName {

namespace {

const QString kUtilitiesKey = QStringLiteral("Utilities");

// The "Utilities" entry of one localisation table.
std::optional<QString> readUtilitiesEntry(const QString& path)
{
    const std::optional<QHash<QString, QString>> table = readStringsTable(path);
    if (!table)
        return std::nullopt;
    const auto it = table->constFind(kUtilitiesKey);
    if (it == table->cend())
        return std::nullopt;
    return *it;
}

void appendUnique(QStringList& list, const QString& value)
{
    if (!list.contains(value))
        list.append(value);
}

} // namespace

QStringList localizationCandidates(const QString& code)
{
    QStringList out;
    appendUnique(out, code);
    QString underscored = code;
    underscored.replace(QLatin1Char('-'), QLatin1Char('_'));
    appendUnique(out, underscored);

    const QString lower = code.toLower();
    const auto startsWith = [&lower](const char* prefix) { return lower.startsWith(QLatin1String(prefix)); };
    if (startsWith("zh-hans") || startsWith("zh_hans")) {
        for (const char* name : {"zh_CN", "zh-Hans", "zh_Hans", "zh"})
            appendUnique(out, QLatin1String(name));
    } else if (startsWith("zh-hant") || startsWith("zh_hant")) {
        const bool hongKong = lower.contains(QLatin1String("hk"));
        appendUnique(out, QLatin1String(hongKong ? "zh_HK" : "zh_TW"));
        appendUnique(out, QLatin1String(hongKong ? "zh_TW" : "zh_HK"));
        appendUnique(out, QStringLiteral("zh-Hant"));
        appendUnique(out, QStringLiteral("zh_Hant"));
    } else if (lower == QLatin1String("zh") || startsWith("zh-") || startsWith("zh_")) {
        for (const char* name : {"zh_CN", "zh_TW", "zh_HK"})
            appendUnique(out, QLatin1String(name));
    }

    const QStringList parts = code.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    for (qsizetype k = parts.size() - 1; k >= 1; --k) {
        const QStringList head = parts.mid(0, k);
        appendUnique(out, head.join(QLatin1Char('-')));
        appendUnique(out, head.join(QLatin1Char('_')));
    }
    return out;
}

std::optional<QString> localizedValue(const QString& root, const QString& localization)
{
    const QString path = root + QLatin1Char('/') + localization
        + QStringLiteral(".lproj/SystemFolderLocalizations.strings");
    std::optional<QString> value = readUtilitiesEntry(path);
    if (value && value->isEmpty())
        return std::nullopt;
    return value;
}

QString localizedName(const QString& root, const QStringList& preferredLanguages)
{
    QSet<QString> tried;
    for (const QString& language : preferredLanguages) {
        for (const QString& candidate : localizationCandidates(language)) {
            if (tried.contains(candidate))
                continue;
            tried.insert(candidate);
            if (auto value = localizedValue(root, candidate))
                return *value;
        }
    }
    if (auto value = localizedValue(root, QStringLiteral("en")))
        return *value;
    return kUtilitiesKey;
}

QSet<QString> knownNames(const QString& root)
{
    const QDir dir(root);
    if (!QFileInfo(root).isDir() || !QFileInfo(root).isReadable())
        return {kUtilitiesKey, QStringLiteral("实用工具")};
    QSet<QString> names{kUtilitiesKey};
    for (const QString& item : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!item.endsWith(QLatin1String(".lproj")))
            continue;
        if (auto value = localizedValue(root, item.chopped(6)))
            names.insert(*value);
    }
    return names;
}

} // namespace corvanta::UtilitiesFolderName
