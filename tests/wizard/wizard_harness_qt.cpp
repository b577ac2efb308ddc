#include "tests/wizard/wizard_harness_qt.h"

#include "res/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

QPushButton* Button(const WizardHarness::Frame& f, const char* name)
{
    return f.window->findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

WizardHarness::WizardHarness() : m_frame(std::make_unique<Frame>())
{
    m_frame->window = std::make_unique<QtWizardWindow>(sheet);
    // Answers each box as it comes up, as the person at the screen would.
    QObject::connect(&m_frame->answerer, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes.push_back({ToAnsi(box->windowTitle()), ToAnsi(box->text())});
        box->button(QMessageBox::Ok)->click();
    });
    m_frame->answerer.start(5);
    m_frame->window->Engine().Start();
    m_frame->window->show();
}

WizardHarness::~WizardHarness()
{
    m_frame->answerer.stop();
    if (!Closed())
        m_frame->window->Engine().Cancel();
    m_frame->window.reset();
}

bool WizardHarness::Shown(const char* button) const
{
    QPushButton* b = Button(*m_frame, button);
    return b && !b->isHidden();
}

bool WizardHarness::Usable(const char* button) const
{
    QPushButton* b = Button(*m_frame, button);
    return b && !b->isHidden() && b->isEnabled();
}

std::string WizardHarness::FinishText() const
{
    return ToAnsi(Button(*m_frame, "finish")->text());
}

bool WizardHarness::Press(const char* button)
{
    if (!Usable(button))
        return false;
    QTest::mouseClick(Button(*m_frame, button), Qt::LeftButton);
    return true;
}

int WizardHarness::Page() const
{
    return m_frame->window->Engine().CurrentPage();
}

bool WizardHarness::Closed() const
{
    return m_frame->window->Engine().IsClosed();
}

int WizardHarness::Result() const
{
    return m_frame->window->Engine().Result();
}

std::string WizardHarness::Title() const
{
    return ToAnsi(m_frame->window->windowTitle());
}

void WizardHarness::PressKey(Key key)
{
    // Through the window: Qt hands the key to the widget with the focus.
    QTest::keyClick(m_frame->window->windowHandle(), key == Key::Enter ? Qt::Key_Return : Qt::Key_Escape);
}

QWidget* QtControl(WizardHarness& w, int id)
{
    QtPageWindow* page = w.FrameOf().window->PageWindow(w.Page());
    return page ? page->Control(id) : nullptr;
}

void WizardHarness::ClickRadio(int id)
{
    QWidget* radio = QtControl(*this, id);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
}

void WizardHarness::TypeAddress(const std::string& dotted)
{
    QWidget* control = QtControl(*this, IDC_IP_ADDRESS);
    QStringList octets = QString::fromStdString(dotted).split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i) {
        auto* field = control->findChild<QLineEdit*>(QStringLiteral("octet%1").arg(i));
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, octets.value(i));
    }
}
