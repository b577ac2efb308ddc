// A pseudo-terminal in raw mode: the test holds the master, the code under
// test opens the slave by its path, as it would a serial or parallel port.
#pragma once

#include <string>

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }
    bool Send(const std::string& bytes);
    // Reads what arrives at the master until n bytes came or waitMs passed.
    std::string Receive(size_t n, int waitMs);
    // What has arrived at the master by now, without waiting.
    std::string TakeWaiting();
    void CloseMaster();

private:
    int m_master = -1;
    int m_slave = -1; // held so the master does not see hang-ups between opens
    std::string m_slavePath;
};
