#include "ui/property_sheet.h"

bool CPropertySheet::OnInitDialog(IPageControls&)
{
    return true;
}
