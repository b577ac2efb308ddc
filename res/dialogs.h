// The four dialog templates as data: one definition that every frame lays
// out. Positions and sizes are in dialog units, as the templates give them.
#pragma once

#include <cstdint>

enum class ControlKind {
    StaticText,
    GroupBox,
    RadioButton,
    DropDownList,
    IpAddress,
    ProgressBar,
};

enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kStyleGroup = 1u << 0,    // starts a group; ends the radio group before it
    kStyleTabStop = 1u << 1,
    kStyleCentred = 1u << 2,
    kStyleSunken = 1u << 3,
    kStyleHidden = 1u << 4,   // not visible at creation
    kStyleVScroll = 1u << 5,
    kStyleBorder = 1u << 6,
};

inline constexpr int kNoControlId = -1;

struct ControlTemplate {
    int id;                 // kNoControlId for controls nobody addresses
    ControlKind kind;
    const char* text;       // "" for none; "&&" shows as one '&'
    int x, y, cx, cy;
    uint32_t style;
    const char* const* entries; // first list entries, nullptr-terminated, or nullptr
};

struct DialogTemplate {
    int id;
    const char* caption;
    int cx, cy;
    const char* fontName;
    int fontPoints;
    const ControlTemplate* controls;
    int controlCount;
};

inline constexpr int kDialogWelcome = 104;
inline constexpr int kDialogCommSetup = 105;
inline constexpr int kDialogPreparation = 106;
inline constexpr int kDialogTransfer = 107;

// Control ids.
inline constexpr int IDC_SERIAL_PORT = 1000;
inline constexpr int IDC_BAUD_RATE = 1001;
inline constexpr int IDC_PROGRESS = 1004;
inline constexpr int IDC_STATUS_TEXT = 1006;
inline constexpr int IDC_UPGRADE_DONE_TEXT = 1007;
inline constexpr int IDC_EXIT_TEXT = 1008;
inline constexpr int IDC_MODE_LPT = 1015;
inline constexpr int IDC_MODE_NETWORK = 1016;
inline constexpr int IDC_MODE_TCPIP = 1017;
inline constexpr int IDC_LPT1 = 1018;
inline constexpr int IDC_LPT2 = 1019;
inline constexpr int IDC_PRINTER_LIST = 1020;
inline constexpr int IDC_IP_ADDRESS = 1021;
inline constexpr int IDC_MODE_COM = 1022;
inline constexpr int IDC_MODE_DUAL = 1023;

// The template with this id, or nullptr.
const DialogTemplate* FindDialogTemplate(int nId);

// The control with this id in the template, or nullptr.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int nId);

// The ids of the radio group that begins at nFirstId: the radio buttons
// from it up to the next control that starts a group, in template order.
// Returns their number; ids receives at most nCapacity of them.
int RadioGroupIds(const DialogTemplate& dialog, int nFirstId, int* pIds, int nCapacity);
