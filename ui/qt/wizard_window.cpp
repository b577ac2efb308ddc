#include "ui/qt/wizard_window.h"

#include "res/strings.h"
#include "ui/qt/page_window.h"

#include <QApplication>
#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

QtWizardWindow::QtWizardWindow(CPropertySheet& sheet) : QDialog(nullptr), m_sheet(sheet)
{
    setObjectName(QStringLiteral("wizard"));
    setWindowTitle(QString::fromLatin1(LoadStringResource(sheet.CaptionId())));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    m_pageArea = new QWidget(this);
    layout->addWidget(m_pageArea);
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(rule);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_back = MakeButton(QStringLiteral("< &Back"), "back", this);
    m_next = MakeButton(QStringLiteral("&Next >"), "next", this);
    m_finish = MakeButton(QStringLiteral("Finish"), "finish", this);
    m_cancel = MakeButton(QStringLiteral("Cancel"), "cancel", this);
    m_help = MakeButton(QStringLiteral("&Help"), "help", this);
    row->addWidget(m_back);
    // Finish stands in the place of Next: one of the two is shown.
    row->addWidget(m_next);
    row->addWidget(m_finish);
    row->addSpacing(8);
    row->addWidget(m_cancel);
    row->addWidget(m_help);
    layout->addLayout(row);
    m_finish->hide();
    connect(m_back, &QPushButton::clicked, this, [this] { m_engine->PressBack(); });
    connect(m_next, &QPushButton::clicked, this, [this] { m_engine->PressNext(); });
    connect(m_finish, &QPushButton::clicked, this, [this] { m_engine->PressFinish(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_engine->Cancel(); });

    m_pages.assign(static_cast<size_t>(sheet.GetPageCount()), nullptr);
    m_engine = std::make_unique<CWizardEngine>(sheet, *this);
}

QtWizardWindow::~QtWizardWindow()
{
    m_engine.reset();
}

QtPageWindow* QtWizardWindow::PageWindow(int nIndex) const
{
    return nIndex >= 0 && nIndex < static_cast<int>(m_pages.size()) ? m_pages[static_cast<size_t>(nIndex)]
                                                                      : nullptr;
}

IPageControls* QtWizardWindow::CreatePageWindow(int nIndex)
{
    const DialogTemplate* dialog = FindDialogTemplate(m_sheet.GetPage(nIndex)->TemplateId());
    auto* page = new QtPageWindow(*dialog, m_pageArea, [this](int id) { m_engine->ClickControl(id); });
    page->hide();
    m_pageArea->setMinimumSize(page->size());
    m_pages[static_cast<size_t>(nIndex)] = page;
    return page;
}

void QtWizardWindow::ShowPage(int nIndex, const std::string& strTitle)
{
    for (int i = 0; i < static_cast<int>(m_pages.size()); ++i)
        if (m_pages[static_cast<size_t>(i)])
            m_pages[static_cast<size_t>(i)]->setVisible(i == nIndex);
    setWindowTitle(FromAnsi(strTitle));
}

void QtWizardWindow::ShowButtons(const WizardButtons& b)
{
    m_back->setVisible(b.backVisible);
    m_back->setEnabled(b.backEnabled);
    m_next->setVisible(b.nextVisible);
    m_next->setEnabled(b.nextEnabled);
    m_finish->setVisible(b.finishVisible);
    m_finish->setEnabled(b.finishEnabled);
    m_finish->setText(FromAnsi(b.finishText));
    m_finish->setDefault(b.finishVisible);
    m_next->setDefault(!b.finishVisible);
    m_help->setVisible(b.helpVisible);
    m_help->setEnabled(b.helpEnabled);
}

void QtWizardWindow::ShowMessageBox(const std::string& strTitle, const std::string& strText)
{
    QMessageBox box(QMessageBox::Warning, FromAnsi(strTitle), FromAnsi(strText), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("messagebox"));
    box.exec();
}

void QtWizardWindow::SetBusy(bool bBusy)
{
    if (bBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtWizardWindow::Repaint()
{
    // Paint now, and let the window system's own paint and expose events
    // through; clicks and keys wait until the exchange is over.
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastRepaint < 20)
        return;
    m_lastRepaint = now;
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

void QtWizardWindow::Close(int nResult)
{
    m_bClosing = true;
    done(nResult);
}

void QtWizardWindow::reject()
{
    // Escape and the close box cancel the wizard the way Cancel does.
    if (m_bClosing)
        QDialog::reject();
    else
        m_engine->Cancel();
}

void QtWizardWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_engine->PressDefault();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int RunWizardFrame(CPropertySheet& sheet)
{
    QtWizardWindow window(sheet);
    window.Engine().Start();
    if (window.Engine().IsClosed())
        return window.Engine().Result();
    // Take the keyboard at once, also on a display without a window manager.
    window.show();
    window.activateWindow();
    window.raise();
    window.exec();
    return window.Engine().Result();
}
