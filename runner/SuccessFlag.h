#pragma once
// The script's "success": a plain true or false to every reader, that also tells whether the
// command being performed set it, so the run can count the commands that failed.

class TSuccessFlag {
public:
    TSuccessFlag& operator=(bool value)
    {
        value_ = value;
        set_ = true;
        return *this;
    }
    operator bool() const { return value_; }

    // Before each command; Cleared then tells whether that command failed.
    void Watch() { set_ = false; }
    bool Cleared() const { return set_ && !value_; }

private:
    bool value_ = true;
    bool set_ = false;
};
