// The Qt frame as a person meets it: keys, the close box, and pages laid
// out so that no text is cut off.
#include "link/port_dispatch.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

TEST(WizardFrame, TheCloseBoxCancelsLikeCancel)
{
    WizardEnvironment env;
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    w.FrameOf().window->close();
    EXPECT_TRUE(w.Closed());
    EXPECT_EQ(w.FrameOf().window->Engine().Result(), 0);
}

TEST(WizardFrame, EveryTemplateTextFitsItsControl)
{
    WizardEnvironment env;
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    // Pages 3 and 4 are created by visiting them: no printer answers, so
    // page 3 fails back to page 2; page 4's window is made directly.
    w.FrameOf().window->CreatePageWindow(2);
    w.FrameOf().window->CreatePageWindow(3);
    int checked = 0;
    for (int page = 0; page < 4; ++page) {
        QtPageWindow* window = w.FrameOf().window->PageWindow(page);
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

TEST(WizardFrame, AnAddressFieldHoldsNoMoreThan255)
{
    // The printer sits at an address ending in 255; typed as 300, the
    // field says 255 and the wizard reaches that printer (300 taken modulo
    // 256 would have been 44).
    WizardEnvironment env;
    std::string address = env.StartTcpPrinter({}, 255);
    ASSERT_FALSE(address.empty());
    std::string typed = address.substr(0, address.size() - 3) + "300";
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(IDC_MODE_TCPIP);
    w.TypeAddress(typed);
    auto* last = QtControl(w, IDC_IP_ADDRESS)->findChild<QLineEdit*>(QStringLiteral("octet3"));
    EXPECT_EQ(last->text(), "255");
    uint8_t ip[4];
    w.sheet.m_page2.GetIpAddress(ip);
    EXPECT_EQ(FormatIpAddress(ip), address);
    w.TakeMessages();
    ASSERT_TRUE(w.Press("next"));
    EXPECT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
    EXPECT_EQ(w.sheet.m_page3.m_strStatus,
              std::string("Preparing printer for upgrade....ok\r\n\r\n") + LoadStringResource(IDS_STATUS_READY));
}
