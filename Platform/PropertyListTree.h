#pragma once

#include <QByteArrayView>
#include <QString>

#include <plist/plist.h>

#include <cstdlib>
#include <optional>
#include <span>
#include <utility>

namespace corvanta {

// A property list as libplist built it, read only once its bytes kept PropertyListLimits. A reader
// that wants a few values takes them from here and leaves the rest unconverted; PropertyList
// converts the whole list. Owns and frees the tree.
class PropertyListTree {
public:
    // Either form, told apart by the content. Nothing for malformed or empty input, or input
    // beyond PropertyListLimits; then `refusal`, when given, receives which limit.
    static std::optional<PropertyListTree> parse(QByteArrayView data, QString* refusal = nullptr);

    PropertyListTree(PropertyListTree&& other) noexcept : m_root(std::exchange(other.m_root, nullptr)) {}
    PropertyListTree& operator=(PropertyListTree&& other) noexcept
    {
        std::swap(m_root, other.m_root);
        return *this;
    }
    PropertyListTree(const PropertyListTree&) = delete;
    PropertyListTree& operator=(const PropertyListTree&) = delete;
    ~PropertyListTree();

    plist_t root() const { return m_root; }

    // Entries of the top-level dictionary; 0 when the list is no dictionary.
    qsizetype dictionarySize() const;
    // Calls `visit(value)` for each value of the top-level dictionary, in the list's order; none
    // when the list is no dictionary.
    template <typename Visit> void forEachValue(Visit visit) const
    {
        if (plist_get_node_type(m_root) != PLIST_DICT)
            return;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(m_root, &iter);
        if (!iter)
            return;
        for (;;) {
            plist_t value = nullptr;
            plist_dict_next_item(m_root, iter, nullptr, &value);
            if (!value)
                break;
            visit(value);
        }
        std::free(iter);
    }
    // Whether the dictionary value `value` is written under `key`. The key is compared where it
    // lies: asking libplist for it copies it, which costs more than the rest of reading a value.
    static bool keyIs(plist_t value, const char* key);

    // For each of `keys` (all different), its value in the top-level dictionary, or null (all null
    // when the list is no dictionary). One pass over the entries; of a key written twice the later value counts,
    // as in the whole list converted.
    void dictionaryValues(std::span<const char* const> keys, std::span<plist_t> values) const;

    // A string's text, read with its stored length (libplist's copying getters assert that it
    // holds no U+0000); a key in a value's place reads as the empty text. Nothing for any other
    // kind of value.
    static std::optional<QString> text(plist_t node);
    // True for a Boolean true or a number equal to 1, as PropertyList::isTrue says of the
    // converted value.
    static bool isTrue(plist_t node);

private:
    explicit PropertyListTree(plist_t root) : m_root(root) {}
    plist_t m_root;
};

} // namespace corvanta
