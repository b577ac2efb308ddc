#include "link/device_map_posix.h"

#include <cstdlib>
#include <strings.h>

std::string DevicePathFor(const char* pszDevice)
{
    struct Entry {
        const char* name;
        const char* variable;
        const char* path;
    };
    static const Entry kMap[] = {
        {"COM1", "ORVI_COM1", "/dev/ttyS0"},
        {"COM2", "ORVI_COM2", "/dev/ttyS1"},
        {"LPT1", "ORVI_LPT1", "/dev/lp0"},
        {"LPT2", "ORVI_LPT2", "/dev/lp1"},
    };
    for (const Entry& e : kMap) {
        if (::strcasecmp(pszDevice, e.name) != 0)
            continue;
        const char* mapped = std::getenv(e.variable);
        return mapped && *mapped ? mapped : e.path;
    }
    return pszDevice;
}
