#pragma once
// Published (Q_PROPERTY) values of objects as text values of an ini section, and back.
// Value texts: integers in decimal, enumerations and Booleans by name ("True", "False"), floats
// with "." whatever the locale, sets as "[a,b]", string lists as a sub-section with "Count" and
// "Item%d", collections as a sub-section with "Item%d_" before each item's keys, sub-objects as
// one key per property under the property's key as prefix. A property is stored unless it is
// STORED false or its object has an invokable `bool Stores<Name>()` that answers false; loading
// reads it either way (a missing key leaves it as it is).

#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class TCollection;

// One numbered item of a collection: its published properties are its settings.
class TCollectionItem : public QObject {
    Q_OBJECT
public:
    explicit TCollectionItem(QObject* parent = nullptr) : QObject(parent) {}
    ~TCollectionItem() override;
    TCollection* Collection() const;
    // The item's place in its collection; -1 outside one.
    int Index() const;

protected:
    // One of the item's settings changed: its collection is told.
    void Changed();
};

// Items of one class, owned, in order. A change is reported at once, or, between BeginUpdate and
// the matching EndUpdate, once at the end for all of them.
class TCollection : public QObject {
    Q_OBJECT
public:
    using TItemFactory = std::function<TCollectionItem*()>;
    // The item that changed, or null when more than one may have (an update, an item added or removed).
    using TUpdateEvent = std::function<void(TCollection* sender, TCollectionItem* item)>;

    explicit TCollection(TItemFactory makeItem, QObject* parent = nullptr);
    ~TCollection() override;

    TUpdateEvent OnUpdate;
    int Count() const { return static_cast<int>(items_.size()); }
    // Null past the items.
    TCollectionItem* Item(int index) const;
    // A new item of the collection's class, appended (null when the factory makes none).
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

private:
    friend class TCollectionItem;
    void Changed(TCollectionItem* item);
    void Forget(TCollectionItem* item);
    TItemFactory makeItem_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
};

enum class TPropKind { Unknown, Integer, Char, Enumeration, Float, String, Set, Class, WChar, Variant };
TPropKind PropKind(const QMetaProperty& property);

// The properties of one object, in declaration order: every readable property of a known kind,
// objectName left out: a name is no setting, and a stored one read back would rename the
// component under the references that name it.
class TPropInfoList {
public:
    explicit TPropInfoList(const QObject* object);
    int Count() const { return static_cast<int>(list_.size()); }
    const QMetaProperty& Item(int index) const { return list_.at(static_cast<std::size_t>(index)); }
    // Case-insensitive, the last declared of equal names; nullptr when there is none.
    const QMetaProperty* Find(std::string_view name) const;

private:
    std::vector<QMetaProperty> list_;
};

// Items of a stored-properties list: "Component.Property".
std::string CreateStoredItem(std::string_view component, std::string_view property);
bool ParseStoredItem(std::string_view item, std::string& component, std::string& property);
std::string ReplaceComponentName(std::string_view item, std::string_view newName);

struct TStoredLine {
    std::string Text;
    QPointer<QObject> Component;
};
using TStoredList = std::vector<TStoredLine>;
// Drops lines that do not parse. From root: attaches the root's component of each name, dropping
// lines that name none. Otherwise rewrites lines from their components' current names, dropping
// lines whose component is gone.
void UpdateStoredList(QObject* root, TStoredList& list, bool fromRoot);
// A top-level window of that name (case-insensitive), else nullptr.
QObject* FindGlobalComponent(std::string_view name);
// The object of that name (case-insensitive) among the root's descendants.
QObject* FindOwnedComponent(const QObject* root, std::string_view name);

class TPropsStorage {
public:
    using ReadOperation = std::function<std::string(std::string_view section, std::string_view item, std::string_view def)>;
    using WriteOperation = std::function<void(std::string_view section, std::string_view item, std::string_view value)>;
    using EraseOperation = std::function<void(std::string_view section)>;

    TPropsStorage() = default;
    virtual ~TPropsStorage() = default;

    QObject* AObject = nullptr;
    std::string Prefix;
    std::string Section;
    ReadOperation OnReadString;
    WriteOperation OnWriteString;
    EraseOperation OnEraseSection;

    void StoreAnyProperty(const QMetaProperty& property);
    void LoadAnyProperty(const QMetaProperty& property);
    void StoreProperties(const TPropInfoList& list);
    void LoadProperties(const TPropInfoList& list);
    void StoreObjectsProps(QObject* root, TStoredList& list);
    void LoadObjectsProps(QObject* root, TStoredList& list);

protected:
    virtual std::string ReadString(std::string_view section, std::string_view item, std::string_view def);
    virtual void WriteString(std::string_view section, std::string_view item, std::string_view value);
    virtual void EraseSection(std::string_view section);
    virtual std::string GetItemName(std::string_view name) const;
    virtual std::unique_ptr<TPropsStorage> CreateStorage() const;

private:
    std::string StoreValueText(const QMetaProperty& property);
    void ApplyValueText(const QMetaProperty& property, const std::string& text);
    // `name` is the spelling the key uses: the list line's for listed properties.
    void storeProperty(const QMetaProperty& property, std::string_view name);
    void loadProperty(const QMetaProperty& property, std::string_view name);
    void StoreClassProperty(const QMetaProperty& property, std::string_view name);
    void LoadClassProperty(const QMetaProperty& property, std::string_view name);
    // A storage of the same operations for another object, prefix and section.
    std::unique_ptr<TPropsStorage> SubStorage(QObject* object, std::string prefix, std::string section) const;
    // A sub-object's properties, through a storage of its own; each object once per run, so
    // objects that refer to each other end.
    void WithSubStorage(QObject* object, std::string_view name, bool load);
    // Each item's properties in the sub-section "<section>.<item name>", keys "Item%d_" + property.
    void StoreCollection(TCollection& collection, const std::string& item);
    void LoadCollection(TCollection& collection, const std::string& item);
    std::string ComponentText(const QObject* component) const;

    QObject* owner_ = nullptr;  // root of component references while a list is handled
    std::set<const QObject*> ownVisited_;
    std::set<const QObject*>* visited_ = &ownVisited_;
};

// Float text with `digits` significant digits and "." as separator, as the general format writes it.
std::string FloatText(double value, int digits);
// The reverse: "." as separator, an exponent allowed; false when the text is no number.
bool ParseFloatText(std::string_view text, double& value);
