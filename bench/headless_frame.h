// A wizard frame without a window, for driving the program's own sheet and
// pages in a benchmark: controls keep their values, posted operations are
// counted, and each message box is recorded with the moment it appeared.
#pragma once

#include "app/my_property_sheet.h"
#include "ui/page_controls.h"
#include "ui/wizard_frame.h"

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

    void ResetContent(int nId) override { m_lists[nId].clear(); }
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

    void SetRange(int, int, int nUpper) override { m_nUpper = nUpper; }
    void SetStep(int, int nStep) override { m_nStep = nStep; }
    void SetPos(int, int nPos) override { m_nPos = nPos; }
    int GetPos(int) const override { return m_nPos; }
    void StepIt(int) override;

    int m_nSteps = 0;

private:
    std::map<int, bool> m_enabled, m_visible, m_checks;
    std::map<int, std::string> m_texts;
    std::map<int, std::vector<std::string>> m_lists;
    std::map<int, int> m_selection;
    std::map<int, uint32_t> m_addresses;
    int m_nUpper = 100, m_nStep = 10, m_nPos = 0;
};

struct ShownMessage {
    std::string text;
    uint64_t atNs = 0; // monotonic
};

class HeadlessFrame : public IWizardFrame {
public:
    void PostSetWizardButtons(unsigned nFlags) override { m_nButtons = nFlags; }
    void PostPressBack() override { ++m_nBackPresses; }
    void SetFinishText(const std::string& strText) override { m_strFinishText = strText; }
    void MessageBox(const std::string& strText) override;
    void BeginWaitCursor() override { ++m_nWaitDepth; }
    void EndWaitCursor() override { --m_nWaitDepth; }
    void RepaintWithoutInput() override {}

    std::vector<ShownMessage> m_messages;
    std::string m_strFinishText;
    unsigned m_nButtons = 0;
    int m_nBackPresses = 0;
    int m_nWaitDepth = 0;
};

// The program's sheet with every page attached to headless controls, as if
// the wizard had shown each page once.
class HeadlessWizard {
public:
    HeadlessWizard();
    ~HeadlessWizard();
    HeadlessWizard(const HeadlessWizard&) = delete;
    HeadlessWizard& operator=(const HeadlessWizard&) = delete;

    // Page 2's choices as its controls would give them back.
    void SetConnection(CommMode nMode, int32_t nSerialPort, int32_t nBaudRate, int32_t nParallelPort,
                       uint32_t dwAddress);

    CMyPropertySheet sheet;
    HeadlessFrame frame;
    HeadlessControls controls[4];
};

uint64_t MonotonicNs();
