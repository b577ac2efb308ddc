// Holds off system sleep while the printer is in the middle of an exchange:
// a computer that sleeps in the middle of a transfer leaves the printer
// half-flashed. One guard lives on the stack of each handler that talks to
// the printer, so it is let go on every way out of it. Defined once per
// platform (keep_awake_posix.cpp over logind, keep_awake_win32.cpp).
#pragma once

class CKeepAwake {
public:
    // Asks the system not to sleep. Where it cannot be asked, or it does not
    // answer within a second, nothing is held and the exchange goes on.
    CKeepAwake();
    ~CKeepAwake();
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;

    // True while the system has promised not to sleep.
    bool Holding() const { return m_nToken >= 0; }

private:
    // The platform's hold: logind's inhibitor descriptor, or 0 on Windows.
    int m_nToken = -1;
};
