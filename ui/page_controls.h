// A page's controls, addressed by id, as the frame gives them to the page.
// Every frame (Qt on Linux, the native sheet on Windows) implements this;
// the pages and their data exchange see nothing else of the window.
#pragma once

#include <cstdint>
#include <string>

class IPageControls {
public:
    virtual ~IPageControls() = default;

    // Any control.
    virtual void EnableWindow(int nId, bool bEnable) = 0;
    virtual bool IsWindowEnabled(int nId) const = 0;
    virtual void ShowWindow(int nId, bool bShow) = 0;
    virtual bool IsWindowVisible(int nId) const = 0;
    // Static texts: LF and CR LF both break lines.
    virtual void SetWindowText(int nId, const std::string& strText) = 0;
    virtual std::string GetWindowText(int nId) const = 0;

    // Drop-down lists: entries in the order added, selection -1 for none.
    virtual void ResetContent(int nId) = 0;
    virtual void AddString(int nId, const std::string& strEntry) = 0;
    virtual int GetCount(int nId) const = 0;
    virtual std::string GetLBText(int nId, int nIndex) const = 0;
    virtual int GetCurSel(int nId) const = 0;
    virtual void SetCurSel(int nId, int nIndex) = 0;
    // Selects the first entry that begins with strPrefix, ignoring case;
    // returns its index, or -1 and leaves the selection when none does.
    virtual int SelectString(int nId, const std::string& strPrefix) = 0;

    // Radio buttons.
    virtual bool GetCheck(int nId) const = 0;
    virtual void SetCheck(int nId, bool bChecked) = 0;

    // The address control: first octet in the most significant byte.
    // Returns the number of fields that are not blank.
    virtual int GetAddress(int nId, uint32_t* pdwAddress) const = 0;
    virtual void SetAddress(int nId, uint32_t dwAddress) = 0;

    // Progress bars.
    virtual void SetRange(int nId, int nLower, int nUpper) = 0;
    virtual void SetStep(int nId, int nStep) = 0;
    virtual void SetPos(int nId, int nPos) = 0;
    virtual int GetPos(int nId) const = 0;
    virtual void StepIt(int nId) = 0;
};
