// Text for people: what orvi-flash writes to a terminal, a plain log or a
// trace. Names come from targets files, firmware packages and arguments,
// and a control byte among them would reach the terminal as it stands (an
// escape sequence can set the window's title, move the cursor or clear the
// screen), so each is written as \xHH. JSON lines escape on their own.
#pragma once

#include <string>

std::string EscapeControlBytes(const std::string& text);
