#include "App/QtTranslation.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

using namespace corvanta;

namespace {

QStringList contextMenuTexts()
{
    QLineEdit field(QStringLiteral("文字"));
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text().section(QLatin1Char('\t'), 0, 0); // without its shortcut
    return texts;
}

// The buttons and the folder label of the file dialog that backup uses (Qt's own, not the desktop's).
QString backupDialogTexts()
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    if (!buttons || !lookIn)
        return {};
    return buttons->button(QDialogButtonBox::Save)->text() + QLatin1Char('|') + buttons->button(QDialogButtonBox::Cancel)->text()
        + QLatin1Char('|') + lookIn->text();
}

} // namespace

// The texts Qt draws itself (a search field's right-click menu, the buttons of the file dialog)
// are Chinese like the rest of the interface.
TEST(QtTranslation, QtsOwnTextsComeOutInChinese)
{
    const QStringList english = contextMenuTexts();
    ASSERT_FALSE(english.isEmpty());
    EXPECT_TRUE(english.contains(QStringLiteral("&Undo"))) << english.join(QLatin1Char(',')).toStdString();

    QTranslator* translator = installQtTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr);
    const QStringList chinese = contextMenuTexts();
    const QString dialog = backupDialogTexts();
    QCoreApplication::removeTranslator(translator);
    delete translator;

    EXPECT_TRUE(chinese.contains(QStringLiteral("撤消(&U)"))) << chinese.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(chinese.contains(QStringLiteral("全选"))) << chinese.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(dialog, QStringLiteral("保存(&S)|取消|查找范围：")) << dialog.toStdString();
}
