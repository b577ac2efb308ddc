// The sheet's own buttons, as the sheet's OnInitDialog reaches them: by id,
// enabled or not, shown or not. Of them only Help has an id of ours; Back,
// Next and Finish are the wizard's and follow the pages' settings, and
// Cancel stays available throughout.
#pragma once

// The sheet's Help button.
inline constexpr int IDHELP = 9;

class ISheetButtons {
public:
    virtual ~ISheetButtons() = default;
    virtual void EnableWindow(int nId, bool bEnable) = 0;
    virtual void ShowWindow(int nId, bool bShow) = 0;
};
