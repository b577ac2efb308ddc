// The string table (ids 103 to 122), the two fixed enumeration messages,
// the welcome page's contact block and the printer list's sample entries.
#pragma once

inline constexpr int IDS_CAPTION = 103;
inline constexpr int IDS_NO_PRINTERS = 104;
inline constexpr int IDS_PORT_NOT_OPENED = 105;
inline constexpr int IDS_COMMAND_NOT_SENT = 109;
inline constexpr int IDS_NO_STATUS = 110;
inline constexpr int IDS_CONFIG_NOT_FOUND = 111;
inline constexpr int IDS_CONFIG_CORRUPT = 112;
inline constexpr int IDS_FILE_MISSING = 113;
inline constexpr int IDS_FILE_NOT_OPENED = 114;
inline constexpr int IDS_FILE_NOT_SENT = 115;
inline constexpr int IDS_STATUS_READY = 116;
inline constexpr int IDS_STATUS_NO_CARD = 117;
inline constexpr int IDS_STATUS_NOT_FORMATTED = 118;
inline constexpr int IDS_STATUS_NO_SPACE = 119;
inline constexpr int IDS_STATUS_WRITE_PROTECTED = 120;
inline constexpr int IDS_STATUS_UNKNOWN = 121;
inline constexpr int IDS_STATUS_NETWORK = 122;

// The text of a string-table entry, or "" for an id the table lacks.
const char* LoadStringResource(int nId);

inline constexpr const char* kLocalEnumFailed = "Could not Enumerate local printers!";
inline constexpr const char* kConnectionEnumFailed = "Could not Enumerate connected printers!";

inline constexpr const char* kContactBlock =
    "Tarnwell Systems - Label Printer Support\n"
    "Orvi printer family firmware upgrades\n"
    "\n"
    "For help with this utility or with your printer,\n"
    "please contact your Tarnwell Systems dealer\n"
    "or authorised service partner, and have the\n"
    "printer's model and serial number at hand.";

inline constexpr const char* kSamplePrinter1 = "Orvi Label Printer";
inline constexpr const char* kSamplePrinter2 = "Orvi Label Printer (Network)";
inline constexpr const char* kSamplePrinter3 = "Orvi Label Printer (Shared)";
