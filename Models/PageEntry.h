#pragma once

#include "Models/AppGroup.h"

#include <variant>

namespace corvanta {

// One cell of a page: an application or a folder.
class PageEntry {
public:
    PageEntry() = default;
    PageEntry(AppItem app) : m_value(std::move(app)) {}
    PageEntry(AppGroup group) : m_value(std::move(group)) {}

    static PageEntry app(AppItem item) { return PageEntry(std::move(item)); }
    static PageEntry group(AppGroup group) { return PageEntry(std::move(group)); }

    bool isApp() const { return std::holds_alternative<AppItem>(m_value); }
    bool isGroup() const { return std::holds_alternative<AppGroup>(m_value); }
    const AppItem* asApp() const { return std::get_if<AppItem>(&m_value); }
    const AppGroup* asGroup() const { return std::get_if<AppGroup>(&m_value); }
    AppItem* asApp() { return std::get_if<AppItem>(&m_value); }
    AppGroup* asGroup() { return std::get_if<AppGroup>(&m_value); }

    QUuid id() const;
    QList<AppItem> containedApps() const;

    bool operator==(const PageEntry&) const = default;

private:
    std::variant<AppItem, AppGroup> m_value;
};

size_t qHash(const PageEntry& entry, size_t seed = 0) noexcept;

} // namespace corvanta
