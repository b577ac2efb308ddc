// The Qt frame as a person meets it: keys, the close box, and pages laid
// out so that no text is cut off.
#include "res/dialogs.h"
#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

TEST(WizardFrame, EnterPressesTheDefaultButtonAndEscapeCancels)
{
    WizardEnvironment env;
    WizardHarness w;
    QTest::keyClick(w.window.get(), Qt::Key_Return);
    EXPECT_EQ(w.Page(), 1);
    w.TakeMessages();
    // With Next disabled, Enter does nothing.
    w.window->Engine().PostSetWizardButtons(PSWIZB_BACK);
    w.window->Engine().ClickControl(0); // a click applies what is queued
    EXPECT_FALSE(w.Usable("next"));
    QTest::keyClick(w.window.get(), Qt::Key_Return);
    EXPECT_EQ(w.Page(), 1);
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_TRUE(w.Closed());
    EXPECT_EQ(w.window->Engine().Result(), 0);
}

TEST(WizardFrame, TheCloseBoxCancelsLikeCancel)
{
    WizardEnvironment env;
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    w.window->close();
    EXPECT_TRUE(w.Closed());
    EXPECT_EQ(w.window->Engine().Result(), 0);
}

TEST(WizardFrame, EveryTemplateTextFitsItsControl)
{
    WizardEnvironment env;
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    // Pages 3 and 4 are created by visiting them: no printer answers, so
    // page 3 fails back to page 2; page 4's window is made directly.
    w.window->CreatePageWindow(2);
    w.window->CreatePageWindow(3);
    int checked = 0;
    for (int page = 0; page < 4; ++page) {
        QtPageWindow* window = w.window->PageWindow(page);
        ASSERT_NE(window, nullptr) << page;
        for (QWidget* child : window->findChildren<QWidget*>()) {
            QFontMetrics fm(child->font());
            if (auto* label = qobject_cast<QLabel*>(child)) {
                if (label->text().isEmpty())
                    continue;
                QRect need = fm.boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text());
                EXPECT_LE(need.height(), label->contentsRect().height()) << label->text().toStdString();
                EXPECT_LE(need.width(), label->contentsRect().width()) << label->text().toStdString();
                ++checked;
            } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
                QString text = button->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
                EXPECT_LE(button->sizeHint().width(), button->width() + 2) << text.toStdString();
                ++checked;
            } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
                EXPECT_LT(fm.horizontalAdvance(group->title()), group->width()) << group->title().toStdString();
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 20);
}
