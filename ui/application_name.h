// The application's name, which titles every message box: the program
// file's name without its extension, so a renamed program shows its new
// name.
#pragma once

#include <string>

std::string ApplicationName();
