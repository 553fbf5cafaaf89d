#include "App/LayoutFileDialog.h"
#include "App/QtTranslation.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// What the dialog's detail view shows on the row of `name`, column by column, once the file model
// has read the folder and the entries' details (it does both on a thread of its own).
QStringList rowTexts(const QTreeView& view, const QString& name)
{
    const QAbstractItemModel* model = view.model();
    const QModelIndex root = view.rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        if (model->index(row, 0, root).data().toString() != name)
            continue;
        QStringList texts;
        for (int column = 0; column < model->columnCount(root); ++column)
            texts << model->index(row, column, root).data().toString();
        return texts;
    }
    return {};
}

QStringList waitForRow(const QTreeView& view, const QString& name)
{
    const QDeadlineTimer deadline(10000);
    QStringList texts;
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        texts = rowTexts(view, name);
        if (texts.size() == 4 && !texts[2].isEmpty() && !texts[3].isEmpty())
            break;
    }
    return texts;
}

} // namespace

// Backup and restore choose their file in Qt's own dialog; its detail columns speak the interface's
// language however the system's locale is set, and the date is not cut short.
TEST(LayoutFileDialog, ColumnsAreWrittenInChineseAndWideEnough)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("旧备份")));
    QFile file(folder.filePath(QStringLiteral("layout.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write("{\"pages\": []}"), 13);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 12, 11), QTime(16, 14)), QFileDevice::FileModificationTime));
    file.close();

    const QLocale previous;
    QLocale::setDefault(interfaceLocale());
    QTranslator* translator = installQtTranslation(*QCoreApplication::instance());
    for (const bool forSaving : {false, true}) {
        SCOPED_TRACE(forSaving ? "backup" : "restore");
        const std::unique_ptr<QFileDialog> dialog = makeLayoutFileDialog(forSaving, folder.path(), interfaceLocale());
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(view, nullptr);

        const QStringList folderRow = waitForRow(*view, QStringLiteral("旧备份"));
        ASSERT_EQ(folderRow.size(), 4);
        EXPECT_EQ(folderRow[2], QStringLiteral("文件夹"));
        const QStringList fileRow = waitForRow(*view, QStringLiteral("layout.json"));
        ASSERT_EQ(fileRow.size(), 4);
        EXPECT_EQ(fileRow[1], QStringLiteral("13 字节"));
        EXPECT_EQ(fileRow[2], QStringLiteral("JSON 文档"));
        EXPECT_EQ(fileRow[3], QStringLiteral("2026/12/11 16:14"));

        static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
        for (int column = 0; column < 4; ++column) {
            const QString header = view->model()->headerData(column, Qt::Horizontal).toString();
            EXPECT_FALSE(header.isEmpty() || header.contains(latin)) << header.toStdString();
        }

        // Every column shows its text whole.
        const QFontMetrics metrics(view->font());
        for (int column = 1; column < 4; ++column)
            EXPECT_GT(view->header()->sectionSize(column), metrics.horizontalAdvance(fileRow[column])) << column;
        EXPECT_GT(view->header()->sectionSize(2), metrics.horizontalAdvance(folderRow[2]));
    }
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(previous);
}
