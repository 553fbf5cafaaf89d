#pragma once

#include "SampleApp.h"

#include <QByteArray>
#include <QString>

#include <plist/plist.h>

#include <memory>
#include <utility>
#include <vector>

namespace corvanta::samples {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

void setString(plist_t dict, const char* key, const QString& value);

// A dictionary of texts, the shape of every strings file.
PlistPtr textDictionary(const std::vector<std::pair<QString, QString>>& entries);

QByteArray encodePlist(plist_t root, PlistForm form);

// The text form of a strings file: comments, then "key" = "value"; lines, in the given encoding.
QByteArray encodeStringsText(const std::vector<std::pair<QString, QString>>& entries, StringsForm form);

}  // namespace corvanta::samples
