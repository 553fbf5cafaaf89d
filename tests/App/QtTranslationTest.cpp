#include "App/QtTranslation.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
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

QString openButtonText()
{
    QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Open)->text() + QLatin1Char('|') + box.button(QDialogButtonBox::Cancel)->text();
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
    const QString buttons = openButtonText();
    QCoreApplication::removeTranslator(translator);
    delete translator;

    EXPECT_TRUE(chinese.contains(QStringLiteral("撤消(&U)"))) << chinese.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(chinese.contains(QStringLiteral("全选"))) << chinese.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(buttons, QStringLiteral("打开|取消")) << buttons.toStdString();
}
