#include "App/LayoutFileDialog.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QMimeDatabase>
#include <QScreen>
#include <QTreeView>

#include <algorithm>

namespace corvanta {

namespace {

enum Column { name = 0, size = 1, type = 2, dateModified = 3 };

const QString kFolderType = QStringLiteral("文件夹");

// Qt's file model writes sizes and dates in the system's locale, whatever the default one, and
// names a folder's type in a text its Chinese catalogue lacks: the dialog's views see them
// rewritten in the interface's locale. Sorting still works on the model's own values.
class LocalizedFileColumns : public QIdentityProxyModel {
public:
    LocalizedFileColumns(const QLocale& locale, QObject* parent) : QIdentityProxyModel(parent), m_locale(locale) {}

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        switch (index.column()) {
        case size:
            return files->isDir(source) ? QString() : m_locale.formattedDataSize(files->size(source), 2, QLocale::DataSizeTraditionalFormat);
        case type:
            if (files->isDir(source))
                return kFolderType;
            break;
        case dateModified:
            return m_locale.toString(files->lastModified(source), QLocale::ShortFormat);
        default:
            break;
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    QLocale m_locale;
};

// Each column as wide as the longest text it can show in this locale, plus the view's padding.
void fitColumns(QFileDialog& dialog, const QLocale& locale)
{
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree)
        return;
    const QFontMetrics metrics(tree->font());
    const int padding = metrics.horizontalAdvance(QStringLiteral("MM"));
    const auto atLeast = [tree, padding](int column, int textWidth) {
        QHeaderView* header = tree->header();
        header->resizeSection(column, std::max(header->sectionSize(column), textWidth + padding));
    };
    // The widest day and time of the year, and a size of each unit with three digits before the point.
    const QDateTime longest(QDate(2088, 12, 28), QTime(23, 58));
    atLeast(dateModified, metrics.horizontalAdvance(locale.toString(longest, QLocale::ShortFormat)));
    int sizeWidth = metrics.horizontalAdvance(locale.formattedDataSize(999, 2, QLocale::DataSizeTraditionalFormat));
    for (qint64 bytes = 1000 * 1024; bytes < qint64(1) << 50; bytes *= 1024)
        sizeWidth = std::max(sizeWidth, metrics.horizontalAdvance(locale.formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat)));
    atLeast(size, sizeWidth);
    // The dialog lists folders and JSON files.
    atLeast(type, std::max(metrics.horizontalAdvance(kFolderType),
                           metrics.horizontalAdvance(QMimeDatabase().mimeTypeForName(QStringLiteral("application/json")).comment())));

    // The dialog opens wide enough to show every column beside the sidebar, within the screen.
    const auto* sidebar = dialog.findChild<QWidget*>(QStringLiteral("sidebar"));
    int width = std::max(dialog.width(), tree->header()->length() + (sidebar ? sidebar->sizeHint().width() : 0) + 4 * padding);
    if (const QScreen* screen = dialog.screen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    dialog.resize(width, dialog.height());
}

} // namespace

std::unique_ptr<QFileDialog> makeLayoutFileDialog(bool forSaving, const QString& folder, const QLocale& locale, QWidget* parent)
{
    auto dialog = std::make_unique<QFileDialog>(parent, forSaving ? QStringLiteral("备份布局") : QStringLiteral("恢复布局"), folder,
                                                QStringLiteral("JSON 文件 (*.json)"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setLocale(locale);
    dialog->setProxyModel(new LocalizedFileColumns(locale, dialog.get()));
    if (forSaving) {
        // A new file may be named; an existing one is replaced only after the dialog asks.
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(QStringLiteral("json"));
        dialog->selectFile(QStringLiteral("Corvanta 布局备份.json"));
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    fitColumns(*dialog, locale);
    return dialog;
}

} // namespace corvanta
