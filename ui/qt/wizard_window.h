// The wizard window on Qt: the current page above a row of wizard buttons.
// What the buttons do, and when, is the engine's business; this window
// draws what it is told and passes presses on.
#pragma once

#include "ui/wizard_engine.h"

#include <QDialog>

#include <memory>
#include <vector>

class QPushButton;
class QtPageWindow;
class QWidget;

class QtWizardWindow : public QDialog, public IWizardView {
public:
    explicit QtWizardWindow(CPropertySheet& sheet);
    ~QtWizardWindow() override;

    CWizardEngine& Engine() { return *m_engine; }
    QtPageWindow* PageWindow(int nIndex) const;

    // IWizardView
    IPageControls* CreatePageWindow(int nIndex) override;
    void ShowPage(int nIndex, const std::string& strTitle) override;
    void ShowButtons(const WizardButtons& buttons) override;
    void ShowMessageBox(const std::string& strTitle, const std::string& strText) override;
    void SetBusy(bool bBusy) override;
    void Repaint() override;
    void Close(int nResult) override;

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CPropertySheet& m_sheet;
    std::unique_ptr<CWizardEngine> m_engine;
    QWidget* m_pageArea;
    std::vector<QtPageWindow*> m_pages;
    QPushButton* m_back;
    QPushButton* m_next;
    QPushButton* m_finish;
    QPushButton* m_cancel;
    QPushButton* m_help;
    bool m_bClosing = false;
    qint64 m_lastRepaint = 0;
};
