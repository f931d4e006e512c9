#include "controls/effects/EffObject.h"

void TEffObject::Assign(const TEffObject* source) { AssignError(source); }

void RaiseAssignError(const QObject* source, const QObject* target)
{
    const char* from = source ? source->metaObject()->className() : "nil";
    throw EAssignError(std::string("Cannot assign a ") + from + " to a " + target->metaObject()->className());
}

void TEffObject::AssignError(const TEffObject* source) const { RaiseAssignError(source, this); }

void TEffObject::EndUpdate(bool doChange)
{
    updating_ = false;
    if (doChange) Change();
}

void TEffObject::Change()
{
    if (!updating_ && OnChange) OnChange(this);
}

void TEffObject::Own(TEffObject* child)
{
    child->setParent(this);
    child->OnChange = [this](TEffObject* sender) { GetChange(sender); };
}
