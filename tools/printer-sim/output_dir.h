// Where received files are written: one directory that no DT name may
// leave. Names use '\' or '/' between folders, as the upgrade file list
// writes them; folders are made as needed.
#pragma once

#include <cstddef>
#include <string>

// A file being received: written under a side name in its folder.
class IncomingFile {
public:
    IncomingFile() = default;
    ~IncomingFile() { Discard(); }
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;

    int IsOpen() const { return m_fd >= 0; }
    int Write(const unsigned char* p, size_t n);
    // Gives the file its real name, replacing an earlier one.
    int Commit();
    // Removes what was written.
    void Discard();

private:
    friend class OutputDir;
    void Close();
    int m_dirFd = -1;
    int m_fd = -1;
    std::string m_leaf;
};

class OutputDir {
public:
    OutputDir() = default;
    ~OutputDir();
    OutputDir(const OutputDir&) = delete;
    OutputDir& operator=(const OutputDir&) = delete;

    // Opens (making it if missing) the directory. Without a call, files are
    // received and reported but stored nowhere.
    int Open(const std::string& path, std::string& error);
    int IsOpen() const { return m_dirFd >= 0; }

    // 1 if the name stays inside the directory: not empty, no NUL, not
    // absolute, no drive prefix, no ".." component.
    static int NameStaysInside(const std::string& name);

    // Starts the file for `name`. Its bytes go to a side name until
    // Commit, so a cut transfer never leaves a half file under the real
    // name. Symbolic links below the directory are never followed, so a
    // link cannot carry a file outside. Returns 0 with the reason in
    // `error`; `leaves` is then 1 if the name would have left the directory.
    int Create(const std::string& name, IncomingFile& file, int& leaves, std::string& error);

private:
    int m_dirFd = -1;
};
