// One page's window, laid out from its dialog template, with its controls
// reached by id.
#pragma once

#include "res/dialogs.h"
#include "ui/page_controls.h"

#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QtPageWindow : public QWidget, public IPageControls {
public:
    // onClick runs when a radio button is clicked, with its id.
    QtPageWindow(const DialogTemplate& dialog, QWidget* parent, std::function<void(int)> onClick);

    const DialogTemplate& Template() const { return m_dialog; }
    QWidget* Control(int nId) const;

    void EnableWindow(int nId, bool bEnable) override;
    bool IsWindowEnabled(int nId) const override;
    void ShowWindow(int nId, bool bShow) override;
    bool IsWindowVisible(int nId) const override;
    void SetWindowText(int nId, const std::string& strText) override;
    std::string GetWindowText(int nId) const override;
    void ResetContent(int nId) override;
    void AddString(int nId, const std::string& strEntry) override;
    int GetCount(int nId) const override;
    std::string GetLBText(int nId, int nIndex) const override;
    int GetCurSel(int nId) const override;
    void SetCurSel(int nId, int nIndex) override;
    int SelectString(int nId, const std::string& strPrefix) override;
    bool GetCheck(int nId) const override;
    void SetCheck(int nId, bool bChecked) override;
    int GetAddress(int nId, uint32_t* pdwAddress) const override;
    void SetAddress(int nId, uint32_t dwAddress) override;
    void SetRange(int nId, int nLower, int nUpper) override;
    void SetStep(int nId, int nStep) override;
    void SetPos(int nId, int nPos) override;
    int GetPos(int nId) const override;
    void StepIt(int nId) override;

private:
    void Build(const std::function<void(int)>& onClick);
    void CheckInGroup(int nId);

    const DialogTemplate& m_dialog;
    std::map<int, QWidget*> m_controls;
    std::map<int, int> m_steps;
    // For each radio button, the buttons of its group.
    std::map<int, std::vector<int>> m_radioGroups;
};

// Bytes of single-byte text as Qt text and back, every byte kept.
QString FromAnsi(const std::string& text);
std::string ToAnsi(const QString& text);
