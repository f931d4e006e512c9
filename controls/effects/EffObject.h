#pragma once
// The base of the effect library's attribute objects: published settings, and one notification
// to the owner after every real change (none while an update is open).

#include "controls/effects/EffTypes.h"
#include "platform/Colors.h"
#include "platform/Errors.h"

#include <QObject>
#include <functional>

// Assigning an object of an unrelated class.
class EAssignError : public Exception {
public:
    using Exception::Exception;
};

// "Cannot assign a <source class> to a <target class>".
[[noreturn]] void RaiseAssignError(const QObject* source, const QObject* target);

class TEffObject : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TEffObject* sender)>;

    explicit TEffObject(QObject* parent = nullptr) : QObject(parent) {}

    TNotifyEvent OnChange;

    // Copies the settings of an object of the same class; anything else is an EAssignError.
    virtual void Assign(const TEffObject* source);

    void BeginUpdate() { updating_ = true; }
    void EndUpdate(bool doChange);
    bool Updating() const { return updating_; }

    // The handler an object installs as OnChange of the objects it owns.
    virtual void GetChange(TEffObject* sender) { Change(); }

protected:
    virtual void Change();
    // Stores a different value and signals; the same value changes nothing.
    template <class T>
    bool SetField(T& field, const T& value)
    {
        if (field == value) return false;
        field = value;
        Change();
        return true;
    }
    // Owned sub-objects report through this object.
    void Own(TEffObject* child);
    [[noreturn]] void AssignError(const TEffObject* source) const;

private:
    bool updating_ = false;
};
