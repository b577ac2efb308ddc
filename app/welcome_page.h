// Page 1: the welcome page. Its template holds the texts; it only offers Next.
#pragma once

#include "ui/property_page.h"

class CMyPropertyPage1 : public CPropertyPage {
public:
    CMyPropertyPage1();
    bool OnSetActive() override;
};
