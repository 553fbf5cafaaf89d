#pragma once

#include "Services/UninstallRecords.h"

#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

namespace corvanta {

// The confirmation sheet's choice: whether the bundle goes, which leftovers go and which groups
// are folded. It lives as long as the sheet shows one request and is private to the sheet.
class UninstallSelection {
public:
    using Plan = Uninstall::UninstallPlan;
    using Item = Uninstall::ResidualItem;
    using Kind = Uninstall::ResidualKind;

    // A new plan: the bundle and every leftover found on firm evidence checked, every group open.
    // Leftovers tied by name, vendor folder or installer receipt alone start unchecked: such a
    // match can belong to another program. An absent plan keeps the current choice.
    void reset(const std::optional<Plan>& plan);
    static bool startsChecked(const Item& item);

    bool includeApp() const { return m_includeApp; }
    void setIncludeApp(bool include) { m_includeApp = include; }

    bool isChecked(const QUrl& url) const { return m_selected.contains(url); }
    void setChecked(const QUrl& url, bool checked);

    // Checked only when every item of the group is; checking sets them all, unchecking clears them.
    static bool isGroupChecked(const QSet<QUrl>& selected, const QList<Item>& items);
    bool isGroupChecked(const QList<Item>& items) const { return isGroupChecked(m_selected, items); }
    void setGroupChecked(const QList<Item>& items, bool checked);

    bool isAllChecked(const std::optional<Plan>& plan) const;
    void setAllChecked(const std::optional<Plan>& plan, bool checked);

    bool isCollapsed(Kind kind) const { return m_collapsed.contains(static_cast<int>(kind)); }
    void toggleCollapsed(Kind kind);

    // Bytes freed by the current choice; folded groups count too.
    qint64 reclaimableBytes(const Plan& plan) const;
    bool nothingSelected(const std::optional<Plan>& plan) const;
    // The plan cut down to the checked leftovers, in plan order.
    Plan filteredPlan(const Plan& plan) const;

    const QSet<QUrl>& selectedURLs() const { return m_selected; }

private:
    bool m_includeApp = true;
    QSet<QUrl> m_selected;
    QSet<int> m_collapsed; // kinds, as ints
};

namespace UninstallText {
// Byte counts as the desktop's file-size style writes them in Chinese: decimal units, "零 KB" for
// nothing, whole "字节" and kilobytes, one decimal for megabytes, two from gigabytes on.
QString byteCount(qint64 bytes);
// "<group title> · <count> 项".
QString groupHeader(Uninstall::ResidualKind kind, int count);
// The path with the home folder written as "~".
QString abbreviatedPath(const QString& path, const QString& home);
} // namespace UninstallText

} // namespace corvanta
