#pragma once
// Where a test writes the pictures it takes, to be looked at: the folder VANTREL_SHOTS names, else
// the test's own temporary folder (gone with the test), never a fixed name in the system's.

#include <QString>
#include <cstdlib>
#include <string>

inline QString ShotPath(const std::string& ownFolder, const char* name)
{
    const char* shots = std::getenv("VANTREL_SHOTS");
    return QString::fromStdString((shots && *shots ? std::string(shots) : ownFolder) + "/" + name);
}
