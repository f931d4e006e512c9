// The form helper on real (offscreen) forms: stored placement, limits, the opening effect, file
// drops and the window events it passes on.

#include "controls/effects/EffForm.h"
#include "controls/input/AppUtils.h"
#include "platform/IniFile.h"

#include "tests/support/XdgHome.h"

#include <QApplication>
#include <QDropEvent>
#include <QFont>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>
#include <cmath>
#include <memory>

namespace {

class TScriptWizard : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    int shows = 0;

protected:
    void showEvent(QShowEvent*) override { ++shows; }
};

// A form with its helper, storing through an ini file of its own.
struct Form {
    explicit Form(const std::string& iniPath, QRect designed = {40, 50, 300, 200})
        : form(std::make_unique<TScriptWizard>())
    {
        form->setGeometry(designed);
        ini = new TEffIniCtrl(form.get());
        ini->SetTarget(itIniFile);
        ini->SetIniPrefix(ppFixed);
        ini->SetIniFile(iniPath);
        eff = new TEffForm(form.get());
        eff->SetIniUse(ioUseLink);  // the form's one ini control becomes the link
    }
    TEffForm& Loaded()
    {
        eff->Loaded();
        return *eff;
    }
    std::unique_ptr<TScriptWizard> form;
    TEffIniCtrl* ini;
    TEffForm* eff;
};

struct EffFormTest : ::testing::Test {
    XdgHome home;
    std::string iniPath = home.dir().file("effform.ini");
    std::string stored(const std::string& key = "ScriptWizard") const
    {
        IniFile ini(iniPath);
        ini.load();
        return ini.readString("Common", key, "<none>");
    }
    void store(const std::string& value, const std::string& key = "ScriptWizard") const
    {
        IniFile ini(iniPath);
        ini.load();
        ini.writeString("Common", key, value);
        ASSERT_TRUE(ini.save());
    }
    static QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

}  // namespace

TEST_F(EffFormTest, DefaultsAndKeyFromTheFormsClass)
{
    Form f(iniPath);
    EXPECT_EQ(f.eff->IniKey(), "ScriptWizard");
    EXPECT_EQ(f.eff->Section(), "Common");
    EXPECT_EQ(f.eff->Effect(), deNone);
    EXPECT_EQ(f.eff->Options(), TEffForm::TEffFormOptions(foAutoShow));
    EXPECT_EQ(f.eff->IniSaveOptions(), TEffForm::TEffFormIniSaveOptions(soPos | soSize | soState));
    EXPECT_FALSE(f.eff->AcceptFiles());
    QObject plain;
    EXPECT_EQ(TEffForm(&plain).IniKey(), "Form");
    EXPECT_EQ(TEffForm().IniUse(), ioNone);
}

TEST_F(EffFormTest, PlacementRoundTrip)
{
    {
        Form f(iniPath);
        f.Loaded();
        f.form->show();
        EXPECT_EQ(f.form->geometry(), QRect(40, 50, 300, 200));  // nothing stored: as designed
        f.form->setGeometry(120, 80, 320, 240);
    }  // destroyed: saved
    EXPECT_EQ(stored(), "200,0,1,120,80,440,320");
    EXPECT_EQ(stored("ScriptWizardColor"), "<none>");
    {
        Form f(iniPath);
        f.Loaded();
        f.form->show();
        EXPECT_EQ(f.form->geometry(), QRect(120, 80, 320, 240));
        f.form->setWindowState(Qt::WindowMaximized);
    }
    EXPECT_EQ(stored(), "200,0,3,120,80,440,320");  // the normal rectangle, shown maximized
    Form f(iniPath);
    f.Loaded();
    f.form->show();
    EXPECT_TRUE(f.form->windowState() & Qt::WindowMaximized);
    f.form->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(f.form->geometry(), QRect(120, 80, 320, 240));
}

TEST_F(EffFormTest, AnOffScreenPositionIsPulledBackOnEverySide)
{
    // The whole window, frame included, comes back onto the screen at the side it went off;
    // its size and its other coordinate stay.
    enum Side { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
    const QRect area = screenArea();
    struct Case {
        const char* name;
        QRect saved;
        int sides;
    };
    const Case cases[] = {
        {"off the left", {area.left() - 5000, 100, 300, 200}, kLeft},
        {"off the top", {100, area.top() - 900, 300, 200}, kTop},
        {"off the right", {area.right() + 4000, 100, 300, 200}, kRight},
        {"off the bottom", {100, area.bottom() + 4000, 300, 200}, kBottom},
        {"half off the top left", {area.left() - 150, area.top() - 100, 300, 200}, kLeft | kTop},
        {"far off the bottom right", {area.right() + 900, area.bottom() + 700, 300, 200}, kRight | kBottom},
        {"inside stays", {60, 70, 300, 200}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRect& s = c.saved;
        store("200,0,1," + std::to_string(s.left()) + "," + std::to_string(s.top()) + "," +
              std::to_string(s.left() + s.width()) + "," + std::to_string(s.top() + s.height()));
        Form f(iniPath);
        f.Loaded();
        f.form->show();
        const QRect frame = f.form->frameGeometry(), client = f.form->geometry();
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
        EXPECT_EQ(client.size(), s.size());
        if (c.sides & kLeft) EXPECT_EQ(frame.left(), area.left());
        if (c.sides & kTop) EXPECT_EQ(frame.top(), area.top());
        if (c.sides & kRight) EXPECT_EQ(frame.right(), area.right());
        if (c.sides & kBottom) EXPECT_EQ(frame.bottom(), area.bottom());
        if (!(c.sides & (kLeft | kRight))) EXPECT_EQ(client.left(), s.left());
        if (!(c.sides & (kTop | kBottom))) EXPECT_EQ(client.top(), s.top());
        f.eff->SetIniUse(ioNone);  // leave the stored value for the next case
    }
}

TEST_F(EffFormTest, AnUnusablePlacementCountsAsMissing)
{
    const QRect designed(10, 10, 300, 200);
    for (const char* value : {"200,0,1,10,10,300", "201,0,1,10,10,300,300", ""}) {
        for (const bool autoCenter : {false, true}) {
            SCOPED_TRACE(std::string(value) + (autoCenter ? " centred" : ""));
            store(value);
            Form f(iniPath, designed);
            int missing = 0;
            f.eff->OnNoRestoreData = [&](QObject* sender) {
                EXPECT_EQ(sender, f.eff);
                ++missing;
            };
            if (autoCenter) f.eff->SetOptions(foAutoShow | foAutoCenter);
            f.Loaded();
            f.form->show();
            EXPECT_EQ(missing, 1);
            const QRect screen = f.form->screen()->geometry();
            if (autoCenter) EXPECT_LE((f.form->frameGeometry().center() - screen.center()).manhattanLength(), 2);
            else EXPECT_EQ(f.form->geometry(), designed);
            f.eff->SetIniUse(ioNone);
        }
    }
}

TEST_F(EffFormTest, WhatIsStoredAndRestoredFollowsTheOptions)
{
    store("200,0,3,100,90,500,390");
    struct Case {
        const char* name;
        TEffForm::TEffFormIniSaveOptions save;
        TEffForm::TEffFormOptions options;
        QRect geometry;
        bool maximized;
    };
    const Case cases[] = {
        {"position only", soPos, foAutoShow, {100, 90, 300, 200}, false},
        {"size only", soSize, foAutoShow, {40, 50, 400, 300}, false},
        {"state only", soState, foAutoShow, {40, 50, 300, 200}, true},
        {"state without auto-show: kept", soState, {}, {40, 50, 300, 200}, false},
        {"nothing", {}, foAutoShow, {40, 50, 300, 200}, false},
    };
    for (const Case& c : cases) {
        Form f(iniPath);
        f.eff->SetIniSaveOptions(c.save);
        f.eff->SetOptions(c.options);
        f.Loaded();
        f.form->show();
        EXPECT_EQ(bool(f.form->windowState() & Qt::WindowMaximized), c.maximized) << c.name;
        f.form->setWindowState(Qt::WindowNoState);
        EXPECT_EQ(f.form->geometry(), c.geometry) << c.name;
        f.eff->SetIniUse(ioNone);
    }
}

TEST_F(EffFormTest, ColourAndFontStoredWhenAsked)
{
    {
        Form f(iniPath);
        f.eff->SetIniSaveOptions(soColor | soFont);
        f.Loaded();
        f.form->show();
        QPalette palette = f.form->palette();
        palette.setColor(QPalette::Window, QColor(0x10, 0x20, 0x30));
        f.form->setPalette(palette);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(12);
        font.setBold(true);
        f.form->setFont(font);
    }
    EXPECT_EQ(stored("ScriptWizardColor"), "$00302010");
    EXPECT_EQ(stored("ScriptWizardFont").substr(0, 15), "DejaVu Sans,12,");
    {
        Form f(iniPath);
        f.eff->SetIniSaveOptions(soColor | soFont);
        f.Loaded();
        f.form->show();
        EXPECT_EQ(f.form->palette().color(QPalette::Window), QColor(0x10, 0x20, 0x30));
        EXPECT_EQ(f.form->font().pointSize(), 12);
        EXPECT_TRUE(f.form->font().bold());
        f.eff->SetIniSaveOptions({});
    }  // saved without them: their values go
    EXPECT_EQ(stored("ScriptWizardColor"), "<none>");
    EXPECT_EQ(stored("ScriptWizardFont"), "<none>");
    EXPECT_NE(stored(), "<none>");  // the placement is written whatever the options
}

TEST_F(EffFormTest, RestoreOnceRestoresAtTheFirstShowOnly)
{
    store("200,0,1,100,90,400,290");
    Form f(iniPath);
    f.eff->SetOptions(foAutoShow | foRestoreOnce);
    f.Loaded();
    f.form->show();
    EXPECT_EQ(f.form->geometry().topLeft(), QPoint(100, 90));
    f.form->hide();
    f.form->setGeometry(20, 30, 300, 200);
    f.form->show();
    EXPECT_EQ(f.form->geometry().topLeft(), QPoint(20, 30));
    EXPECT_EQ(f.form->shows, 2);  // the form's own show runs every time
}

TEST_F(EffFormTest, ControlsAdaptedToTheScreenResolutionOnce)
{
    const int ppi = static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
    Form f(iniPath);
    auto* control = new QWidget(f.form.get());
    control->setGeometry(10, 20, 30, 40);
    f.eff->SetDesignPPI(ppi / 2);
    f.eff->SetOptions(foAutoShow | foTryAdaptRes);
    f.Loaded();
    f.form->show();
    const QRect adapted(MulDiv(10, ppi, ppi / 2), MulDiv(20, ppi, ppi / 2), MulDiv(30, ppi, ppi / 2),
                        MulDiv(40, ppi, ppi / 2));
    EXPECT_EQ(control->geometry(), adapted);
    f.form->hide();
    f.form->show();
    EXPECT_EQ(control->geometry(), adapted);
}

TEST_F(EffFormTest, NothingStoredWithoutAnIniControl)
{
    for (const TEffIniUse use : {ioNone, ioUseLink}) {
        auto form = std::make_unique<TScriptWizard>();
        auto* eff = new TEffForm(form.get());
        eff->SetIniUse(use);  // a link wanted, but the form holds no ini control
        eff->Loaded();
        form->show();
        form.reset();
    }
    EXPECT_EQ(stored(), "<none>");
}

TEST_F(EffFormTest, LimitsAsScreenFractions)
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    Form f(iniPath, {10, 10, 100, 100});
    TEffForm& eff = *f.eff;
    eff.SetTrackMaxWidth(-2);
    eff.SetTrackMaxHeight(-3);
    EXPECT_EQ(eff.ConvertedLimit(flMaxTrackWidth), screen.width() / 2);
    EXPECT_EQ(eff.ConvertedLimit(flMaxTrackHeight), screen.height() / 3);
    eff.SetTrackMinWidth(screen.width());  // above the maximum: refused
    EXPECT_EQ(eff.TrackMinWidth(), 0);
    eff.SetTrackMinWidth(-4);
    eff.SetTrackMinHeight(150);
    EXPECT_EQ(f.form->maximumWidth(), QWIDGETSIZE_MAX);  // applied once the form is built
    f.Loaded();
    EXPECT_EQ(f.form->maximumSize(), QSize(screen.width() / 2, screen.height() / 3));
    EXPECT_EQ(f.form->minimumSize(), QSize(screen.width() / 4, 150));
    f.form->show();
    EXPECT_EQ(f.form->size(), QSize(screen.width() / 4, 150));  // widened to the minimum
    f.form->resize(screen.width(), screen.height());
    EXPECT_EQ(f.form->size(), QSize(screen.width() / 2, screen.height() / 3));

    // A handler decides instead.
    int asked = 0;
    eff.OnTrackInfo = [&](QObject*, TEffTrackInfo& info) {
        ++asked;
        EXPECT_EQ(info.MaxTrackWidth, QWIDGETSIZE_MAX);  // what the form had before the limits
        info.MinTrackWidth = 50;
        info.MaxTrackWidth = 70;
    };
    eff.OnMaximizeInfo = [](QObject*, TEffMaximizeInfo& info) { info.Left = 5; };
    eff.SetMaximizedWidth(-2);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.form->width(), 70);
    EXPECT_EQ(eff.MaximizeInfo().Left, 5);
    EXPECT_EQ(eff.MaximizeInfo().Width, screenArea().width());  // the handler's record, as it left it
    eff.OnTrackInfo = nullptr;
    eff.OnMaximizeInfo = nullptr;
    eff.SetMaximizedWidth(0);
    eff.SetTrackMaxWidth(0);
    EXPECT_EQ(f.form->maximumWidth(), QWIDGETSIZE_MAX);
    EXPECT_EQ(eff.MaximizeInfo().Width, screenArea().width());
}

TEST_F(EffFormTest, AMaximizedFormTakesItsMaximizedSize)
{
    const QRect area = screenArea();
    const auto settle = [] {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    };
    const auto frame = [](const QWidget& w) { return w.frameGeometry().size() - w.geometry().size(); };
    Form f(iniPath, {10, 10, 200, 150});
    f.eff->SetMaximizedWidth(-2);
    f.eff->SetMaximizedHeight(300);
    f.eff->SetMaximizedPosX(30);
    f.Loaded();
    EXPECT_EQ(f.form->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));  // not while normal
    // Shown maximized: the given size bounds the window (frame included), the screen gives the rest.
    f.form->showMaximized();
    settle();
    EXPECT_EQ(f.form->maximumSize() + frame(*f.form), QSize(area.width() / 2, 300));
    EXPECT_EQ(f.eff->MaximizeInfo().Left, 30);
    EXPECT_EQ(f.eff->MaximizeInfo().Top, area.y());
    // Back to normal: no maximum left over.
    f.form->showNormal();
    settle();
    EXPECT_EQ(f.form->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    // Maximized later, through a handler's answer, kept within the largest tracking size.
    f.eff->OnMaximizeInfo = [](QObject*, TEffMaximizeInfo& info) { info.Width = 250; };
    f.eff->SetTrackMaxHeight(120);
    f.form->showMaximized();
    settle();
    EXPECT_EQ(f.form->maximumWidth() + frame(*f.form).width(), 250);
    EXPECT_EQ(f.form->maximumHeight(), 120);

    // Without maximized values the window manager's maximize is left alone.
    Form plain(iniPath, {10, 10, 200, 150});
    plain.Loaded();
    plain.form->showMaximized();
    settle();
    EXPECT_EQ(plain.form->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST_F(EffFormTest, ACentredFormLooksForItsValueEvenWhenNothingIsKept)
{
    for (const TFormPosition position : {poDesigned, poScreenCenter}) {
        SCOPED_TRACE(position == poScreenCenter ? "centred" : "designed");
        store("");
        Form f(iniPath, {10, 10, 300, 200});
        SetFormPosition(f.form.get(), position);
        int missing = 0;
        f.eff->OnNoRestoreData = [&](QObject*) { ++missing; };
        f.eff->SetIniSaveOptions({});
        f.eff->SetOptions(foAutoShow | foAutoCenter);
        f.Loaded();
        f.form->show();
        EXPECT_EQ(missing, position == poScreenCenter ? 1 : 0);
        const QRect screen = f.form->screen()->geometry();
        if (position == poScreenCenter)
            EXPECT_LE((f.form->frameGeometry().center() - screen.center()).manhattanLength(), 2);
        else
            EXPECT_EQ(f.form->geometry(), QRect(10, 10, 300, 200));
        f.eff->SetIniUse(ioNone);
    }
}

TEST_F(EffFormTest, TheOpeningEffectIsSkippedOffscreen)
{
    // Counts overlays shown for the effect anywhere in the program.
    struct OverlayWatch : QObject {
        int shown = 0;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            auto* w = qobject_cast<QWidget*>(o);
            if (e->type() == QEvent::Show && w && w->accessibleName() == QLatin1String("Opening effect")) ++shown;
            return false;
        }
    } watch;
    qApp->installEventFilter(&watch);
    for (const TEffDlgEffect effect : {deExplode, deExplodeExt}) {
        Form f(iniPath);
        f.eff->SetEffect(effect);
        f.Loaded();
        f.form->show();
        EXPECT_TRUE(f.form->isVisible());
        EXPECT_EQ(f.form->shows, 1);
    }
    qApp->removeEventFilter(&watch);
    EXPECT_EQ(watch.shown, 0);
}

TEST_F(EffFormTest, DroppedFileNamesArePassedUnchanged)
{
    Form f(iniPath);
    f.eff->SetAcceptFiles(true);
    EXPECT_FALSE(f.form->acceptDrops());  // not before the form is built
    f.Loaded();
    EXPECT_TRUE(f.form->acceptDrops());
    f.form->show();

    const std::string longName = "/tmp/" + std::string(150, 'a') + "/" + std::string(150, 'B') + ".ftp";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/Mixed Case/upload.ftp")),
                  QUrl(QStringLiteral("https://example.invalid/not-a-file")),
                  QUrl::fromLocalFile(QString::fromStdString(longName))});
    const auto send = [&](QEvent::Type type) {
        QDropEvent drop(QPointF(12, 34), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier, type);
        QCoreApplication::sendEvent(f.form.get(), &drop);
        return drop.isAccepted();
    };
    QDragEnterEvent enter(QPoint(12, 34), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    std::vector<std::string> names;
    int count = 0;
    QPoint point;
    f.eff->OnFMDragDrop = [&](QObject*, int n, const std::vector<std::string>& dropped, QPoint at) {
        count = n;
        names = dropped;
        point = at;
    };
    EXPECT_TRUE(send(QEvent::Drop));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"/tmp/Mixed Case/upload.ftp", longName}));
    EXPECT_EQ(point, QPoint(12, 34));

    f.eff->SetAcceptFiles(false);
    EXPECT_FALSE(f.form->acceptDrops());
    count = 0;
    EXPECT_FALSE(send(QEvent::Drop));
    EXPECT_EQ(count, 0);
}

TEST_F(EffFormTest, WindowEventsAreSurfaced)
{
    Form f(iniPath);
    TEffForm& eff = *f.eff;
    std::vector<std::string> seen;
    eff.OnMove = [&](QObject*) { seen.push_back("move"); };
    eff.OnSize = [&](QObject*, int type, int w, int h) {
        seen.push_back("size " + std::to_string(type) + " " + std::to_string(w) + "x" + std::to_string(h));
    };
    eff.OnSysColorChange = [&](QObject*) { seen.push_back("colours"); };
    eff.OnFontChange = [&](QObject*) { seen.push_back("fonts"); };
    eff.OnDisplayChange = [&](QObject*, int depth, int w, int h) {
        EXPECT_GT(depth, 0);
        seen.push_back("display " + std::to_string(w) + "x" + std::to_string(h));
    };
    f.Loaded();
    f.form->show();
    QCoreApplication::processEvents();
    seen.clear();

    f.form->resize(310, 210);
    QCoreApplication::processEvents();
    f.form->move(70, 80);
    QCoreApplication::processEvents();
    const QPalette palette = QApplication::palette();
    QPalette changed = palette;
    changed.setColor(QPalette::Window, Qt::darkCyan);
    // Both reach the windows as posted events.
    for (const QPalette& p : {changed, palette}) {
        QApplication::setPalette(p);
        QCoreApplication::processEvents();
    }
    const QFont font = QApplication::font();
    QFont bigger = font;
    bigger.setPointSize(font.pointSize() + 3);
    for (const QFont& f : {bigger, font}) {
        QApplication::setFont(f);
        QCoreApplication::processEvents();
    }
    eff.DisplayChanged();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const std::string display = "display " + std::to_string(screen.width()) + "x" + std::to_string(screen.height());
    EXPECT_EQ(seen, (std::vector<std::string>{"size 0 310x210", "move", "colours", "colours", "fonts", "fonts", display}));

    // A cancelled move goes back where it was, and is no move.
    seen.clear();
    int asked = 0;
    eff.OnMoving = [&](QObject*, int left, int top, bool& cancel) {
        ++asked;
        EXPECT_EQ(QPoint(left, top), QPoint(200, 150));
        cancel = true;
    };
    f.form->move(200, 150);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.form->pos(), QPoint(70, 80));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(seen.empty());

    // Switched off, it passes nothing on.
    eff.OnMoving = nullptr;
    eff.SetEnabled(false);
    f.form->move(90, 95);
    f.form->resize(320, 220);
    QCoreApplication::processEvents();
    eff.DisplayChanged();
    EXPECT_TRUE(seen.empty());
}

#include "test_eff_form.moc"
