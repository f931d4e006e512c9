#pragma once
// A phone book in a temporary folder whose commands keep a marker file per entry: Up creates it
// (and records the values it was given), Down removes it, Check tests it.

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <string>

class PhoneBookFixture : public ::testing::Test {
protected:
    PhoneBookFixture()
    {
        book = dir.file("config/vantrel/phonebook.ini");
        dir.write("config/vantrel/phonebook.ini", Entry("Home") + Entry("Office") +
            "[Broken]\r\nUp=exit 3\r\nDown=touch '" + dir.path() + "/broken-down'\r\nCheck=false\r\n"
            "[Slow]\r\nUp=echo $$ > '" + dir.path() + "/slow.pid'; exec sleep 30\r\nCheck=false\r\n"
            "[Stored]\r\nUp=true\r\nCheck=false\r\nUserName=keeper\r\nPassword=secret\r\n"
            "[home]\r\nUp=false\r\n");
    }

    std::string Entry(const std::string& name) const
    {
        const std::string m = "'" + dir.path() + "/" + name;
        return "[" + name + "]\r\n"
               "Up=touch " + m + ".up' && printf '%s|%s|%s' \"$DIAL_ENTRY\" \"$DIAL_USER\" "
               "\"$DIAL_PASSWORD\" > " + m + ".env'\r\n"
               "Down=rm -f " + m + ".up' && touch " + m + ".down'\r\n"
               "Check=test -e " + m + ".up'\r\n";
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.file(name)); }
    void Touch(const std::string& name) const { dir.write(name, ""); }
    std::string Read(const std::string& name) const { return TempDir::read(dir.file(name)); }

    TempDir dir;
    std::string book;
};
