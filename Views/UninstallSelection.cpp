#include "Views/UninstallSelection.h"

#include <QDir>
#include <QLocale>

#include <cmath>

namespace corvanta {

using Uninstall::MatchEvidence;

bool UninstallSelection::startsChecked(const Item& item)
{
    switch (item.evidence) {
    case MatchEvidence::nameVariant:
    case MatchEvidence::identifierVariant:
    case MatchEvidence::vendorFolder:
    case MatchEvidence::packageReceipt:
        return false;
    case MatchEvidence::bundleIdentifier:
    case MatchEvidence::name:
    case MatchEvidence::containerMetadata:
    case MatchEvidence::launchProgram:
    case MatchEvidence::knownPath:
        return true;
    }
    return false;
}

void UninstallSelection::reset(const std::optional<Plan>& plan)
{
    if (!plan)
        return;
    m_includeApp = true;
    m_selected.clear();
    for (const Item& item : plan->residuals) {
        if (startsChecked(item))
            m_selected.insert(item.url);
    }
    m_collapsed.clear();
}

void UninstallSelection::setChecked(const QUrl& url, bool checked)
{
    if (checked)
        m_selected.insert(url);
    else
        m_selected.remove(url);
}

bool UninstallSelection::isGroupChecked(const QSet<QUrl>& selected, const QList<Item>& items)
{
    for (const Item& item : items) {
        if (!selected.contains(item.url))
            return false;
    }
    return true;
}

void UninstallSelection::setGroupChecked(const QList<Item>& items, bool checked)
{
    for (const Item& item : items)
        setChecked(item.url, checked);
}

bool UninstallSelection::isAllChecked(const std::optional<Plan>& plan) const
{
    return plan && m_includeApp && m_selected.size() == plan->residuals.size();
}

void UninstallSelection::setAllChecked(const std::optional<Plan>& plan, bool checked)
{
    m_includeApp = checked;
    m_selected.clear();
    if (checked && plan) {
        for (const Item& item : plan->residuals)
            m_selected.insert(item.url);
    }
}

void UninstallSelection::toggleCollapsed(Kind kind)
{
    const int key = static_cast<int>(kind);
    if (!m_collapsed.remove(key))
        m_collapsed.insert(key);
}

qint64 UninstallSelection::reclaimableBytes(const Plan& plan) const
{
    qint64 total = m_includeApp ? plan.appSize : 0;
    for (const Item& item : plan.residuals) {
        if (m_selected.contains(item.url))
            total += item.size;
    }
    return total;
}

bool UninstallSelection::nothingSelected(const std::optional<Plan>& plan) const
{
    if (!plan)
        return true;
    return !m_includeApp && m_selected.isEmpty();
}

UninstallSelection::Plan UninstallSelection::filteredPlan(const Plan& plan) const
{
    Plan filtered = plan;
    filtered.residuals.clear();
    for (const Item& item : plan.residuals) {
        if (m_selected.contains(item.url))
            filtered.residuals << item;
    }
    return filtered;
}

namespace UninstallText {

namespace {

QString trimmed(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

} // namespace

QString byteCount(qint64 bytes)
{
    if (bytes == 0)
        return QStringLiteral("零 KB");
    const qint64 magnitude = bytes < 0 ? -bytes : bytes;
    if (magnitude < 1000)
        return QString::number(bytes) + QStringLiteral(" 字节");
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1000.0;
    int unit = 0;
    // Round first, so 999,999 bytes reads "1 MB" rather than "1,000 KB".
    auto decimalsFor = [](int u) { return u == 0 ? 0 : (u == 1 ? 1 : 2); };
    while (unit < 5) {
        const double factor = std::pow(10.0, decimalsFor(unit));
        if (std::abs(std::round(value * factor) / factor) < 1000.0)
            break;
        value /= 1000.0;
        ++unit;
    }
    return trimmed(value, decimalsFor(unit)) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString groupHeader(Uninstall::ResidualKind kind, int count)
{
    return Uninstall::displayName(kind) + QStringLiteral(" · ") + QString::number(count) + QStringLiteral(" 项");
}

QString abbreviatedPath(const QString& path, const QString& home)
{
    const QString cleanHome = QDir::cleanPath(home);
    if (cleanHome.isEmpty() || cleanHome == QStringLiteral("/"))
        return path;
    if (path == cleanHome)
        return QStringLiteral("~");
    if (path.startsWith(cleanHome + QLatin1Char('/')))
        return QStringLiteral("~") + path.mid(cleanHome.size());
    return path;
}

} // namespace UninstallText

} // namespace corvanta
