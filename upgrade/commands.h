// The printer's command set: five SOH-framed commands and the status line.
#pragma once

#include <cstdint>
#include <string>

// The four fixed commands, five bytes each, no terminating zero. Each goes
// out in one write of exactly kCommandLength bytes.
inline constexpr int kCommandLength = 5;
inline constexpr unsigned char kCommandKU[kCommandLength] = {0x01, 'K', 'U', 0x0D, 0x0A};
inline constexpr unsigned char kCommandSU[kCommandLength] = {0x01, 'S', 'U', 0x0D, 0x0A};
inline constexpr unsigned char kCommandSR[kCommandLength] = {0x01, 'S', 'R', 0x0D, 0x0A};
inline constexpr unsigned char kCommandKK[kCommandLength] = {0x01, 'K', 'K', 0x0D, 0x0A};

inline constexpr unsigned char kSOH = 0x01;

// The DT header that announces one file: SOH, "DT%d,R:%s", CR LF, where the
// decimal field is the size and the string field the name exactly as the
// upgrade file list holds it. The file's bytes follow the header unescaped.
std::string FormatDtHeader(int32_t nSize, const std::string& strName);

// The largest size a DT header can announce: its decimal field is a signed
// 32-bit number.
inline constexpr int32_t kLargestAnnouncedSize = 0x7FFFFFFF;

