#include "tests/wizard/wizard_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

WizardHarness::WizardHarness()
{
    window = std::make_unique<QtWizardWindow>(sheet);
    // Answers each box as it comes up, as the person at the screen would.
    QObject::connect(&m_answerer, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes.push_back({box->windowTitle(), ToAnsi(box->text())});
        box->button(QMessageBox::Ok)->click();
    });
    m_answerer.start(5);
    window->Engine().Start();
    window->show();
}

WizardHarness::~WizardHarness()
{
    m_answerer.stop();
    if (!Closed())
        window->Engine().Cancel();
    window.reset();
}

QPushButton* WizardHarness::Button(const char* name) const
{
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
}

bool WizardHarness::Shown(const char* button) const
{
    QPushButton* b = Button(button);
    return b && !b->isHidden();
}

bool WizardHarness::Usable(const char* button) const
{
    QPushButton* b = Button(button);
    return b && !b->isHidden() && b->isEnabled();
}

QString WizardHarness::FinishText() const
{
    return Button("finish")->text();
}

bool WizardHarness::Press(const char* button)
{
    if (!Usable(button))
        return false;
    QTest::mouseClick(Button(button), Qt::LeftButton);
    return true;
}

QWidget* WizardHarness::Control(int id) const
{
    QtPageWindow* page = window->PageWindow(Page());
    return page ? page->Control(id) : nullptr;
}

void WizardHarness::ClickRadio(int id)
{
    QWidget* radio = Control(id);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
}

void WizardHarness::TypeAddress(const QString& dotted)
{
    QWidget* control = Control(IDC_IP_ADDRESS);
    QStringList octets = dotted.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i) {
        auto* field = control->findChild<QLineEdit*>(QStringLiteral("octet%1").arg(i));
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, octets.value(i));
    }
}

std::vector<std::string> WizardHarness::TakeMessages()
{
    std::vector<std::string> texts;
    for (const AnsweredBox& b : boxes)
        texts.push_back(b.text);
    boxes.clear();
    return texts;
}
