// Property storage, ini helpers and form placement, against ini files in a temporary folder.

#include "controls/input/AppUtils.h"
#include "controls/input/FormPlacement.h"
#include "controls/input/PropsStorage.h"
#include "platform/AppPaths.h"
#include "platform/Guard.h"
#include "tests/support/TempDir.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <clocale>
#include <gtest/gtest.h>

namespace {

// Published values of every kind the storage handles.
class TSample : public QObject {
    Q_OBJECT
public:
    enum TShade { shLight, shDark, shVivid };
    Q_ENUM(TShade)
    enum TSide { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
    Q_DECLARE_FLAGS(TSides, TSide)
    Q_FLAG(TSides)

    Q_PROPERTY(int Count MEMBER Count)
    Q_PROPERTY(bool Enabled MEMBER Enabled)
    Q_PROPERTY(TShade Shade MEMBER Shade)
    Q_PROPERTY(double Ratio MEMBER Ratio)
    Q_PROPERTY(float Scale MEMBER Scale)
    Q_PROPERTY(QString Caption MEMBER Caption)
    Q_PROPERTY(TSides Sides READ sides WRITE setSides)
    Q_PROPERTY(QStringList Lines MEMBER Lines)
    Q_PROPERTY(QChar Letter MEMBER Letter)
    Q_PROPERTY(TSample* Partner MEMBER Partner)
    Q_PROPERTY(QPushButton* Button MEMBER Button)

    using QObject::QObject;
    int Count = 0;
    bool Enabled = false;
    TShade Shade = shLight;
    double Ratio = 0;
    float Scale = 0;
    QString Caption;
    TSides Sides;
    TSides sides() const { return Sides; }
    void setSides(TSides v) { Sides = v; }
    QStringList Lines;
    QChar Letter = 'a';
    TSample* Partner = nullptr;
    QPushButton* Button = nullptr;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TSample::TSides)

class TScriptWizard : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class XdgHome {
public:
    XdgHome() { ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1); }
    std::string ini(const std::string& name) const { return dir.file("config/vantrel/" + name); }
    TempDir dir;
};

// A storage over one ini file, bound to a section, holding the object.
struct Bound {
    explicit Bound(QObject* object, const std::string& path = {})
        : file(TIniStorage::OpenIniFile(path.empty() ? temp.file("props.ini") : path))
    {
        props.AObject = object;
        props.Section = "S";
        TIniStorage* f = file.get();
        props.OnReadString = [f](std::string_view s, std::string_view i, std::string_view d) {
            return IniReadString(f, s, i, d);
        };
        props.OnWriteString = [f](std::string_view s, std::string_view i, std::string_view v) {
            IniWriteString(f, s, i, v);
        };
        props.OnEraseSection = [f](std::string_view s) { f->EraseSection(s); };
    }
    const QMetaProperty& prop(const char* name)
    {
        list = std::make_unique<TPropInfoList>(props.AObject);
        return *list->Find(name);
    }
    void store(const char* name) { props.StoreAnyProperty(prop(name)); }
    void load(const char* name) { props.LoadAnyProperty(prop(name)); }
    std::string value(const std::string& key, const std::string& section = "S")
    {
        return file->ReadString(section, key, "<none>");
    }
    void set(const std::string& key, const std::string& v, const std::string& section = "S")
    {
        file->WriteString(section, key, v);
    }

    TempDir temp;
    std::unique_ptr<TIniStorage> file;
    std::unique_ptr<TPropInfoList> list;
    TPropsStorage props;
};

TEST(PropsStorage, ValueTextsAsStoredAndReadBack)
{
    TSample a;
    a.Count = -42;
    a.Enabled = true;
    a.Shade = TSample::shVivid;
    a.Ratio = 0.1;
    a.Scale = 2.5f;
    a.Caption = "\"abc\"";
    a.Sides = TSample::sdLeft | TSample::sdBottom;
    a.Letter = QChar(0xE9);
    Bound b(&a);
    for (const char* p : {"Count", "Enabled", "Shade", "Ratio", "Scale", "Caption", "Sides", "Letter"}) b.store(p);
    EXPECT_EQ(b.value("Count"), "-42");
    EXPECT_EQ(b.value("Enabled"), "True");
    EXPECT_EQ(b.value("Shade"), "shVivid");
    EXPECT_EQ(b.value("Ratio"), "0.1");
    EXPECT_EQ(b.value("Scale"), "2.5");
    EXPECT_EQ(b.value("Caption"), "\"\"abc\"\"");  // one more pair, taken off again when read
    EXPECT_EQ(b.value("Sides"), "[sdLeft,sdBottom]");

    TSample c;
    b.props.AObject = &c;
    for (const char* p : {"Count", "Enabled", "Shade", "Ratio", "Scale", "Caption", "Sides", "Letter"}) b.load(p);
    EXPECT_EQ(c.Count, -42);
    EXPECT_TRUE(c.Enabled);
    EXPECT_EQ(c.Shade, TSample::shVivid);
    EXPECT_DOUBLE_EQ(c.Ratio, 0.1);
    EXPECT_FLOAT_EQ(c.Scale, 2.5f);
    EXPECT_EQ(c.Caption, "\"abc\"");
    EXPECT_EQ(c.Sides, a.Sides);
    EXPECT_EQ(c.Letter, QChar(0xE9));
}

TEST(PropsStorage, BadStoredValues)
{
    TSample a;
    a.Count = 7;
    a.Shade = TSample::shDark;
    a.Ratio = 3;
    Bound b(&a);
    b.set("Count", "seven");
    b.set("Shade", "shNone");
    b.set("Ratio", "1,5");
    b.set("Enabled", "yes");
    for (const char* p : {"Count", "Shade", "Ratio", "Enabled"}) b.load(p);
    EXPECT_EQ(a.Count, 0);                 // not a number reads as 0
    EXPECT_EQ(a.Shade, TSample::shDark);   // an unknown name leaves the value
    EXPECT_EQ(a.Ratio, 3);                 // so does a float that is not one
    EXPECT_FALSE(a.Enabled);
}

TEST(PropsStorage, SetsInEverySpelling)
{
    for (const char* text : {"[sdTop,sdRight]", "sdTop sdRight", "sdtop,SDRIGHT", "[sdTop] [sdRight]", "[sdTop,sdNone,sdRight]"}) {
        SCOPED_TRACE(text);
        TSample a;
        a.Sides = TSample::sdLeft;
        Bound b(&a);
        b.set("Sides", text);
        b.load("Sides");
        EXPECT_EQ(a.Sides, TSample::sdTop | TSample::sdRight);  // the whole set replaced
    }
}

TEST(PropsStorage, FloatsIgnoreTheLocale)
{
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TSample a;
    a.Ratio = 1234.5;
    a.Scale = 0.25f;
    Bound b(&a);
    b.store("Ratio");
    b.store("Scale");
    EXPECT_EQ(b.value("Ratio"), "1234.5");
    EXPECT_EQ(b.value("Scale"), "0.25");
    b.set("Ratio", "1.5E-7");
    b.load("Ratio");
    EXPECT_DOUBLE_EQ(a.Ratio, 1.5e-7);
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, old.c_str());
    if (!comma) GTEST_LOG_(INFO) << "no comma locale installed: checked under Qt's default locale only";
}

TEST(PropsStorage, LineBreaksInAStringStayInOneValue)
{
    TSample a;
    a.Caption = "one\r\n[Other]\r\nKey=1";
    Bound b(&a);
    b.store("Caption");
    ASSERT_TRUE(b.file->Save());
    IniFile written(b.file->Path());
    ASSERT_TRUE(written.load());
    EXPECT_EQ(written.sections(), std::vector<std::string>{"S"});
    EXPECT_EQ(written.readString("S", "Caption"), "one  [Other]  Key=1");
}

TEST(PropsStorage, StringLists)
{
    TSample a;
    a.Lines = {"designed"};
    TSample empty;
    Bound b(&empty);
    b.store("Lines");
    EXPECT_EQ(b.value("Count", "S.Lines"), "<none>");  // an empty list leaves no Count
    b.props.AObject = &a;
    b.load("Lines");
    EXPECT_EQ(a.Lines, QStringList{"designed"});

    a.Lines = {"x", "  ", "\"q\""};
    b.store("Lines");
    EXPECT_EQ(b.value("Count", "S.Lines"), "3");
    EXPECT_EQ(b.value("Item2", "S.Lines"), "\"\"q\"\"");
    TSample c;
    b.props.AObject = &c;
    b.load("Lines");
    EXPECT_EQ(c.Lines, (QStringList{"x", "", "\"q\""}));

    // A count the file does not back is not trusted: only the items there are read.
    b.set("Count", "2000000000", "S.Lines");
    b.load("Lines");
    EXPECT_EQ(c.Lines.size(), 3);
}

TEST(PropsStorage, ComponentReferences)
{
    QWidget form1, form2;
    form1.setObjectName("Form1");
    form2.setObjectName("Form2");
    auto* own = new QPushButton(&form1);
    own->setObjectName("OkButton");
    auto* other = new QPushButton(&form2);
    other->setObjectName("Button1");
    auto* edit = new QLineEdit(&form2);
    edit->setObjectName("Edit1");
    auto* a = new TSample(&form1);
    a->setObjectName("Sample1");
    TStoredList list{{"Sample1.Button", nullptr}};
    UpdateStoredList(&form1, list, true);
    Bound b(nullptr);

    a->Button = other;
    b.props.StoreObjectsProps(&form1, list);
    EXPECT_EQ(b.value("Sample1_Button"), "Form2.Button1");
    a->Button = own;
    b.props.StoreObjectsProps(&form1, list);
    EXPECT_EQ(b.value("Sample1_Button"), "OkButton");

    const struct {
        const char* text;
        QPushButton* before;
        QPushButton* after;
    } cases[] = {
        {"Form2.Button1", own, other},
        {"okbutton", nullptr, own},
        {"(NULL)", own, nullptr},
        {"Form2.Missing", own, own},
        {"Form2.Edit1", own, own},  // a line edit is no button: not assigned
        {"NoForm.Button1", own, own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        a->Button = c.before;
        b.set("Sample1_Button", c.text);
        b.props.LoadObjectsProps(&form1, list);
        EXPECT_EQ(a->Button, c.after);
    }
}

TEST(PropsStorage, SubObjectsStoredByValueAndCyclesEnd)
{
    TSample holder;
    holder.setObjectName("EffFill1");
    auto* fill = new TSample(&holder);
    fill->Count = 5;
    holder.Partner = fill;
    TSample loose;  // owned by nobody: stored by value too
    fill->Partner = &loose;
    loose.Partner = fill;  // and back: must not recurse for ever
    loose.Caption = "deep";
    Bound b(&holder);
    b.props.Prefix = "EffFill1_";
    b.store("Partner");
    EXPECT_EQ(b.value("EffFill1_PartnerCount"), "5");
    EXPECT_EQ(b.value("EffFill1_PartnerPartnerCaption"), "deep");
    EXPECT_EQ(b.value("EffFill1_PartnerPartnerPartnerCount"), "<none>");

    fill->Count = 0;
    loose.Caption.clear();
    b.load("Partner");
    EXPECT_EQ(fill->Count, 5);
    EXPECT_EQ(loose.Caption, "deep");
}

// A column of a header: a collection item with two settings; it notes whether its collection
// was in an update when a setting arrived.
class TColumn : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    using TCollectionItem::TCollectionItem;
    QString Caption() const { return caption_; }
    void SetCaption(const QString& c) { Set(caption_, c); }
    int Width() const { return width_; }
    void SetWidth(int w) { Set(width_, w); }
    int SetOutsideUpdate = 0;

private:
    template <class T>
    void Set(T& field, const T& value)
    {
        if (field == value) return;
        field = value;
        if (Collection() && Collection()->UpdateCount() == 0) ++SetOutsideUpdate;
        Changed();
    }
    QString caption_;
    int width_ = 50;
};

class THeader : public QObject {
    Q_OBJECT
    Q_PROPERTY(TCollection* Columns READ Columns)
public:
    explicit THeader(QObject* parent = nullptr) : QObject(parent), columns_(new TCollection([] { return new TColumn; }, this)) {}
    TCollection* Columns() const { return columns_; }
    TColumn* Column(int i) const { return static_cast<TColumn*>(columns_->Item(i)); }

private:
    TCollection* columns_;
};

TEST(Collection, ItemsOrderAndUpdates)
{
    THeader header;
    TCollection& columns = *header.Columns();
    std::vector<TCollectionItem*> heard;
    columns.OnUpdate = [&](TCollection*, TCollectionItem* item) { heard.push_back(item); };
    auto* a = static_cast<TColumn*>(columns.Add());
    auto* b = static_cast<TColumn*>(columns.Add());
    EXPECT_EQ(heard, (std::vector<TCollectionItem*>{nullptr, nullptr}));
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(columns.Item(2), nullptr);
    heard.clear();
    a->SetWidth(80);
    EXPECT_EQ(heard, std::vector<TCollectionItem*>{a});
    heard.clear();
    columns.BeginUpdate();
    a->SetWidth(90);
    b->SetCaption("b");
    columns.Delete(0);
    EXPECT_TRUE(heard.empty());
    columns.EndUpdate();
    EXPECT_EQ(heard, std::vector<TCollectionItem*>{nullptr}) << "one report for the whole update";
    EXPECT_EQ(columns.Count(), 1);
    EXPECT_EQ(b->Index(), 0);
    delete b;  // an item freed on its own leaves the collection
    EXPECT_EQ(columns.Count(), 0);
    columns.Add();
    columns.Add();
    heard.clear();
    columns.Clear();
    EXPECT_EQ(heard, std::vector<TCollectionItem*>{nullptr});
    EXPECT_EQ(columns.Count(), 0);
}

TEST(PropsStorage, CollectionItemsUnderItemPrefixes)
{
    QWidget form;
    form.setObjectName("Form1");
    auto* header = new THeader(&form);
    header->setObjectName("Header1");
    for (const char* caption : {"Name", "Size"}) static_cast<TColumn*>(header->Columns()->Add())->SetCaption(caption);
    header->Column(0)->SetWidth(120);
    TStoredList list{{"Header1.Columns", nullptr}};
    UpdateStoredList(&form, list, true);
    Bound b(nullptr);
    b.set("Item7_Caption", "stale", "S.Header1_Columns");
    b.props.StoreObjectsProps(&form, list);
    EXPECT_EQ(b.value("Item0_Caption", "S.Header1_Columns"), "Name");
    EXPECT_EQ(b.value("Item0_Width", "S.Header1_Columns"), "120");
    EXPECT_EQ(b.value("Item1_Caption", "S.Header1_Columns"), "Size");
    EXPECT_EQ(b.value("Item1_Width", "S.Header1_Columns"), "50");
    EXPECT_EQ(b.value("Item7_Caption", "S.Header1_Columns"), "<none>") << "the sub-section is written afresh";
    EXPECT_EQ(b.value("Header1_Columns"), "<none>") << "a collection is no reference";

    // Read back into the items there are, inside one update of the collection.
    header->Column(0)->SetCaption("x");
    header->Column(0)->SetWidth(1);
    header->Column(1)->SetCaption("y");
    header->Columns()->Add();  // an item the file does not hold keeps its values
    static_cast<TColumn*>(header->Columns()->Item(2))->SetCaption("third");
    for (int i = 0; i < 3; ++i) header->Column(i)->SetOutsideUpdate = 0;
    int updates = 0;
    header->Columns()->OnUpdate = [&](TCollection*, TCollectionItem* item) { updates += item ? 100 : 1; };
    b.props.LoadObjectsProps(&form, list);
    EXPECT_EQ(header->Column(0)->Caption(), "Name");
    EXPECT_EQ(header->Column(0)->Width(), 120);
    EXPECT_EQ(header->Column(1)->Caption(), "Size");
    EXPECT_EQ(header->Column(2)->Caption(), "third");
    EXPECT_EQ(updates, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(header->Column(i)->SetOutsideUpdate, 0) << i;
}

// A property stored only while its object says so.
class TLinked : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Shared MEMBER Shared)
    Q_PROPERTY(int Own MEMBER Own)
    Q_PROPERTY(int Never MEMBER Never STORED false)
    Q_PROPERTY(int Fixed READ Fixed)
public:
    using QObject::QObject;
    int Fixed() const { return 7; }
    Q_INVOKABLE bool StoresOwn() const { return Shared == 0; }
    int Shared = 0, Own = 3, Never = 4;
};

TEST(PropsStorage, StoredOnlyWhenTheObjectSaysSo)
{
    TLinked linked;
    linked.setObjectName("Linked1");
    for (int shared : {0, 1}) {
        SCOPED_TRACE(shared);
        linked.Shared = shared;
        Bound b(&linked);
        b.props.StoreProperties(TPropInfoList(&linked));
        EXPECT_EQ(b.value("Shared"), std::to_string(shared));
        EXPECT_EQ(b.value("Own"), shared ? "<none>" : "3");
        EXPECT_EQ(b.value("Never"), "<none>");
        // Neither a name nor what cannot be set again belongs to a whole object's settings.
        EXPECT_EQ(b.value("objectName"), "<none>");
        EXPECT_EQ(b.value("Fixed"), "<none>");
        // Loading reads each one all the same.
        b.set("Never", "9");
        b.set("Own", "8");
        b.props.LoadProperties(TPropInfoList(&linked));
        EXPECT_EQ(linked.Never, 9);
        EXPECT_EQ(linked.Own, 8);
        linked.Never = 4;
        linked.Own = 3;
    }
}

// A panel whose width is a setting: its own "Width" hides Qt's read-only "width".
class TWidePanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Width READ width WRITE SetWidth)
public:
    using QWidget::QWidget;
    void SetWidth(int w) { resize(w, height()); }
};

TEST(PropsStorage, ADeclaredPropertyHidesTheFrameworksOfTheSameName)
{
    TWidePanel panel;
    panel.resize(240, 100);
    Bound b(&panel);
    ASSERT_TRUE(b.prop("width").isWritable());
    b.store("Width");
    EXPECT_EQ(b.value("Width"), "240");
    panel.resize(90, 100);
    b.load("Width");
    EXPECT_EQ(panel.width(), 240);
}

TEST(StoredItems, ParsingAndNames)
{
    std::string c, p;
    EXPECT_TRUE(ParseStoredItem(" Panel1 . Width ", c, p));
    EXPECT_EQ(c + "|" + p, "Panel1|Width");
    EXPECT_TRUE(ParseStoredItem("A.B.C", c, p));
    EXPECT_EQ(p, "B.C");
    for (const char* bad : {"Panel1", ".Width", "Panel1.", " . "}) EXPECT_FALSE(ParseStoredItem(bad, c, p)) << bad;
    EXPECT_EQ(ReplaceComponentName("Old.Text", "New"), "New.Text");
    EXPECT_EQ(ReplaceComponentName("Old", "New"), "");
    EXPECT_EQ(CreateStoredItem("", "Text"), "");
}

TEST(AppUtils, DefaultNames)
{
    TScriptWizard wizard;
    auto* edit = new QLineEdit(&wizard);
    edit->setObjectName("Edit1");
    auto* sample = new TSample(&wizard);
    sample->setObjectName("Sample1");
    TSample alone;
    alone.setObjectName("Alone");
    EXPECT_EQ(GetDefaultSection(&wizard), "TScriptWizard");
    EXPECT_EQ(GetDefaultSection(edit), "TScriptWizardEdit1");
    EXPECT_EQ(GetDefaultSection(sample), "TScriptWizard.Sample1");
    EXPECT_EQ(GetDefaultSection(&alone), "Alone");
    EXPECT_EQ(GetDefaultSection(nullptr), "");
    EXPECT_EQ(GetDefaultIniName(), "test_form_storage.INI");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\test_form_storage");
    SetRegistryCompanyName("Acme");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Acme\\test_form_storage");
    SetRegistryCompanyName("");
}

TEST(AppUtils, PositionValuesUnderTheScreenName)
{
    XdgHome home;
    auto ini = TIniStorage::OpenIniFile("pos.ini");
    EXPECT_EQ(ini->Path(), home.ini("pos.ini"));
    WritePosStr(ini.get(), "S", "NormPos", "1,2,3,4");
    EXPECT_EQ(ini->ReadString("S", "NormPos" + ScreenSuffix(), ""), "1,2,3,4");
    EXPECT_EQ(ini->ReadString("S", "NormPos", ""), "1,2,3,4");
    // Another screen size: its name is missing, so the plain one is read.
    ini->WriteString("S", "NormPos", "5,6,7,8");
    ini->EraseSection("T");
    ini->WriteString("T", "NormPos(1x1)", "9,9,9,9");
    ini->WriteString("T", "NormPos", "5,6,7,8");
    EXPECT_EQ(ReadPosStr(ini.get(), "T", "NormPos"), "5,6,7,8");
    EXPECT_EQ(IniReadString(nullptr, "S", "NormPos", "def"), "def");
}

TEST(FitWindowRect, PulledBackOntoAScreen)
{
    const std::vector<TRect> screens{{0, 0, 1000, 800}, {1000, 0, 2000, 800}};
    const struct {
        const char* name;
        TRect in;
        bool sizeable;
        TRect out;
    } cases[] = {
        {"inside stays", {100, 100, 500, 400}, true, {100, 100, 500, 400}},
        {"far right, on no screen", {5000, 100, 5400, 400}, true, {600, 100, 1000, 400}},
        {"on no screen: onto the form's own", {1200, 3000, 1500, 3300}, true, {700, 500, 1000, 800}},
        {"above and left", {-900, -700, -500, -400}, true, {0, 0, 400, 300}},
        {"mostly on the second", {1500, 100, 2200, 400}, true, {1300, 100, 2000, 400}},
        {"too large, shrunk", {-50, -50, 1200, 1000}, true, {0, 0, 1000, 800}},
        {"too large, fixed size", {-50, -50, 1200, 1000}, false, {0, 0, 1250, 1050}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitWindowRect(c.in, screens, 0, c.sizeable), c.out);
    }
}

// A form with its placement and two stored properties.
struct WizardForm {
    WizardForm()
    {
        form.setObjectName("ScriptWizard");
        form.setGeometry(designed);
        check = new QCheckBox(&form);
        check->setObjectName("CheckBox1");
        edit = new QLineEdit(&form);
        edit->setObjectName("Edit1");
        storage = new TFormStorage(&form);
        SetupWizardFormStorage(*storage);
    }
    QRect designed{40, 50, 300, 200};
    TScriptWizard form;
    QCheckBox* check;
    QLineEdit* edit;
    TFormStorage* storage;
};

std::string iniPath(const XdgHome& home) { return home.ini(GetDefaultIniName()); }

TEST(FormStorage, FirstRunThenRoundTrip)
{
    XdgHome home;
    {
        WizardForm w;
        w.form.show();
        EXPECT_EQ(w.form.geometry(), w.designed);  // no data: as designed
        w.check->setChecked(true);
        w.edit->setText("");
        w.form.setGeometry(120, 80, 320, 240);
        EXPECT_TRUE(w.form.close());
    }
    IniFile ini(iniPath(home));
    ASSERT_TRUE(ini.load());
    ASSERT_TRUE(ini.sectionExists("TScriptWizard"));
    const auto r = [&](const char* k) { return ini.readString("TScriptWizard", k, "<none>"); };
    EXPECT_EQ(r("NormPos"), "120,80,440,320");
    EXPECT_EQ(r(("NormPos" + ScreenSuffix()).c_str()), "120,80,440,320");
    EXPECT_EQ(r("ShowCmd"), "1");
    EXPECT_EQ(r("Visible"), "0");
    EXPECT_EQ(r("CheckBox1_Checked"), "True");
    EXPECT_EQ(r("Edit1_Text"), "");  // strings are written even when empty

    WizardForm again;
    again.edit->setText("designed");
    again.form.show();
    EXPECT_EQ(again.form.geometry(), QRect(120, 80, 320, 240));
    EXPECT_TRUE(again.check->isChecked());
    EXPECT_EQ(again.edit->text(), "");
}

TEST(FormStorage, StateRestoredAndPositionOnlyAtTheSamePixelsPerInch)
{
    XdgHome home;
    const int ppi = static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
    for (const bool samePpi : {true, false}) {
        SCOPED_TRACE(samePpi ? "same ppi" : "other ppi");
        IniFile ini(iniPath(home));
        ini.writeString("TScriptWizard", "ShowCmd", "3");
        ini.writeString("TScriptWizard", "PixelsPerInch", std::to_string(samePpi ? ppi : ppi + 48));
        ini.writeString("TScriptWizard", "NormPos", "60,70,360,370");
        ASSERT_TRUE(ini.save());
        WizardForm w;
        w.form.show();
        EXPECT_TRUE(w.form.windowState() & Qt::WindowMaximized);
        w.form.setWindowState(Qt::WindowNoState);
        EXPECT_EQ(w.form.geometry(), samePpi ? QRect(60, 70, 300, 300) : w.designed);
    }
}

TEST(FormPlacement, ACentredFormOpensCentredUntilAPositionIsStored)
{
    XdgHome home;
    const auto centred = [](const QWidget& form) {
        const QRect screen = form.screen()->geometry();
        return (form.frameGeometry().center() - screen.center()).manhattanLength() <= 2;
    };
    {
        WizardForm w;
        w.storage->SetFormPosition(TFormPlacement::poScreenCenter);
        w.form.show();
        EXPECT_TRUE(centred(w.form)) << w.form.x() << "," << w.form.y();
        EXPECT_EQ(w.form.size(), w.designed.size());
        EXPECT_EQ(w.storage->FormPosition(), TFormPlacement::poScreenCenter);
        w.form.move(70, 90);
        w.form.close();
    }
    WizardForm w;
    w.storage->SetFormPosition(TFormPlacement::poScreenCenter);
    w.form.show();
    EXPECT_EQ(w.form.pos(), QPoint(70, 90));
    EXPECT_EQ(w.storage->FormPosition(), TFormPlacement::poDesigned);
}

TEST(FormPlacement, TheNormalRectangleIsKeptWhileMaximized)
{
    XdgHome home;
    const auto store = [&](const char* normPos) {
        IniFile ini(iniPath(home));
        ASSERT_TRUE(ini.load());
        ini.writeString("TScriptWizard", "ShowCmd", "3");
        ini.writeString("TScriptWizard", "NormPos", normPos);
        ini.deleteKey("TScriptWizard", "NormPos" + ScreenSuffix());
        ASSERT_TRUE(ini.save());
    };
    store("60,70,360,370");
    {
        WizardForm w;
        w.form.show();
        ASSERT_TRUE(w.form.windowState() & Qt::WindowMaximized);
        EXPECT_EQ(w.form.normalGeometry(), QRect(60, 70, 300, 300));
        w.form.close();  // saved while maximized: the normal rectangle, not the screen's
    }
    IniFile ini(iniPath(home));
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("TScriptWizard", "ShowCmd"), "3");
    EXPECT_EQ(ini.readString("TScriptWizard", "NormPos"), "60,70,360,370");

    // A form that is maximized already when it is restored (shown maximized, or restored again
    // while it is) takes the stored normal rectangle and stays maximized.
    store("80,90,380,340");
    WizardForm w;
    w.form.setWindowState(Qt::WindowMaximized);
    w.form.show();
    ASSERT_TRUE(w.form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.form.normalGeometry(), QRect(80, 90, 300, 250));
    store("100,110,400,330");
    w.storage->RestoreFormPlacement();
    EXPECT_TRUE(w.form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.form.normalGeometry(), QRect(100, 110, 300, 220));
    w.form.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(w.form.geometry(), QRect(100, 110, 300, 220));
}

TEST(FormPlacement, FlagsAndMinMaxPosSayWhatTheWindowIs)
{
    XdgHome home;
    const auto saved = [&](Qt::WindowStates state) {
        {
            WizardForm w;
            w.form.setWindowState(state);
            w.form.show();
            for (int i = 0; i < 3; ++i) QApplication::processEvents();
            w.form.setWindowState(state);
            const QPoint at = w.form.frameGeometry().topLeft();
            w.storage->SaveFormPlacement();
            IniFile ini(iniPath(home));
            EXPECT_TRUE(ini.load());
            return std::tuple{ini.readString("TScriptWizard", "Flags"), ini.readString("TScriptWizard", "MinMaxPos"), at};
        }
    };
    auto [flags, minMax, at] = saved(Qt::WindowNoState);
    EXPECT_EQ(flags, "0");
    EXPECT_EQ(minMax, "-1,-1,-1,-1");
    std::tie(flags, minMax, at) = saved(Qt::WindowMaximized);
    EXPECT_EQ(flags, "0");
    EXPECT_EQ(minMax, "-1,-1," + std::to_string(at.x()) + "," + std::to_string(at.y()));
    // Minimized from maximized: back to maximized, also at the next start.
    std::tie(flags, minMax, at) = saved(Qt::WindowMinimized | Qt::WindowMaximized);
    EXPECT_EQ(flags, "2");
    EXPECT_EQ(minMax, "-1,-1,-1,-1");
    IniFile ini(iniPath(home));
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("TScriptWizard", "ShowCmd"), "2");
    WizardForm w;
    w.form.show();
    EXPECT_EQ(w.form.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized),
              Qt::WindowMinimized | Qt::WindowMaximized);
}

TEST(FormStorage, OffScreenPlacementPulledBack)
{
    XdgHome home;
    IniFile ini(iniPath(home));
    ini.writeString("TScriptWizard", "NormPos", "30000,-9000,30300,-8800");
    ASSERT_TRUE(ini.save());
    WizardForm w;
    w.form.show();
    const QRect area = w.form.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(w.form.geometry())) << w.form.geometry().x() << "," << w.form.geometry().y();
    EXPECT_EQ(w.form.size(), QSize(300, 200));
}

TEST(FormStorage, SavesOnlyWhenTheCloseIsAcceptedAndAfterARestore)
{
    class Refusing : public TScriptWizard {
    public:
        bool refuse = true;
        void closeEvent(QCloseEvent* e) override { refuse ? e->ignore() : e->accept(); }
    };
    XdgHome home;
    Refusing form;
    auto* storage = new TFormStorage(&form);
    storage->SetStoredProps({});
    storage->SaveFormPlacement();  // never shown: nothing stored
    EXPECT_FALSE(apppaths::fileExists(iniPath(home)));
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_FALSE(apppaths::fileExists(iniPath(home)));
    form.refuse = false;
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(apppaths::fileExists(iniPath(home)));
}

TEST(FormStorage, AShowAfterTheFirstKeepsWhatChangedSince)
{
    XdgHome home;
    IniFile ini(iniPath(home));
    ini.writeString("TScriptWizard", "NormPos", "60,70,360,370");
    ini.writeString("TScriptWizard", "Edit1_Text", "stored");
    ASSERT_TRUE(ini.save());
    WizardForm w;
    w.form.show();
    ASSERT_EQ(w.edit->text(), "stored");
    ASSERT_EQ(w.form.geometry().topLeft(), QPoint(60, 70));
    w.edit->setText("typed since");
    w.form.setGeometry(150, 120, 300, 300);
    // Minimized and brought back, then hidden and shown by the program.
    w.form.showMinimized();
    QCoreApplication::processEvents();
    w.form.showNormal();
    QCoreApplication::processEvents();
    w.form.hide();
    w.form.show();
    EXPECT_EQ(w.edit->text(), "typed since");
    EXPECT_EQ(w.form.geometry().topLeft(), QPoint(150, 120));
    EXPECT_FALSE(w.form.isMinimized());
}

TEST(FormStorage, ACloseThatAsksFirstSavesWhenItGoesOn)
{
    // The question runs an event loop of its own, as a message box does.
    class Asking : public TScriptWizard {
    public:
        bool answerClose = true;
        void closeEvent(QCloseEvent* e) override
        {
            QEventLoop question;
            QTimer::singleShot(0, &question, &QEventLoop::quit);
            question.exec();
            answerClose ? e->accept() : e->ignore();
        }
    };
    XdgHome home;
    Asking form;
    auto* storage = new TFormStorage(&form);
    storage->SetStoredProps({});
    form.show();
    form.answerClose = false;
    EXPECT_FALSE(form.close());
    EXPECT_FALSE(apppaths::fileExists(iniPath(home)));
    form.answerClose = true;
    form.setGeometry(90, 110, 300, 200);
    EXPECT_TRUE(form.close());
    IniFile ini(iniPath(home));
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("TScriptWizard", "Visible"), "0");  // saved by the close, not by the end
    EXPECT_EQ(ini.readString("TScriptWizard", "NormPos"), "90,110,390,310");
}

TEST(FormStorage, EditorSettingsFile)
{
    XdgHome home;
    QWidget main;
    auto* panel = new QWidget(&main);
    panel->setObjectName("Panel1");
    TFormStorage storage(&main);
    SetupEditorFormStorage(storage);
    main.show();
    storage.FormDestroying();
    IniFile ini(home.ini("ftploc.ini"));
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("ScriptMainScreen", "Visible"), "1");
    EXPECT_TRUE(ini.hasValue("ScriptMainScreen", "Panel1_Width"));
    EXPECT_EQ(storage.StoredProps(), QStringList{"Panel1.Width"});  // EffFill1 is not on this form
}

TEST(FormPlacement, SizeLimitsAndPreventResize)
{
    XdgHome home;
    QWidget form;
    form.setMinimumSize(50, 40);
    form.resize(300, 200);
    TFormPlacement placement(&form);
    placement.MinMaxInfo()->SetMaxTrackWidth(600);
    EXPECT_EQ(form.minimumSize(), QSize(50, 40));  // a 0 keeps the form's own limit
    EXPECT_EQ(form.maximumWidth(), 600);
    form.show();
    placement.SetPreventResize(true);
    EXPECT_EQ(form.minimumSize(), QSize(300, 200));
    EXPECT_EQ(form.maximumSize(), QSize(300, 200));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form.isVisible());
    placement.SetPreventResize(false);
    EXPECT_EQ(form.minimumSize(), QSize(50, 40));
    EXPECT_EQ(form.maximumSize(), QSize(600, QWIDGETSIZE_MAX));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

TEST(FormPlacement, TheHookGivesTheLimitsWhenTheFormShowsAndIsMaximized)
{
    XdgHome home;
    const auto settle = [] {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    };
    QWidget form;
    form.resize(300, 200);
    TFormPlacement placement(&form);
    EXPECT_FALSE(placement.WindowHook()->Attached());  // nothing to limit: no hook
    // Set while hidden: the size is fixed when the form shows, at the size it shows with.
    placement.SetPreventResize(true);
    EXPECT_TRUE(placement.WindowHook()->Attached());
    form.resize(320, 240);
    EXPECT_EQ(form.size(), QSize(320, 240));
    form.show();
    EXPECT_EQ(form.minimumSize(), QSize(320, 240));
    EXPECT_EQ(form.maximumSize(), QSize(320, 240));
    placement.SetPreventResize(false);
    EXPECT_FALSE(placement.WindowHook()->Attached());
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    // A maximized size bounds the form (frame included) while it is maximized, and only then.
    placement.MinMaxInfo()->SetMaxSizeWidth(400);
    EXPECT_TRUE(placement.WindowHook()->Attached());
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    form.showMaximized();
    settle();
    EXPECT_EQ(form.maximumWidth() + form.frameGeometry().width() - form.geometry().width(), 400);
    EXPECT_EQ(form.maximumHeight(), QWIDGETSIZE_MAX);
    form.showNormal();
    settle();
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST(FormPlacement, ActiveControlRestored)
{
    XdgHome home;
    {
        WizardForm w;
        w.storage->SetOptions(w.storage->Options() | TFormPlacement::fpActiveControl);
        w.form.show();
        w.form.activateWindow();
        w.edit->setFocus();
        ASSERT_EQ(w.form.focusWidget(), w.edit);
        w.form.close();
    }
    IniFile ini(iniPath(home));
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("TScriptWizard", "ActiveControl"), "Edit1");
    WizardForm w;
    w.storage->SetOptions(w.storage->Options() | TFormPlacement::fpActiveControl);
    w.check->setFocus();
    w.form.show();
    EXPECT_EQ(w.form.focusWidget(), w.edit);
}

TEST(FormStorage, KeyStoreVariant)
{
    XdgHome home;
    {
        WizardForm w;
        w.storage->SetUseRegistry(true);
        w.check->setChecked(true);
        w.form.show();
        w.form.close();
    }
    IniFile store(home.ini("registry.ini"));
    ASSERT_TRUE(store.load());
    const std::string key = "HKEY_CURRENT_USER\\Software\\test_form_storage\\TScriptWizard";
    EXPECT_EQ(store.readString(key, "CheckBox1_Checked"), "True");
    WizardForm w;
    w.storage->SetUseRegistry(true);
    w.form.show();
    EXPECT_TRUE(w.check->isChecked());
}

TEST(FormStorage, AFailedSaveIsReported)
{
    XdgHome home;
    const std::string blocker = home.dir.write("blocker", "a file, not a folder");
    std::string reported;
    guard::setApplicationHandler([&](const std::exception_ptr& e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported = x.what();
        }
    });
    {
        WizardForm w;
        w.storage->SetIniFileName(blocker + "/settings.ini");
        w.form.show();
        EXPECT_TRUE(w.form.close());  // the close goes on
    }
    guard::setApplicationHandler(nullptr);
    EXPECT_NE(reported.find("settings.ini"), std::string::npos) << reported;
    EXPECT_EQ(TempDir::read(blocker), "a file, not a folder");
}

}  // namespace

#include "test_form_storage.moc"
