#pragma once
// The base of the effect library's components: a component with the attribute objects' change
// notification (store only a different value, then signal; nothing while an update is open).

#include "controls/effects/EffObject.h"

#include <QObject>

class TEffComponent : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TEffComponent(QObject* owner = nullptr) : QObject(owner) {}

    TNotifyEvent OnChange;
    void BeginUpdate() { updating_ = true; }
    void EndUpdate(bool doChange)
    {
        updating_ = false;
        if (doChange) Change();
    }
    bool Updating() const { return updating_; }
    virtual void GetChange(QObject* sender) { Change(); }

protected:
    virtual void Change()
    {
        if (!updating_ && OnChange) OnChange(this);
    }

private:
    bool updating_ = false;
};
