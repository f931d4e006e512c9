#pragma once
// Published (Q_PROPERTY) values of objects as text values of an ini section, and back.
// Value texts: integers in decimal, enumerations and Booleans by name ("True", "False"), floats
// with "." whatever the locale, sets as "[a,b]", string lists as a sub-section with "Count" and
// "Item%d", sub-objects as one key per property under the property's key as prefix.

#include <QMetaProperty>
#include <QPointer>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class QObject;

enum class TPropKind { Unknown, Integer, Char, Enumeration, Float, String, Set, Class, WChar, Variant };
TPropKind PropKind(const QMetaProperty& property);

// The properties of one object, in declaration order: every readable property of a known kind,
// objectName left out (a name is no setting).
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
    // A sub-object's properties, through a storage of its own; each object once per run, so
    // objects that refer to each other end.
    void WithSubStorage(QObject* object, std::string_view name, bool load);
    std::string ComponentText(const QObject* component) const;

    QObject* owner_ = nullptr;  // root of component references while a list is handled
    std::set<const QObject*> ownVisited_;
    std::set<const QObject*>* visited_ = &ownVisited_;
};

// Float text with `digits` significant digits and "." as separator, as the general format writes it.
std::string FloatText(double value, int digits);
// The reverse: "." as separator, an exponent allowed; false when the text is no number.
bool ParseFloatText(std::string_view text, double& value);
