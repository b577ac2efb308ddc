#include "ui/property_sheet.h"

bool CPropertySheet::OnInitDialog(ISheetButtons&)
{
    return true;
}
