// What a name in the file list may be: a path that leads into the package
// folder or its subdirectories, never out of it. The rules on the name's
// text are kept here, once for both platforms; what the file system says
// about the path it leads to (a link out, a device) is asked by each
// platform's file access.
#pragma once

#include <string>
#include <vector>

// The name's components, split at '\' and '/', with "." dropped and ".."
// taking back the component before it. false when the name is absolute
// (it begins with a separator) or a ".." would lead above the folder. A
// name with no component left stands for the folder itself.
bool SplitPackageName(const std::string& strName, std::vector<std::string>& parts);

// Whether Windows takes a component for one of its devices in every
// folder: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any case, with
// or without an extension, and with trailing spaces or dots, which Windows
// drops.
bool IsReservedDeviceName(const std::string& strComponent);

// Whether the text holds a control byte (below 0x20, or 0x7F), which no
// name in the file list may hold: it would reach the DT header and the
// printer would read another command stream than the one sent.
bool HasControlByte(const std::string& strText);
