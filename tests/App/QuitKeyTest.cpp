// Control-Q asks for the ending from any window of the program, once per press.
#include "App/QuitKey.h"
#include "common/LogCapture.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

// What the toolkit sends for one key: the shortcut override first, then the press.
void sendKey(QWidget* to, int key, Qt::KeyboardModifiers modifiers)
{
    for (const QEvent::Type type : {QEvent::ShortcutOverride, QEvent::KeyPress}) {
        QKeyEvent event(type, key, modifiers, modifiers == Qt::NoModifier ? QStringLiteral("q") : QString());
        QApplication::sendEvent(to, &event);
    }
}

TEST(QuitKey, ControlQInAModalDialogsFieldAsksForTheEndingOnce)
{
    int quits = 0;
    QuitKey quitKey([&quits] { ++quits; });
    qApp->installEventFilter(&quitKey);
    QDialog dialog;
    auto* field = new QLineEdit(&dialog);
    LogCapture log;

    sendKey(field, Qt::Key_Q, Qt::NoModifier);
    sendKey(field, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(field->text(), QStringLiteral("q")) << "a plain q is typed";

    sendKey(field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    sendKey(field, Qt::Key_Q, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(quits, 2);
    EXPECT_EQ(log.count(QStringLiteral("Cmd+Q pressed — terminating Corvanta")), 2);
    qApp->removeEventFilter(&quitKey);
}

} // namespace
} // namespace corvanta::test
