// The three ways a field meets a control, for DoDataExchange.
#pragma once

#include "ui/property_page.h"

#include <cstdint>
#include <string>

class CIPAddressCtrl;

// A list and an index: the entry at that position, or -1 for none.
void DDX_CBIndex(CDataExchange* pDX, int nId, int32_t& nIndex);

// A radio group from nFirstId to the next group start, and a position: the
// checked button's position, or -1 when none is checked. A position outside
// the group clears every button.
void DDX_Radio(CDataExchange* pDX, int nFirstId, int32_t& nPosition);

// A list and a text. To the list: select the first entry that begins with
// the text, ignoring case, leaving the selection when none does. From the
// list: the selected entry's text, or "" for none.
void DDX_CBString(CDataExchange* pDX, int nId, std::string& strText);

// A static text and a string.
void DDX_Text(CDataExchange* pDX, int nId, std::string& strText);

// Attaches the address control object to its control, once.
void DDX_Control(CDataExchange* pDX, int nId, CIPAddressCtrl& control);
