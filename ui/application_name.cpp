#include "ui/application_name.h"

#include "upgrade/file_access.h"

std::string ApplicationName()
{
    std::string name = ProgramFileName();
    // A name that is nothing but an extension keeps it.
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}
