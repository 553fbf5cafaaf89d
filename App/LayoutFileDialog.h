#pragma once

#include <QLocale>

#include <memory>

class QFileDialog;
class QWidget;

namespace corvanta {

// The file dialog of backup (`forSaving`) and restore: Qt's own dialog, not the desktop's, with its
// columns (size, type, date) written in `locale` and wide enough for what they show in it.
std::unique_ptr<QFileDialog> makeLayoutFileDialog(bool forSaving, const QString& folder, const QLocale& locale,
                                                  QWidget* parent = nullptr);

} // namespace corvanta
