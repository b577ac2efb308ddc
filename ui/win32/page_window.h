// The controls of one page's dialog window, reached by id through the
// window's real controls.
#pragma once

#include "ui/win32/windows_api.h"

#include "ui/page_controls.h"

class Win32DialogControls : public IPageControls {
public:
    explicit Win32DialogControls(HWND hDialog = nullptr) : m_hDialog(hDialog) {}
    void SetWindow(HWND hDialog) { m_hDialog = hDialog; }
    HWND Window() const { return m_hDialog; }
    HWND Control(int nId) const;

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
    HWND m_hDialog;
};
