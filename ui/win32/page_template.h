// A page's dialog template, built in memory from the template data in res/
// for the property sheet to create the page from (PSP_DLGINDIRECT).
#pragma once

#include "ui/win32/windows_api.h"

#include "res/dialogs.h"

#include <vector>

// The DLGTEMPLATE and its items, DWORD-aligned as the dialog manager reads
// them. The vector's data stays valid while the vector lives unchanged.
std::vector<WORD> BuildPageTemplate(const DialogTemplate& dialog);
