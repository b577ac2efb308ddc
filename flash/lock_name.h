// The file name of a printer's lock: the identity's plain characters, and
// a digest of the whole identity so that two identities that differ only
// in characters a file name cannot hold never share a lock.
#pragma once

#include <string>

std::string LockFileName(const std::string& identity);
