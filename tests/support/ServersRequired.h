#pragma once
// Whether every test server must run: scripts/test.sh (CI) sets VANTREL_TEST_SERVERS_REQUIRED=1,
// and then a server this machine lacks fails its tests instead of leaving them out.

#include <cstdlib>
#include <string>

inline bool TestServersRequired()
{
    const char* value = std::getenv("VANTREL_TEST_SERVERS_REQUIRED");
    return value && *value && std::string(value) != "0";
}
