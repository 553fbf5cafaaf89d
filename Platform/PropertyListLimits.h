#pragma once

#include <QByteArrayView>
#include <QString>

namespace corvanta {

// Bounds a property list must keep before libplist reads it. Every list we read comes from
// someone else's files, and libplist's readers recurse once per level, copy shared objects of a
// binary list for every reference to them and abort on strings that hold U+0000.
struct PropertyListLimits {
    // Larger than any Info.plist, strings file or wallpaper index seen in practice.
    static constexpr qsizetype maxBytes = 8 * 1024 * 1024;
    // Containers inside containers; real lists stay under ten.
    static constexpr int maxDepth = 256;
    // Values once every reference of a binary list is expanded into its own copy.
    static constexpr quint64 maxExpandedObjects = 200'000;
    // Objects a binary list may declare.
    static constexpr quint64 maxObjects = 200'000;
};

// Nothing when `data` keeps the limits, else why not. Binary lists are walked through their
// offset table; a reference out of range or a cycle is refused too. Text (XML) lists are scanned
// for their container nesting. A dictionary key or XML text holding U+0000 is refused.
QString propertyListLimitViolation(QByteArrayView data);

} // namespace corvanta
