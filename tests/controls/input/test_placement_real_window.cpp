// Form placement in a real window under a window manager (run by realwindow/run.sh): a window
// minimized and brought back keeps what changed since it was first shown.

#include "controls/input/FormPlacement.h"
#include "platform/IniFile.h"
#include "tests/support/EventWait.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Form {
    explicit Form(const std::string& ini)
    {
        window.setObjectName("PlacedForm");
        window.setGeometry(60, 60, 400, 300);
        edit = new QLineEdit(&window);
        edit->setObjectName("Edit1");
        edit->setGeometry(10, 10, 200, 24);
        storage = new TFormStorage(&window);
        storage->SetIniFileName(ini);
        storage->SetIniSection("PlacedForm");
        storage->SetStoredProps({"Edit1.Text"});
    }
    bool Shown() const { return window.windowHandle() && window.windowHandle()->isExposed() && !window.isMinimized(); }
    QWidget window;
    QLineEdit* edit;
    TFormStorage* storage;
};

struct RealWindow : ::testing::Test {
    TempDir dir;
    std::string ini = dir.file("placement.ini");
    void Store(const std::string& showCmd)
    {
        IniFile file(ini);
        file.writeString("PlacedForm", "NormPos", "100,100,500,400");
        file.writeString("PlacedForm", "ShowCmd", showCmd);
        file.writeString("PlacedForm", "Edit1_Text", "stored at last close");
        ASSERT_TRUE(file.save());
    }
};

}  // namespace

TEST_F(RealWindow, BroughtBackFromTheIconItKeepsItsPlaceAndFields)
{
    Store("1");
    Form f(ini);
    f.window.show();
    ASSERT_TRUE(WaitFor([&] { return f.Shown(); })) << "the window did not show";
    EXPECT_EQ(f.edit->text().toStdString(), "stored at last close");
    f.edit->setText("typed in this session");
    f.window.move(300, 250);
    ASSERT_TRUE(WaitFor([&] { return f.window.geometry().topLeft() != QPoint(100, 100); })) << "the move did not land";
    const QPoint moved = f.window.geometry().topLeft();

    f.window.showMinimized();
    ASSERT_TRUE(WaitFor([&] { return !f.window.windowHandle()->isExposed(); })) << "the window was not minimized";
    f.window.showNormal();
    ASSERT_TRUE(WaitFor([&] { return f.Shown(); })) << "the window did not come back";
    Settle();

    EXPECT_TRUE(f.Shown()) << "minimized again";
    EXPECT_EQ(f.edit->text().toStdString(), "typed in this session");
    EXPECT_EQ(f.window.geometry().topLeft(), moved);
}

TEST_F(RealWindow, StartedMinimizedItComesBackOnce)
{
    Store("2");
    Form f(ini);
    f.window.show();
    ASSERT_TRUE(WaitFor([&] { return f.window.isMinimized(); })) << "the stored state was not applied";
    Settle();
    f.window.showNormal();
    ASSERT_TRUE(WaitFor([&] { return f.Shown(); })) << "the window did not come back";
    Settle();
    EXPECT_TRUE(f.Shown()) << "minimized again";
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
