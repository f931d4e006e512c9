#include "controls/input/PropsStorage.h"

#include "controls/input/TextRoutines.h"
#include "platform/ByteText.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QMetaEnum>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

using bytetext::equalsNoCase;
using bytetext::trim;

namespace {

bool isUnsigned(int id)
{
    return id == QMetaType::UInt || id == QMetaType::UShort || id == QMetaType::ULong ||
           id == QMetaType::ULongLong || id == QMetaType::UChar;
}

bool singleBit(int v) { return v != 0 && (v & (v - 1)) == 0; }

QObject* objectValue(const QVariant& v)
{
    if (!(v.metaType().flags() & QMetaType::PointerToQObject)) return nullptr;
    return *static_cast<QObject* const*>(v.constData());
}

// The sub-objects a component owns (or that belong to no one) are part of its state and stored
// by value; anything else is another component and stored by reference.
bool storedByValue(const QObject* object, const QObject* holder)
{
    return !object->isWidgetType() && (object->parent() == holder || object->parent() == nullptr);
}

// The form (or topmost object) a component belongs to.
const QObject* ownerOf(const QObject* component)
{
    const QObject* last = nullptr;
    for (const QObject* p = component->parent(); p; p = p->parent()) {
        if (p->isWidgetType() && static_cast<const QWidget*>(p)->isWindow()) return p;
        last = p;
    }
    return last;
}

std::string nameOf(const QObject* o) { return o->objectName().toUtf8().toStdString(); }

// Not STORED false, and no invokable `bool Stores<Name>()` of the object that answers false.
bool storedNow(const QMetaProperty& p, QObject* object)
{
    if (!p.isStored()) return false;
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfMethod(QByteArray("Stores") + p.name() + "()");
    if (index < 0) return true;
    const QMetaMethod answer = meta->method(index);
    bool stored = true;
    if (answer.returnMetaType().id() == QMetaType::Bool) answer.invoke(object, Qt::DirectConnection, Q_RETURN_ARG(bool, stored));
    return stored;
}

}  // namespace

TCollectionItem::~TCollectionItem()
{
    if (TCollection* collection = Collection()) collection->Forget(this);
}

TCollection* TCollectionItem::Collection() const { return qobject_cast<TCollection*>(parent()); }

int TCollectionItem::Index() const
{
    const TCollection* collection = Collection();
    if (!collection) return -1;
    const auto at = std::find(collection->items_.begin(), collection->items_.end(), this);
    return at == collection->items_.end() ? -1 : static_cast<int>(at - collection->items_.begin());
}

void TCollectionItem::Changed()
{
    if (TCollection* collection = Collection()) collection->Changed(this);
}

TCollection::TCollection(TItemFactory makeItem, QObject* parent) : QObject(parent), makeItem_(std::move(makeItem)) {}

TCollection::~TCollection()
{
    // The items go first, while the collection they tell is still whole.
    OnUpdate = nullptr;
    Clear();
}

TCollectionItem* TCollection::Item(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

TCollectionItem* TCollection::Add()
{
    TCollectionItem* item = makeItem_ ? makeItem_() : nullptr;
    if (!item) return nullptr;
    item->setParent(this);
    items_.push_back(item);
    Changed(nullptr);
    return item;
}

void TCollection::Delete(int index)
{
    delete Item(index);  // the item leaves the list as it goes
}

void TCollection::Clear()
{
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) delete items_.back();
    EndUpdate();
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* item)
{
    if (updateCount_ == 0 && OnUpdate) OnUpdate(this, item);
}

void TCollection::Forget(TCollectionItem* item)
{
    const auto at = std::find(items_.begin(), items_.end(), item);
    if (at == items_.end()) return;
    items_.erase(at);
    Changed(nullptr);
}

TPropKind PropKind(const QMetaProperty& p)
{
    if (!p.isValid() || !p.isReadable()) return TPropKind::Unknown;
    if (p.isFlagType()) return TPropKind::Set;
    if (p.isEnumType()) return TPropKind::Enumeration;
    const QMetaType type = p.metaType();
    switch (type.id()) {
    case QMetaType::Bool: return TPropKind::Enumeration;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::SChar: case QMetaType::UChar:
        return TPropKind::Integer;
    case QMetaType::Char: return TPropKind::Char;
    case QMetaType::QChar: return TPropKind::WChar;
    case QMetaType::Float: case QMetaType::Double: return TPropKind::Float;
    case QMetaType::QString: case QMetaType::QByteArray: return TPropKind::String;
    case QMetaType::QStringList: return TPropKind::Class;
    case QMetaType::QVariant: return TPropKind::Variant;
    default: break;
    }
    return type.flags() & QMetaType::PointerToQObject ? TPropKind::Class : TPropKind::Unknown;
}

TPropInfoList::TPropInfoList(const QObject* object)
{
    if (!object) return;
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (std::string_view(p.name()) == "objectName") continue;
        if (PropKind(p) != TPropKind::Unknown) list_.push_back(p);
    }
}

const QMetaProperty* TPropInfoList::Find(std::string_view name) const
{
    // The most derived class's property wins: Qt's read-only "width" is hidden by a writable
    // "Width" a control declares, as a redeclared property hides the one it replaces.
    for (auto p = list_.rbegin(); p != list_.rend(); ++p)
        if (equalsNoCase(p->name(), name)) return &*p;
    return nullptr;
}

std::string CreateStoredItem(std::string_view component, std::string_view property)
{
    if (component.empty() || property.empty()) return {};
    return std::string(component) + "." + std::string(property);
}

bool ParseStoredItem(std::string_view item, std::string& component, std::string& property)
{
    const auto dot = item.find('.');
    if (dot == std::string_view::npos) return false;
    component = trim(item.substr(0, dot));
    property = trim(item.substr(dot + 1));
    return !component.empty() && !property.empty();
}

std::string ReplaceComponentName(std::string_view item, std::string_view newName)
{
    std::string component, property;
    return ParseStoredItem(item, component, property) ? CreateStoredItem(newName, property) : std::string();
}

QObject* FindOwnedComponent(const QObject* root, std::string_view name)
{
    if (!root || name.empty()) return nullptr;
    for (QObject* child : root->findChildren<QObject*>())
        if (equalsNoCase(nameOf(child), name)) return child;
    return nullptr;
}

QObject* FindGlobalComponent(std::string_view name)
{
    if (name.empty()) return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (equalsNoCase(nameOf(w), name)) return w;
    return nullptr;
}

void UpdateStoredList(QObject* root, TStoredList& list, bool fromRoot)
{
    for (auto i = list.size(); i-- > 0;) {
        TStoredLine& line = list[i];
        std::string component, property;
        bool keep = ParseStoredItem(line.Text, component, property);
        if (keep && fromRoot) {
            line.Component = FindOwnedComponent(root, component);
            keep = line.Component != nullptr;
        } else if (keep) {
            keep = line.Component != nullptr;
            if (keep) line.Text = ReplaceComponentName(line.Text, nameOf(line.Component));
        }
        if (!keep) list.erase(list.begin() + static_cast<long>(i));
    }
}

std::string FloatText(double value, int digits)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    std::string s(buf, r.ptr);
    const auto e = s.find('e');
    if (e == std::string::npos) return s;
    return s.substr(0, e) + "E" + std::to_string(std::atoi(s.c_str() + e + 1));
}

bool ParseFloatText(std::string_view text, double& value)
{
    std::string t = trim(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    if (t.empty()) return false;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

std::string TPropsStorage::ReadString(std::string_view section, std::string_view item, std::string_view def)
{
    return OnReadString ? OnReadString(section, item, def) : std::string();
}

void TPropsStorage::WriteString(std::string_view section, std::string_view item, std::string_view value)
{
    if (OnWriteString) OnWriteString(section, item, value);
}

void TPropsStorage::EraseSection(std::string_view section)
{
    if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::GetItemName(std::string_view name) const { return Prefix + std::string(name); }

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() const { return std::make_unique<TPropsStorage>(); }

std::string TPropsStorage::StoreValueText(const QMetaProperty& p)
{
    const QVariant v = p.read(AObject);
    const int id = p.metaType().id();
    switch (PropKind(p)) {
    case TPropKind::Integer:
        return isUnsigned(id) ? std::to_string(v.toULongLong()) : std::to_string(v.toLongLong());
    case TPropKind::Char: return std::string(1, v.value<char>());
    case TPropKind::WChar: return QString(v.value<QChar>()).toUtf8().toStdString();
    case TPropKind::Enumeration:
        if (id == QMetaType::Bool) return v.toBool() ? "True" : "False";
        if (const char* key = p.enumerator().valueToKey(v.toInt())) return key;
        return {};
    case TPropKind::Float: return FloatText(v.toDouble(), id == QMetaType::Float ? 7 : 15);
    case TPropKind::String:
        return id == QMetaType::QByteArray ? v.toByteArray().toStdString() : v.toString().toUtf8().toStdString();
    case TPropKind::Set: {
        const QMetaEnum e = p.enumerator();
        const int value = v.toInt();
        std::string names;
        for (int i = 0; i < e.keyCount(); ++i) {
            const int bit = e.value(i);
            if (!singleBit(bit) || !(value & bit)) continue;
            if (!names.empty()) names += ",";
            names += e.key(i);
        }
        return "[" + names + "]";
    }
    case TPropKind::Variant: return v.toString().toUtf8().toStdString();
    default: return {};
    }
}

void TPropsStorage::ApplyValueText(const QMetaProperty& p, const std::string& text)
{
    const int id = p.metaType().id();
    switch (PropKind(p)) {
    case TPropKind::Integer: {
        std::int64_t n = 0;
        if (!bytetext::parseInt64(text, n)) n = 0;
        p.write(AObject, isUnsigned(id) ? QVariant(static_cast<qulonglong>(n)) : QVariant(static_cast<qlonglong>(n)));
        break;
    }
    case TPropKind::Char: p.write(AObject, QVariant::fromValue(text.empty() ? '\0' : text[0])); break;
    case TPropKind::WChar: {
        const QString s = qttext::toQString(text);
        p.write(AObject, QVariant::fromValue(s.isEmpty() ? QChar() : s[0]));
        break;
    }
    case TPropKind::Enumeration:
        if (id == QMetaType::Bool) {
            if (equalsNoCase(text, "True")) p.write(AObject, true);
            else if (equalsNoCase(text, "False")) p.write(AObject, false);
            break;
        }
        for (int i = 0; i < p.enumerator().keyCount(); ++i)
            if (equalsNoCase(p.enumerator().key(i), text)) {
                p.write(AObject, p.enumerator().value(i));
                break;
            }
        break;
    case TPropKind::Float: {
        double d = 0;
        if (ParseFloatText(text, d)) p.write(AObject, d);
        break;
    }
    case TPropKind::String:
        p.write(AObject, id == QMetaType::QByteArray ? QVariant(QByteArray::fromStdString(text))
                                                     : QVariant(qttext::toQString(text)));
        break;
    case TPropKind::Set: {
        static const TCharSet delimiters = MakeCharSet(" ,[]");
        const QMetaEnum e = p.enumerator();
        int value = 0;
        for (int w = 1, n = WordCount(text, delimiters); w <= n; ++w) {
            const std::string name = ExtractWord(w, text, delimiters);
            for (int i = 0; i < e.keyCount(); ++i)
                if (singleBit(e.value(i)) && equalsNoCase(e.key(i), name)) value |= e.value(i);
        }
        p.write(AObject, value);
        break;
    }
    case TPropKind::Variant: p.write(AObject, QVariant(qttext::toQString(text))); break;
    default: break;
    }
}

std::string TPropsStorage::ComponentText(const QObject* component) const
{
    if (!component) return "(null)";
    const QObject* owner = ownerOf(component);
    if (!owner || owner == owner_) return nameOf(component);
    std::string ownerName = nameOf(owner);
    if (ownerName.empty()) {
        ownerName = owner->metaObject()->className();
        if (!ownerName.empty() && ownerName[0] == 'T') ownerName.erase(0, 1);
    }
    return ownerName + "." + nameOf(component);
}

std::unique_ptr<TPropsStorage> TPropsStorage::SubStorage(QObject* object, std::string prefix, std::string section) const
{
    std::unique_ptr<TPropsStorage> sub = CreateStorage();
    sub->AObject = object;
    sub->Prefix = std::move(prefix);
    sub->Section = std::move(section);
    sub->OnReadString = OnReadString;
    sub->OnWriteString = OnWriteString;
    sub->OnEraseSection = OnEraseSection;
    sub->owner_ = owner_;
    sub->visited_ = visited_;
    return sub;
}

void TPropsStorage::WithSubStorage(QObject* object, std::string_view name, bool load)
{
    if (!visited_->insert(object).second) return;
    const std::unique_ptr<TPropsStorage> sub = SubStorage(object, GetItemName(name), Section);
    const TPropInfoList list(object);
    if (load) sub->LoadProperties(list);
    else sub->StoreProperties(list);
}

void TPropsStorage::StoreCollection(TCollection& collection, const std::string& item)
{
    const std::string sub = Section + "." + item;
    EraseSection(sub);
    for (int i = 0; i < collection.Count(); ++i) {
        TCollectionItem* one = collection.Item(i);
        if (!visited_->insert(one).second) continue;
        SubStorage(one, "Item" + std::to_string(i) + "_", sub)->StoreProperties(TPropInfoList(one));
    }
}

void TPropsStorage::LoadCollection(TCollection& collection, const std::string& item)
{
    const std::string sub = Section + "." + item;
    collection.BeginUpdate();
    try {
        for (int i = 0; i < collection.Count(); ++i) {
            TCollectionItem* one = collection.Item(i);
            if (!visited_->insert(one).second) continue;
            SubStorage(one, "Item" + std::to_string(i) + "_", sub)->LoadProperties(TPropInfoList(one));
        }
    } catch (...) {
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
}

void TPropsStorage::StoreClassProperty(const QMetaProperty& p, std::string_view name)
{
    const std::string item = GetItemName(name);
    const QVariant v = p.read(AObject);
    if (p.metaType().id() == QMetaType::QStringList) {
        const QStringList lines = v.toStringList();
        const std::string sub = Section + "." + item;
        EraseSection(sub);
        if (lines.isEmpty()) return;
        WriteString(sub, "Count", std::to_string(lines.size()));
        for (qsizetype i = 0; i < lines.size(); ++i)
            WriteString(sub, "Item" + std::to_string(i), lines[i].toUtf8().toStdString());
        return;
    }
    QObject* object = objectValue(v);
    // A collection is always part of its holder; its own properties follow its items.
    if (auto* collection = qobject_cast<TCollection*>(object)) {
        if (visited_->count(collection)) return;
        StoreCollection(*collection, item);
        WithSubStorage(object, name, false);
    } else if (object && storedByValue(object, AObject)) {
        WithSubStorage(object, name, false);
    } else {
        WriteString(Section, item, ComponentText(object));
    }
}

void TPropsStorage::LoadClassProperty(const QMetaProperty& p, std::string_view name)
{
    const std::string item = GetItemName(name);
    const QVariant v = p.read(AObject);
    if (p.metaType().id() == QMetaType::QStringList) {
        const std::string sub = Section + "." + item;
        int count = 0;
        if (!bytetext::parseInt(trim(ReadString(sub, "Count", "0")), count) || count <= 0) return;
        // The count is only a claim: read the items that are there. No stored value holds a line
        // break, so "\n" marks an item that is missing.
        QStringList lines;
        for (int i = 0; i < count; ++i) {
            const std::string line = ReadString(sub, "Item" + std::to_string(i), "\n");
            if (line == "\n") break;
            lines << qttext::toQString(line);
        }
        p.write(AObject, lines);
        return;
    }
    QObject* object = objectValue(v);
    if (auto* collection = qobject_cast<TCollection*>(object)) {
        if (visited_->count(collection)) return;
        LoadCollection(*collection, item);
        WithSubStorage(object, name, true);
        return;
    }
    if (object && storedByValue(object, AObject)) {
        WithSubStorage(object, name, true);
        return;
    }
    const std::string text = trim(ReadString(Section, item, ComponentText(object)));
    if (text.empty()) return;
    const QMetaObject* declared = p.metaType().metaObject();
    if (equalsNoCase(text, "(null)")) {
        p.write(AObject, QVariant(p.metaType(), nullptr));
        return;
    }
    const auto dot = text.find('.');
    QObject* root = dot == std::string::npos ? owner_ : FindGlobalComponent(text.substr(0, dot));
    QObject* found = FindOwnedComponent(root, dot == std::string::npos ? text : text.substr(dot + 1));
    // Only an object of the property's class may go into it.
    if (!found || !declared || !found->metaObject()->inherits(declared)) return;
    p.write(AObject, QVariant(p.metaType(), &found));
}

void TPropsStorage::StoreAnyProperty(const QMetaProperty& p) { storeProperty(p, p.name()); }
void TPropsStorage::LoadAnyProperty(const QMetaProperty& p) { loadProperty(p, p.name()); }

void TPropsStorage::storeProperty(const QMetaProperty& p, std::string_view name)
{
    const TPropKind kind = PropKind(p);
    if (!AObject || kind == TPropKind::Unknown || !storedNow(p, AObject)) return;
    if (visited_ == &ownVisited_) ownVisited_ = {AObject};
    if (kind == TPropKind::Class) {
        StoreClassProperty(p, name);
        return;
    }
    const std::string text = trim(StoreValueText(p));
    if (!text.empty() || kind == TPropKind::String || kind == TPropKind::WChar)
        WriteString(Section, GetItemName(name), text);
}

void TPropsStorage::loadProperty(const QMetaProperty& p, std::string_view name)
{
    const TPropKind kind = PropKind(p);
    if (!AObject || kind == TPropKind::Unknown) return;
    if (visited_ == &ownVisited_) ownVisited_ = {AObject};
    try {
        if (kind == TPropKind::Class) {
            LoadClassProperty(p, name);
            return;
        }
        const std::string def = trim(StoreValueText(p));
        const std::string value = !def.empty() || kind == TPropKind::String || kind == TPropKind::WChar
                                      ? trim(ReadString(Section, GetItemName(name), def))
                                      : std::string();
        ApplyValueText(p, value);
    } catch (const std::exception&) {
        // A bad stored value leaves this one property as it was.
    }
}

void TPropsStorage::StoreProperties(const TPropInfoList& list)
{
    // A whole object: only what can be set again is worth keeping (a read-only value written
    // out could never be read back).
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i).isWritable()) StoreAnyProperty(list.Item(i));
}

void TPropsStorage::LoadProperties(const TPropInfoList& list)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i).isWritable()) LoadAnyProperty(list.Item(i));
}

namespace {
template <class F>
void forEachListed(QObject* root, TStoredList& list, QObject*& owner, QObject*& object, std::string& prefix, F&& each)
{
    UpdateStoredList(root, list, false);
    std::map<const QObject*, TPropInfoList> lists;
    owner = root;
    for (const TStoredLine& line : list) {
        std::string component, property;
        if (!line.Component || !ParseStoredItem(line.Text, component, property)) continue;
        auto it = lists.try_emplace(line.Component.data(), line.Component.data()).first;
        object = line.Component;
        prefix = component + "_";
        if (const QMetaProperty* p = it->second.Find(property)) each(*p, property);
    }
    owner = nullptr;
}
}  // namespace

void TPropsStorage::StoreObjectsProps(QObject* root, TStoredList& list)
{
    forEachListed(root, list, owner_, AObject, Prefix, [this](const QMetaProperty& p, const std::string& name) { storeProperty(p, name); });
}

void TPropsStorage::LoadObjectsProps(QObject* root, TStoredList& list)
{
    forEachListed(root, list, owner_, AObject, Prefix, [this](const QMetaProperty& p, const std::string& name) { loadProperty(p, name); });
}
