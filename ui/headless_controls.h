// A page's controls without a window: each control keeps what it was last
// given and gives it back, as the real one would. For running the wizard
// where nothing is drawn (the benchmarks, the engine's own test).
#pragma once

#include "ui/page_controls.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class HeadlessControls : public IPageControls {
public:
    void EnableWindow(int nId, bool bEnable) override { m_enabled[nId] = bEnable; }
    bool IsWindowEnabled(int nId) const override;
    void ShowWindow(int nId, bool bShow) override { m_visible[nId] = bShow; }
    bool IsWindowVisible(int nId) const override;
    void SetWindowText(int nId, const std::string& strText) override { m_texts[nId] = strText; }
    std::string GetWindowText(int nId) const override;

    void ResetContent(int nId) override;
    void AddString(int nId, const std::string& strEntry) override { m_lists[nId].push_back(strEntry); }
    int GetCount(int nId) const override;
    std::string GetLBText(int nId, int nIndex) const override;
    int GetCurSel(int nId) const override;
    void SetCurSel(int nId, int nIndex) override { m_selection[nId] = nIndex; }
    int SelectString(int nId, const std::string& strPrefix) override;

    bool GetCheck(int nId) const override;
    void SetCheck(int nId, bool bChecked) override { m_checks[nId] = bChecked; }

    int GetAddress(int nId, uint32_t* pdwAddress) const override;
    void SetAddress(int nId, uint32_t dwAddress) override { m_addresses[nId] = dwAddress; }

    void SetRange(int nId, int nLower, int nUpper) override;
    void SetStep(int nId, int nStep) override { m_progress[nId].step = nStep; }
    void SetPos(int nId, int nPos) override { m_progress[nId].pos = nPos; }
    int GetPos(int nId) const override;
    void StepIt(int nId) override;

private:
    struct Progress {
        int lower = 0;
        int upper = 100;
        int step = 10;
        int pos = 0;
    };

    std::map<int, bool> m_enabled, m_visible, m_checks;
    std::map<int, std::string> m_texts;
    std::map<int, std::vector<std::string>> m_lists;
    std::map<int, int> m_selection;
    std::map<int, uint32_t> m_addresses;
    std::map<int, Progress> m_progress;
};
