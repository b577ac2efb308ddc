// How the host of a TCP connection is read: a name to look up, or an IPv4
// address in strict dotted decimal. The system's own readers (inet_aton,
// inet_addr, and the name lookups built on them) also take "010" as octal
// 8, "0x0a" as hexadecimal, and "127.1" as 127.0.0.1, so a zero-padded
// address would reach another host. Such text is refused here, before any
// lookup, and never handed to them.
#pragma once

#include <string>

enum class HostText {
    // Letters, digits, '-', '_' and dots, not all of it numbers: looked up.
    Name,
    // Four decimal numbers from 0 to 255, each of one to three digits and
    // with no leading zero.
    DottedAddress,
    // Numbers and dots that are not such an address: a leading zero
    // ("010", which other programs read as octal), hexadecimal, fewer or
    // more than four numbers, a number above 255.
    AmbiguousNumber,
    // Empty, or holding a byte no host name holds (a space, a control
    // byte, ':', '[').
    NotAHost,
};

HostText ReadHostText(const std::string& strHost);
