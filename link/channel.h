// What every channel kind shares: the handle that names one open channel,
// and the one conversion between a handle and what it stands for.
#pragma once

#include <cstdint>

// A device handle, a spooler job or the address of a socket object; the
// connection mode alone says which.
using ChannelHandle = intptr_t;

// What every channel open returns on failure: all bits set.
inline constexpr ChannelHandle InvalidChannel = -1;

// What a handle stands for: null for InvalidChannel and for 0, which no
// open returns (0 is also what a sheet's handles hold before any open).
template <class T>
T* ChannelObject(ChannelHandle h)
{
    if (h == InvalidChannel || h == 0)
        return nullptr;
    return reinterpret_cast<T*>(h);
}

template <class T>
ChannelHandle ChannelHandleOf(T* object)
{
    return reinterpret_cast<ChannelHandle>(object);
}
