#include "ui/data_exchange.h"

#include "res/dialogs.h"
#include "ui/ip_address_ctrl.h"

void DDX_CBIndex(CDataExchange* pDX, int nId, int32_t& nIndex)
{
    IPageControls& c = pDX->m_page.Controls();
    if (pDX->m_bSaveAndValidate)
        nIndex = c.GetCurSel(nId);
    else
        c.SetCurSel(nId, nIndex >= 0 && nIndex < c.GetCount(nId) ? nIndex : -1);
}

void DDX_Radio(CDataExchange* pDX, int nFirstId, int32_t& nPosition)
{
    const DialogTemplate* dialog = FindDialogTemplate(pDX->m_page.TemplateId());
    if (!dialog)
        return;
    int ids[16];
    int count = RadioGroupIds(*dialog, nFirstId, ids, 16);
    if (count > 16)
        count = 16;
    IPageControls& c = pDX->m_page.Controls();
    if (pDX->m_bSaveAndValidate) {
        nPosition = -1;
        for (int i = 0; i < count; ++i)
            if (c.GetCheck(ids[i])) {
                nPosition = i;
                break;
            }
        return;
    }
    for (int i = 0; i < count; ++i)
        c.SetCheck(ids[i], i == nPosition);
}

void DDX_CBString(CDataExchange* pDX, int nId, std::string& strText)
{
    IPageControls& c = pDX->m_page.Controls();
    if (pDX->m_bSaveAndValidate) {
        int sel = c.GetCurSel(nId);
        strText = sel >= 0 ? c.GetLBText(nId, sel) : std::string();
    } else {
        c.SelectString(nId, strText);
    }
}

void DDX_Text(CDataExchange* pDX, int nId, std::string& strText)
{
    IPageControls& c = pDX->m_page.Controls();
    if (pDX->m_bSaveAndValidate)
        strText = c.GetWindowText(nId);
    else
        c.SetWindowText(nId, strText);
}

void DDX_Control(CDataExchange* pDX, int nId, CIPAddressCtrl& control)
{
    if (!control.IsAttached())
        control.Attach(pDX->m_page.Controls(), nId);
}
